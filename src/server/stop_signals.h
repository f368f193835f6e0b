#pragma once

#include <chrono>

#include <signal.h>

namespace cmp::server {

class HttpServer;

// SIGINT and SIGTERM, held back from every thread started after this object
// was made, so that they wait for waitAndStop() instead of ending the process
// in the middle of a call. Make it before any thread starts.
class StopSignals
{
public:
    StopSignals();

    // Waits for one of the signals, then stops the server: new connections
    // are refused at once and the calls under way get the grace to finish.
    // Returns when they all did; otherwise ends the process at once with exit
    // code 0, leaving the late calls to roll back with their connections.
    void waitAndStop(HttpServer& server, std::chrono::milliseconds grace) const;

private:
    sigset_t signals_;
};

} // namespace cmp::server

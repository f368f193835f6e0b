#include "server/stop_signals.h"

#include "server/http_server.h"

#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace cmp::server {

StopSignals::StopSignals()
{
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

void StopSignals::waitAndStop(HttpServer& server, std::chrono::milliseconds grace) const
{
    int received = 0;
    sigwait(&signals_, &received);
    std::printf("cmp-server: stopping, %lld ms for the calls under way\n",
                static_cast<long long>(grace.count()));
    std::fflush(stdout);
    if (server.stop(grace))
        return;
    std::printf("cmp-server: calls still running after the grace were cut short\n");
    std::fflush(stdout);
    std::_Exit(EXIT_SUCCESS);
}

} // namespace cmp::server

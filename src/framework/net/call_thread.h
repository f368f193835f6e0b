#pragma once

#include <functional>

namespace cmp::fw {

// Runs work on the thread that serves the client's server calls while the
// calling thread waits in a local event loop, so that the window keeps
// painting (the progress animation, timers, repaints) however long the
// server takes. Input that arrives meanwhile (keys, clicks, wheel, closing a
// window) is refused: nothing may start a second operation in the middle of
// this one. The call looks synchronous to its caller; an exception thrown by
// work comes out here.
//
// Only the application's own thread hands work over: without an application,
// or on any other thread, work runs right where it is called.
void runOffGuiThread(const std::function<void()>& work);

} // namespace cmp::fw

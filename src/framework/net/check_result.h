#pragma once

#include "framework/net/remote_value.h"

namespace cmp::fw {

// The payload of a server reply that succeeded. A failed reply's text is
// shown as an error; with stop true the running operation then ends (the
// abort of MensErro), otherwise a null value comes back. The third argument
// of the design's calls, always 0, selects nothing here.
RemoteValue CheckResultServ(const RemoteReply& result, bool stop = true, int = 0);

} // namespace cmp::fw

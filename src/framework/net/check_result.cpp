#include "framework/net/check_result.h"

#include "framework/core/abort.h"

namespace cmp::fw {

RemoteValue CheckResultServ(const RemoteReply& result, bool stop, int)
{
    if (result.ok)
        return result.result;
    MensErro(result.error, stop);
    return {};
}

} // namespace cmp::fw

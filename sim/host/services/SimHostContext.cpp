#include "SimHostContext.h"

using namespace Quorvane;

namespace simhost {

SimHostContext::SimHostContext(HostContextRef host) : HostObject(std::move(host), "HostContext") {}

tresult SimHostContext::queryInterface(const TUID iid, void** object)
{
    if (iidEqual(iid, IHostApplicationW::iid))
        return registry().createInstance(iid, object);
    return HostObject::queryInterface(iid, object);
}

tresult SimHostContext::createInstance(const TUID iid, void** object)
{
    return registry().createInstance(iid, object);
}

} // namespace simhost

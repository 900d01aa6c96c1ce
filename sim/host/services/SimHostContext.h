#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

namespace simhost {

// The context object handed to the extension's initialize calls: its IHostClasses makes or hands out
// the host's objects through the registry, and it answers IHostApplicationW with the application.
// Any thread: the extension reads the host's clock through it from whatever thread it runs on.
class SimHostContext : public HostObject<Quorvane::IHostClasses>
{
public:
    explicit SimHostContext(HostContextRef host);

    tresult queryInterface(const Quorvane::TUID iid, void** object) override;
    tresult createInstance(const Quorvane::TUID iid, void** object) override;

    // Makes the context refuse IHostClasses (a host the extension cannot work with).
    void setOffersHostClasses(bool offers) { setAnswering(Quorvane::IHostClasses::iid, offers); }
};

} // namespace simhost

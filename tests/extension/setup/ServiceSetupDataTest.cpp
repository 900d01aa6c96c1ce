// The service's user-command pages in the host's preferences: what the pool holds is what the
// synthesizer shows, and the page the user left is written when the host terminates the service.
#include "ServiceHostFixture.h"

using namespace Quorvane;
using namespace servicetest;

TEST_F(ServiceHostTest, TheServiceShowsThePagesThePoolHoldsAndWritesThemBackAtTerminate)
{
    constexpr const char* kSection = "ExtensionSetupData_ZELK";
    host.pool().setInt(kSection, "MemoryIndex", 4);
    host.pool().setText(kSection, "Category4-0", "Edit");
    host.pool().setText(kSection, "Action4-0", "Monitor");
    host.pool().setText(kSection, "DisplayName4-0", "Play");
    host.pool().setInt("ZELK Extension Settings", "JogStop", 0);
    start({kVirluxInstrument});
    EXPECT_EQ(device()->SFPageIndex(), 4);
    EXPECT_EQ(display().buttons, (std::array<std::string, 6>{"Play", "ShwAUA", "HidAAu", "MixDn", "Mixer", "NewVer"}));
    EXPECT_FALSE(device()->JogStopSetting());
    panel("press f1");
    EXPECT_EQ(host.actions().performed(), std::vector<std::string>{"Edit/Monitor"});

    panel("press sfbank2");
    ASSERT_EQ(service->terminate(), kResultOk);
    int32 page = -1;
    EXPECT_TRUE(host.pool().getInt(kSection, "MemoryIndex", &page));
    EXPECT_EQ(page, 1);
    EXPECT_STREQ(host.pool().getText(kSection, "DisplayName1-3"), "List");
    // Released after terminate, the service writes nothing more: the pool may be gone by then.
    host.pool().clear();
    service->release();
    service = nullptr;
    EXPECT_FALSE(host.pool().contains(kSection, "MemoryIndex"));
}

// Setup files from the fuzzer's bytes through the setup data's loader and the host's XML parser. A
// refused file must leave every page as it was; an accepted one must write out and read back the same.
#include "CExtSetupInfo.h"
#include "DAWInfo.h"
#include "SimHost.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace Quorvane;

namespace {

constexpr int kPages = 6;
constexpr int kButtons = 6;
const char* const kButtonNames[kButtons] = {"SF1", "SF2", "SF3", "SF4", "SF5", "SF6"};
const char* const kPageNames[kPages] = {"Project Setup", "Project Window", "MIDI", "Audio", "Mix", "---"};

// A file in memory that the XML writer writes to.
class MemoryStream : public simhost::HostObject<IStream>
{
public:
    explicit MemoryStream(simhost::HostContextRef host) : HostObject(std::move(host), "MemoryStream") {}
    tresult read(void*, int32, int32*) override { return kResultFalse; }
    tresult write(const void* buffer, int32 size, int32* written) override
    {
        bytes.append(static_cast<const char*>(buffer), static_cast<std::size_t>(size));
        if (written)
            *written = size;
        return kResultOk;
    }
    std::string bytes;
};

struct Setup
{
    Setup() : dawInfo(&host.application())
    {
        SUserCommandInfo defaults[kPages * kButtons];
        for (int row = 0; row < kPages * kButtons; ++row)
            defaults[row] = {"Category", "Action " + std::to_string(row), "Name"};
        info.Initialize(host.context(), "ZELK", kPages, kButtons, kButtonNames, kPageNames, defaults);
        info.SetInfoForFile("Telvor ZELK6/ZELK8", "1.0.2", &dawInfo);
        info.AddLoadableModelName("Telvor BRAM6/BRAM8");
    }

    std::string snapshot()
    {
        std::string text;
        for (int page = 0; page < kPages; ++page) {
            info.SetPageIndex(page);
            text += info.GetCurrentPageName() + '\n';
            for (int button = 0; button < kButtons; ++button)
                text += info.GetCategoryName(button) + '\t' + info.GetActionName(button) + '\t' +
                        info.GetDisplayName(button) + '\n';
        }
        info.SetPageIndex(0);
        return text;
    }

    bool load(std::string bytes)
    {
        auto stream = simhost::HostRef<IStream>::adopt(
            simhost::makeHostObject<simhost::SimFileStream>(host.registry().shared_from_this(), std::move(bytes)));
        return info.LoadFromStream(stream.get());
    }

    simhost::SimHost host;
    DAWInfo dawInfo;
    CExtSetupInfo info;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    const std::string before = setup.snapshot();
    if (!setup.load(std::string(reinterpret_cast<const char*>(data), size))) {
        if (setup.snapshot() != before)
            std::abort(); // a refused file changed the pages
        return 0;
    }
    const std::string loaded = setup.snapshot();
    auto written = simhost::HostRef<MemoryStream>::adopt(
        simhost::makeHostObject<MemoryStream>(setup.host.registry().shared_from_this()));
    auto writer = createRef<IXmlWriter>(setup.host.context());
    if (!writer || writer->attach(written.get()) != kResultOk)
        std::abort();
    if (!setup.info.WriteCmdInfoToXml(writer.get()))
        std::abort(); // what was accepted cannot be written
    if (!setup.load(written->bytes) || setup.snapshot() != loaded)
        std::abort(); // what was accepted does not come back as it was
    return 0;
}

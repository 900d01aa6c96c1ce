// Random records from "the synthesizer" into a live memory: the decoder must never read past a record,
// never leave a control character in a name, and never break the memory it writes into.
#include "MessageDecoder.h"
#include "MessageSender.h"
#include "RemoteMemAPI.h"
#include "SysExParamChangeAddressTransTable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Stands in for the encoder: every pass finds its queue empty, so acknowledges and footers reach the
// completion paths.
class NullSender : public MessageSender
{
public:
    bool enqueueParamChange(const ParamAddress&, int) override { return true; }
    bool enqueueParamChange(const ParamAddress&, const QString&) override { return true; }
    bool sendMessage(bool* wasEmpty) override
    {
        if (wasEmpty)
            *wasEmpty = true;
        return true;
    }
    bool sendHardWareDataReq(bool) override { return true; }
    void clearTransmitQueue(bool) override {}
};

const unsigned char kReceiveModel[3] = {0x7F, 0x1C, 0x01};

bool clean(const QString& text, int maxLength)
{
    if (text.size() > maxLength)
        return false;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

void checkTemplate(RemoteMemAPI& api, int bank, int t)
{
    bool ok = clean(api.getParamQString(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1)), 13) &&
              clean(api.getParamQString(ParamAddress(bank, t, ParamAddress::kQPXiNameController, -1)), 12);
    for (int k = 0; ok && k < 12; ++k) {
        ok = clean(api.getParamQString(ParamAddress(bank, t, k, ParamAddress::kDisplayNameParam)), 15) &&
             api.getParamQString(ParamAddress(bank, t, k, ParamAddress::kRemoteNumberParam)).size() <= 9;
    }
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NullSender sender;
    static SysExParamChangeAddressTransTable table;
    static RemoteMemAPI* api = [] {
        auto* service = new RemoteMemAPI;
        while (service->getQuantityOfBank() < 9)
            service->createBank();
        service->setMessageSender(&sender);
        return service;
    }();
    if (size == 0)
        return 0;

    // The first byte sets the scene: bulk reception, ONLINE, waiting transfers, counters in flight.
    const std::uint8_t scene = data[0];
    MessageDecoder decoder(&table, kReceiveModel, 5, api, 6);
    api->setTransmitCounters(&decoder);
    if (scene & 1)
        api->sendHardWareDataReq(false);
    else
        api->revokeReceivedBulk();
    api->setONLINEstate((scene & 2) ? 1 : 0);
    api->setWaitingBulkReceive((scene & 4) != 0);
    api->setWaitingBulkTransmit((scene & 4) != 0);
    for (int i = 0; i < ((scene >> 3) & 3); ++i) {
        api->incrementTransmitedBulkCounter();
        api->incrementTransmitedBulkReqCounter();
    }
    if (scene & 0x20)
        api->setParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1), long(scene & 0x1F));

    // Records end at each F7; each is copied into a buffer of its own size, so a read past it is caught.
    std::size_t start = 1;
    for (std::size_t i = 1; i <= size; ++i) {
        if (i < size && data[i] != 0xF7)
            continue;
        const std::size_t end = i < size ? i + 1 : size;
        if (end > start) {
            std::vector<unsigned char> record(data + start, data + end);
            tagMPEVENT event{};
            event.type = (scene & 0x40) ? MPEV_SYSEXCONT : MPEV_SYSEX;
            event.length = static_cast<std::int32_t>(record.size());
            event.longData = record.data();
            decoder.Process(event);
        }
        start = end;
    }
    api->setTransmitCounters(nullptr);

    const int current =
        api->getParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1)).getCurrentValue();
    if (current < 0 || current > 49)
        __builtin_trap();
    checkTemplate(*api, 0, current);
    checkTemplate(*api, 2, int(size % 50));
    checkTemplate(*api, 3, int(size % 50));
    return 0;
}

#pragma once

#include "MessageProcessor.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace kwtest {

// Keeps a copy of every record it is given, with the bytes of long records.
class RecordingProcessor : public MessageProcessor
{
public:
    RecordingProcessor(long port, int filterType) : MessageProcessor(port, nullptr, filterType) {}
    bool Process(tagMPEVENT& record) override
    {
        Received r{record, {}};
        if (isLongEvent(record) && record.longData && record.length > 0)
            r.bytes.assign(record.longData, record.longData + record.length);
        onProcess();
        std::lock_guard<std::mutex> lock(mutex);
        received.push_back(std::move(r));
        return true;
    }
    virtual void onProcess() {}
    size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return received.size();
    }
    struct Received
    {
        tagMPEVENT record;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Received> taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }

private:
    std::mutex mutex;
    std::vector<Received> received;
};

} // namespace kwtest

#pragma once

#include "TMIDITransport.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kwtest {

// A record as a listener copies it: the short data bytes, or a long record's bytes behind F0/F7.
struct Received {
    std::uint32_t type = 0;
    int channel = 0;
    int length = 0;
    std::vector<std::uint8_t> bytes;
    std::thread::id thread;
};

// Keeps every record it is given; an optional hook runs first (to block the delivery thread).
class RecordingListener : public TMIDIReaderRefConInterface
{
public:
    void midiIn(tagMPEVENT* record) override
    {
        if (hook)
            hook(*record);
        Received got;
        got.type = record->type;
        got.channel = record->channel;
        got.length = record->length;
        got.thread = std::this_thread::get_id();
        if (isLongEvent(*record))
            got.bytes.assign(record->longData, record->longData + record->length);
        else
            got.bytes.assign(record->data, record->data + 4);
        std::lock_guard<std::mutex> lock(mutex);
        records.push_back(std::move(got));
    }
    std::vector<Received> taken()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return records;
    }
    std::size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return records.size();
    }

    std::function<void(const tagMPEVENT&)> hook;

private:
    std::mutex mutex;
    std::vector<Received> records;
};

// The transport's parser and delivery without any MIDI system: bytes go in through read().
class ParserHarness : public TMIDITransport
{
public:
    explicit ParserHarness(TMIDIReaderRefConInterface* listener)
    {
        setListener(listener);
        startPusherThread();
    }
    ~ParserHarness() override { stopPusherThread(); }
    bool openInput(int, TMIDIReaderRefConInterface*, int) override { return false; }
    void closeInput() override {}
    bool openOutput(int) override { return false; }
    void closeOutput() override {}
    bool outputData(int, unsigned char*, unsigned long) override { return false; }

    void feed(const std::vector<std::uint8_t>& chunk) { read(static_cast<int>(chunk.size()), chunk.data()); }
};

} // namespace kwtest

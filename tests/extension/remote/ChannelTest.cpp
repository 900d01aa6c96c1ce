#include "CNfunction.h"
#include "ExtensionMessages.h"
#include "ExtensionThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
constexpr auto kDeadline = 10s;

// Collects what a worker hands over and owns it; any thread.
class Collector : public IReceiver, public ISender
{
public:
    ~Collector()
    {
        for (unsigned char* m : m_messages)
            ExtensionMessage::freeMessage(m);
    }
    void storeExtensionMessage(unsigned char* message) override { take(message, m_received); }
    void SendExtensionMessage(unsigned char* message) override { take(message, m_sent); }
    void SendSonvikReady() override {}

    // Waits until count messages arrived; false when the deadline passed first.
    bool waitFor(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_condition.wait_for(lock, kDeadline, [&] { return m_messages.size() >= count; });
    }
    std::size_t received()
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    std::size_t sent()
    {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    // Value byte of each message in arrival order.
    std::vector<int> values()
    {
        std::lock_guard lock(m_mutex);
        std::vector<int> v;
        for (unsigned char* m : m_messages)
            v.push_back(m[9]);
        return v;
    }

private:
    void take(unsigned char* message, std::size_t& counter)
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(message);
        ++counter;
        m_condition.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_condition;
    std::vector<unsigned char*> m_messages;
    std::size_t m_received = 0;
    std::size_t m_sent = 0;
};

unsigned char* turn(int value)
{
    return ExtensionMessage::buildKnobTurn(0, value & 0x7F);
}

} // namespace

TEST(MessageChannel, DeliversMessagesPostedBeforeTheWorkerStartedInOrder)
{
    CNfunction channel("Test");
    ASSERT_TRUE(channel.isUsable());
    EXPECT_STREQ(channel.name(), "Test");
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(channel.post(turn(i)));
    Collector collector;
    ReceiveWorker worker;
    ASSERT_TRUE(worker.begin(&collector, channel));
    EXPECT_FALSE(worker.begin(&collector, channel)) << "a second worker on one channel";
    ASSERT_TRUE(collector.waitFor(5)) << "the queued messages were not delivered";
    EXPECT_EQ(collector.values(), (std::vector<int>{1, 2, 3, 4, 5}));
    for (int i = 6; i <= 105; ++i)
        channel.post(turn(i));
    ASSERT_TRUE(collector.waitFor(105)) << "messages posted while running were not delivered";
    std::vector<int> expected;
    for (int i = 1; i <= 105; ++i)
        expected.push_back(i & 0x7F);
    EXPECT_EQ(collector.values(), expected);
    worker.end();
    EXPECT_FALSE(worker.isRunning());
    EXPECT_EQ(channel.pendingCount(), 0);
}

TEST(MessageChannel, StoppingWithQueuedMessagesDeliversNoneAndTheChannelFreesThem)
{
    auto* channel = new CNfunction("Stopped");
    Collector collector;
    ReceiveWorker worker;
    ASSERT_TRUE(worker.begin(&collector, *channel));
    {
        // Queue under the channel's lock and ask for the stop before the worker can drain.
        Quorvane::FGuard guard(channel->lock());
        channel->queue().add(turn(1));
        channel->queue().add(turn(2));
        channel->requestStop();
    }
    EXPECT_EQ(worker.end(), 2);
    EXPECT_EQ(collector.received(), 0u);
    EXPECT_EQ(channel->pendingCount(), 0);
    // A message posted to a channel nobody drains stays there until the channel goes.
    EXPECT_TRUE(channel->post(turn(3)));
    EXPECT_EQ(channel->pendingCount(), 1);
    delete channel; // frees it
}

TEST(MessageChannel, StopsItsWorkerWhileOtherThreadsKeepPosting)
{
    CNfunction channel("Busy");
    Collector collector;
    ReceiveWorker worker;
    ASSERT_TRUE(worker.begin(&collector, channel));

    constexpr int kProducers = 4;
    constexpr int kEach = 3000;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&channel] {
            for (int i = 0; i < kEach; ++i)
                channel.post(turn(i));
        });
    ASSERT_TRUE(collector.waitFor(100)) << "nothing was delivered while producers posted";
    const std::size_t discarded = static_cast<std::size_t>(worker.end());
    for (std::thread& t : producers)
        t.join();
    const std::size_t postedAfterStop = static_cast<std::size_t>(channel.pendingCount());
    EXPECT_EQ(collector.received() + discarded + postedAfterStop, static_cast<std::size_t>(kProducers * kEach));

    // A new worker on the same channel takes up what was posted after the stop.
    const std::size_t before = collector.received();
    ASSERT_TRUE(worker.begin(&collector, channel));
    ASSERT_TRUE(collector.waitFor(before + postedAfterStop)) << "the later messages were not delivered";
    worker.end();
}

TEST(MessageChannel, RestartsAndStopsRepeatedly)
{
    CNfunction channel("Restart");
    Collector collector;
    ReceiveWorker worker;
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(worker.begin(&collector, channel));
        channel.post(turn(round));
        if (round % 2 == 0) {
            ASSERT_TRUE(collector.waitFor(static_cast<std::size_t>(round / 2 + 1)));
        }
        worker.end();
        ASSERT_FALSE(worker.isRunning());
    }
}

TEST(MessageChannel, HandsEachMessageToExactlyOneConsumer)
{
    CNfunction channel("One");
    Collector collector;
    ExtensionThread thread;
    thread.SetSenderData(&collector, &channel, true);
    thread.SetReceiverData(&collector, &channel);
    thread.run();
    channel.post(turn(7));
    ASSERT_TRUE(collector.waitFor(1));
    channel.requestStop();
    thread.waitDead();
    EXPECT_EQ(collector.received(), 1u);
    EXPECT_EQ(collector.sent(), 0u);
}

TEST(MessageChannel, WorkerWithoutConsumerFreesWhatItTakes)
{
    CNfunction channel("Nobody");
    ExtensionThread thread;
    thread.SetSenderData(nullptr, &channel, false);
    thread.run();
    channel.post(turn(1));
    channel.post(turn(2));
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (channel.pendingCount() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(channel.pendingCount(), 0);
    channel.requestStop();
    thread.waitDead();
}

TEST(MessageChannel, RefusesNullMessages)
{
    CNfunction channel("Null");
    EXPECT_FALSE(channel.post(nullptr));
    EXPECT_EQ(channel.pendingCount(), 0);
}

TEST(SendingChannels, EachDeviceGetsANewSlotAndEndedSlotsStayEmpty)
{
    const int before = SendingChannels::slotCount();
    Collector first;
    SendWorker firstWorker;
    ASSERT_TRUE(firstWorker.begin(&first));
    EXPECT_EQ(firstWorker.index(), before);
    const std::string firstName = SendingChannels::at(before)->name();
    EXPECT_EQ(firstName, "SysExSending_ZELK_" + std::to_string(before + 1));
    firstWorker.end();
    EXPECT_EQ(SendingChannels::at(before), nullptr);

    Collector second;
    SendWorker secondWorker;
    ASSERT_TRUE(secondWorker.begin(&second));
    EXPECT_EQ(secondWorker.index(), before + 1);
    EXPECT_EQ(std::string(SendingChannels::at(before + 1)->name()),
              "SysExSending_ZELK_" + std::to_string(before + 2));
    EXPECT_EQ(SendingChannels::slotCount(), before + 2);
    const std::vector<unsigned int> open = SendingChannels::openIndices();
    ASSERT_FALSE(open.empty());
    EXPECT_EQ(open.back(), static_cast<unsigned int>(before + 1));
    EXPECT_EQ(std::count(open.begin(), open.end(), static_cast<unsigned int>(before)), 0);

    // Messages for the ended slot or beyond the table are freed, not delivered.
    AddSendMessage(static_cast<unsigned int>(before), ExtensionMessage::buildTrackName("Gone"));
    AddSendMessage(1000000, ExtensionMessage::buildTrackName("Nowhere"));
    AddSendMessage(static_cast<unsigned int>(before + 1), nullptr);
    AddSendMessage(static_cast<unsigned int>(before + 1), ExtensionMessage::buildTrackName("Drums"));
    ASSERT_TRUE(second.waitFor(1)) << "the open device's sender got nothing";
    EXPECT_EQ(second.sent(), 1u);
    EXPECT_EQ(first.sent(), 0u);
    secondWorker.end();
    EXPECT_TRUE(SendingChannels::openIndices().empty() ||
                SendingChannels::openIndices().back() < static_cast<unsigned int>(before));
}

TEST(SendingChannels, EndingADeviceWhileTheServicePostsLosesNothingAndLeaksNothing)
{
    Collector device;
    SendWorker worker;
    ASSERT_TRUE(worker.begin(&device));
    const unsigned int index = static_cast<unsigned int>(worker.index());
    std::thread service([index] {
        for (int i = 0; i < 5000; ++i)
            AddSendMessage(index, ExtensionMessage::buildKnobName(i % 24, "Cutoff"));
    });
    ASSERT_TRUE(device.waitFor(10));
    worker.end();
    service.join();
    EXPECT_GE(device.sent(), 10u);
}

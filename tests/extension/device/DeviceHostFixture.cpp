#include "DeviceHostFixture.h"

#include "ExtensionState.h"
#include "ZELK_Detect.h"

#include <thread>

using namespace Quorvane;

namespace devicetest {

void RecordingReceiver::storeExtensionMessage(unsigned char* message)
{
    const std::size_t length = ExtensionMessage::messageLength(message);
    const Bytes bytes(message, message + length);
    ExtensionMessage::freeMessage(message);
    std::function<void(const Bytes&)> listener;
    {
        std::lock_guard lock(m_mutex);
        listener = m_listener;
    }
    if (listener)
        listener(bytes);
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(bytes);
    }
    m_arrived.notify_all();
}

void RecordingReceiver::setListener(std::function<void(const Bytes&)> listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

std::vector<Bytes> RecordingReceiver::messages()
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

bool RecordingReceiver::waitForCount(std::size_t count, std::chrono::milliseconds deadline)
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, deadline, [&] { return m_messages.size() >= count; });
}

void RecordingReceiver::clear()
{
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

void DeviceHostTest::SetUp()
{
    g_isRemoteInstalled = false;
    IPluginFactory* factory = GetPluginFactory();
    ASSERT_TRUE(host.attach(factory));
    factory->release();
    giveHostClasses();
    ASSERT_TRUE(receiveWorker.begin(&received));
    synth = std::make_unique<simhost::SimSynthPorts>(host.ports(), kRemoteDeviceName);
}

void DeviceHostTest::TearDown()
{
    host.unload();
    receiveWorker.end();
    takeHostClassesBack();
    EXPECT_TRUE(host.thread().violations().empty());
}

void DeviceHostTest::giveHostClasses()
{
    takeHostClassesBack();
    gpHostClasses = simhost::queryHost<IHostClasses>(host.context());
}

void DeviceHostTest::takeHostClassesBack()
{
    if (gpHostClasses)
        gpHostClasses->release();
    gpHostClasses = nullptr;
}

tresult DeviceHostTest::detect()
{
    auto* detector = static_cast<IPluginBase*>(host.createInstance(kZELK_Detect_cid, IPluginBase::iid));
    if (!detector)
        return kNoInterface;
    detector->initialize(host.context());
    IDetector* detection = simhost::queryHost<IDetector>(detector);
    const tresult result = detection ? detection->detect() : kNoInterface;
    if (detection)
        detection->release();
    detector->terminate();
    detector->release();
    return result;
}

simhost::SimRemoteDevice* DeviceHostTest::installDevice(bool open)
{
    if (detect() != kResultOk || host.remoteDevices().empty())
        return nullptr;
    simhost::SimRemoteDevice* device = host.remoteDevices().back();
    if (open)
        device->open();
    return device;
}

ZELK_HWRemote* DeviceHostTest::extensionDevice(simhost::SimRemoteDevice* device) const
{
    return device ? static_cast<ZELK_HWRemote*>(device->remote()) : nullptr;
}

void DeviceHostTest::idle(int turns, int step)
{
    for (int i = 0; i < turns; ++i) {
        host.clock().advance(step);
        host.idle();
    }
}

Bytes DeviceHostTest::sysex(std::initializer_list<int> bytes)
{
    Bytes out;
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

} // namespace devicetest

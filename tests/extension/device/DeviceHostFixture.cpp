#include "DeviceHostFixture.h"

#include "SimSynthCommands.h"
#include "ZELK_Detect.h"

#include <thread>

using namespace Quorvane;

namespace devicetest {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void RecordingReceiver::storeExtensionMessage(unsigned char* message)
{
    const std::size_t length = ExtensionMessage::messageLength(message);
    {
        std::lock_guard lock(m_mutex);
        m_messages.emplace_back(message, message + length);
    }
    ExtensionMessage::freeMessage(message);
    m_arrived.notify_all();
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

WiredSynth::WiredSynth(simhost::SimPortRegistry& ports, const std::string& deviceName)
    : m_core([] {
          zelksim::SynthOptions options;
          options.senseInterval = 0;
          return options;
      }())
{
    for (int port = 1; port <= zelksim::kPortCount; ++port) {
        const std::string name = deviceName + " Port" + std::to_string(port);
        const std::u16string name16(name.begin(), name.end());
        m_inputs.push_back(ports.addPort(name16, true));
        simhost::SimPort* output = ports.addPort(name16, false);
        output->setSink([this, port](const Bytes& bytes) {
            std::lock_guard lock(m_mutex);
            m_core.receive(port, bytes, 0);
            return true;
        });
        m_outputs.push_back(output);
    }
}

zelksim::CommandResult WiredSynth::command(const std::string& line)
{
    zelksim::CommandResult result;
    {
        std::lock_guard lock(m_mutex);
        result = zelksim::runCommand(m_core, line, 0);
    }
    pump();
    return result;
}

void WiredSynth::pump()
{
    std::vector<zelksim::OutMessage> out;
    {
        std::lock_guard lock(m_mutex);
        out = m_core.poll(0);
    }
    for (const zelksim::OutMessage& m : out)
        if (m.port >= 1 && m.port <= zelksim::kPortCount)
            input(m.port)->inject(m.bytes);
}

zelksim::RemoteDisplay WiredSynth::display()
{
    std::lock_guard lock(m_mutex);
    return m_core.display();
}

void DeviceHostTest::SetUp()
{
    g_isRemoteInstalled = false;
    IPluginFactory* factory = GetPluginFactory();
    ASSERT_TRUE(host.attach(factory));
    factory->release();
    service = static_cast<IPluginBase*>(host.createInstance(kZELK_KDX_cid, IPluginBase::iid));
    ASSERT_NE(service, nullptr);
    ASSERT_EQ(service->initialize(host.context()), kResultOk);
    ASSERT_TRUE(receiveWorker.begin(&received));
    synth = std::make_unique<WiredSynth>(host.ports());
}

void DeviceHostTest::TearDown()
{
    host.unload();
    receiveWorker.end();
    if (service) {
        service->terminate();
        service->release();
    }
    EXPECT_TRUE(host.thread().violations().empty());
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

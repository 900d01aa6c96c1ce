#include "detail/RtMidiClient.h"

#include "detail/CallbackGate.h"
#include "detail/ReceivedLog.h"

#include <RtMidi.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <unistd.h>

namespace kwmidi::detail {

namespace {

constexpr const char* kAlsaSequencerDevice = "/dev/snd/seq";

// RtMidi reports through this instead of throwing once it is set. Debug lines are no failures.
struct ErrorFlag
{
    std::atomic<bool> failed{false};
};

void recordError(RtMidiError::Type type, const std::string&, void* userData)
{
    if (type != RtMidiError::DEBUG_WARNING)
        static_cast<ErrorFlag*>(userData)->failed.store(true);
}

// Makes an RtMidi object on the ALSA sequencer whose errors set flag; null when the system refuses. An
// input asks for every kind of message: RtMidi drops SysEx, timing and active sensing unless told
// otherwise.
template <class T> std::unique_ptr<T> makeRtMidi(const std::string& clientName, ErrorFlag& flag)
{
    try {
        auto object = std::make_unique<T>(RtMidi::LINUX_ALSA, clientName);
        object->setErrorCallback(recordError, &flag);
        if constexpr (std::is_same_v<T, RtMidiIn>)
            object->ignoreTypes(false, false, false);
        // Connects a lazily made client, so that a vanished server shows before any port is made.
        object->getPortCount();
        if (flag.failed.load())
            return nullptr;
        return object;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

// The RtMidi number of a port named name in object's own list, or -1.
template <class T> int findPort(T& object, const std::string& name)
{
    const unsigned count = object.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (object.getPortName(i) == name)
            return static_cast<int>(i);
    }
    return -1;
}

// Connects object (an input listening to, or an output sending to, the system port named name) and
// tells whether the connection stands. RtMidi opens by list position, so the name at that position is
// checked again once the port is open: other programs may have added or removed ports meanwhile.
template <class T> bool openLink(T& object, const ErrorFlag& errors, const std::string& name)
{
    constexpr bool input = std::is_same_v<T, RtMidiIn>;
    const char* label = input ? "Input port" : "Output port";
    try {
        const int number = findPort(object, name);
        if (number < 0 || errors.failed.load())
            return false;
        object.openPort(static_cast<unsigned>(number), label);
        return !errors.failed.load() && object.isPortOpen() &&
               object.getPortName(static_cast<unsigned>(number)) == name;
    } catch (const RtMidiError&) {
        return false;
    }
}

// Ends an RtMidi object and the state its callback uses. From inside that callback the object
// cannot be closed (closing waits for the callback's thread), so another thread does it.
template <class T, class State>
void retire(std::unique_ptr<T> object, std::shared_ptr<State> state, bool insideCallback)
{
    if (insideCallback) {
        std::thread([object = std::move(object), state = std::move(state)]() mutable {
            object.reset();
            state.reset();
        }).detach();
        return;
    }
    object.reset();
    state.reset();
}

// A receive callback behind its gate, with what our own destinations keep.
struct InputState
{
    CallbackGate gate;
    std::mutex callbackMutex;
    ReceiveCallback callback;
    ReceivedLog log;
    bool keepLog = false;
    ErrorFlag errors;
};

void onMessage(double, std::vector<unsigned char>* message, void* userData)
{
    auto* state = static_cast<InputState*>(userData);
    if (!message || message->empty())
        return;
    if (state->keepLog)
        state->log.add(message->data(), message->size());
    state->gate.run([&] {
        ReceiveCallback callback;
        {
            std::lock_guard<std::mutex> lock(state->callbackMutex);
            callback = state->callback;
        }
        if (callback)
            callback(message->data(), message->size());
    });
}

// Makes an input whose messages go to state; null when it cannot be made.
std::unique_ptr<RtMidiIn> makeInput(const std::string& clientName, InputState& state)
{
    auto input = makeRtMidi<RtMidiIn>(clientName, state.errors);
    if (input)
        input->setCallback(onMessage, &state);
    return input;
}

// An RtMidi output and the flag its errors set; sends from one thread at a time.
struct Sender
{
    std::unique_ptr<ErrorFlag> errors;
    std::unique_ptr<RtMidiOut> output;

    bool send(const std::uint8_t* bytes, std::size_t length)
    {
        if (length == 0)
            return false;
        errors->failed.store(false);
        try {
            output->sendMessage(bytes, length);
        } catch (const RtMidiError&) {
            return false;
        }
        return !errors->failed.load();
    }
};

// An RtMidi input and the state its callback uses. Ending it disconnects: no callback runs after.
struct Listening
{
    std::unique_ptr<RtMidiIn> input;
    std::shared_ptr<InputState> state;

    Listening(std::unique_ptr<RtMidiIn> in, std::shared_ptr<InputState> st) : input(std::move(in)), state(std::move(st))
    {
    }
    ~Listening()
    {
        const bool inside = state->gate.close();
        retire(std::move(input), std::move(state), inside);
    }
};

// Listens to one of the system's sources; on the owner's thread, callbacks on RtMidi's.
class RtMidiInput : public InputConnection
{
public:
    RtMidiInput(std::unique_ptr<RtMidiIn> input, std::shared_ptr<InputState> state)
        : m_listening(std::move(input), std::move(state))
    {
    }

private:
    Listening m_listening;
};

// Sends to one of the system's destinations; one thread at a time.
class RtMidiOutput : public OutputConnection
{
public:
    explicit RtMidiOutput(Sender sender) : m_sender(std::move(sender)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override { return m_sender.send(bytes, length); }

private:
    Sender m_sender;
};

// A port of our own that others listen to; the system decides how it is chunked.
class RtMidiSource : public PublishedSource
{
public:
    explicit RtMidiSource(Sender sender) : m_sender(std::move(sender)) {}
    bool send(const std::uint8_t* bytes, std::size_t length) override { return m_sender.send(bytes, length); }
    void setChunking(const Chunking&) override {}
    void releaseHeld() override {}
    bool waitUntilDelivered(std::chrono::milliseconds) override { return true; }

private:
    Sender m_sender;
};

// A port of our own that others send to.
class RtMidiDestination : public PublishedDestination
{
public:
    RtMidiDestination(std::unique_ptr<RtMidiIn> input, std::shared_ptr<InputState> state)
        : m_state(state), m_listening(std::move(input), std::move(state))
    {
    }
    void setReceiveCallback(ReceiveCallback callback) override
    {
        std::lock_guard<std::mutex> lock(m_state->callbackMutex);
        m_state->callback = std::move(callback);
    }
    std::vector<std::vector<std::uint8_t>> receivedChunks() const override { return m_state->log.chunks(); }
    std::vector<std::uint8_t> receivedBytes() const override { return m_state->log.bytes(); }
    std::vector<std::chrono::steady_clock::time_point> receivedTimes() const override { return m_state->log.times(); }
    void clearReceived() override { m_state->log.clear(); }
    bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline) const override
    {
        return m_state->log.waitForBytes(count, deadline);
    }
    void setRefusing(bool) override {}

private:
    std::shared_ptr<InputState> m_state;
    Listening m_listening;
};

} // namespace

bool RtMidiClient::hasAlsaSequencer()
{
    // RtMidi throws when it cannot open the sequencer.
    if (::access(kAlsaSequencerDevice, R_OK | W_OK) != 0)
        return false;
    try {
        RtMidiIn probe(RtMidi::LINUX_ALSA, kLinkClientName);
        return true;
    } catch (const RtMidiError&) {
        return false;
    }
}

bool RtMidiClient::isAvailable()
{
    return true;
}

std::string RtMidiClient::systemName()
{
    return "ALSA sequencer";
}

std::vector<std::string> RtMidiClient::systemPortNames(bool sources)
{
    std::vector<std::string> names;
    {
        ErrorFlag errors;
        auto collect = [&](auto& lister) {
            const unsigned count = lister.getPortCount();
            for (unsigned i = 0; i < count && !errors.failed.load(); ++i)
                names.push_back(lister.getPortName(i));
        };
        try {
            if (sources) {
                if (auto lister = makeRtMidi<RtMidiIn>(kLinkClientName, errors))
                    collect(*lister);
            } else if (auto lister = makeRtMidi<RtMidiOut>(kLinkClientName, errors)) {
                collect(*lister);
            }
        } catch (const RtMidiError&) {
            names.clear();
        }
        if (errors.failed.load())
            names.clear();
    }
    std::erase_if(names, [&](const std::string& name) { return name.empty() || isLinkPort(name, PortNaming::Alsa); });
    return names;
}

std::vector<EndpointInfo> RtMidiClient::endpoints(bool sources)
{
    std::vector<std::string> names = systemPortNames(sources);
    std::vector<EndpointInfo> list;
    for (const std::string& name : names)
        list.push_back(splitSystemPortName(name, PortNaming::Alsa));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listed[sources ? 0 : 1] = std::move(names);
    m_haveListed[sources ? 0 : 1] = true;
    return list;
}

std::string RtMidiClient::listedPortName(bool sources, int index)
{
    const int which = sources ? 0 : 1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_haveListed[which])
            m_listed[which] = systemPortNames(sources);
        m_haveListed[which] = true;
        if (index >= 0 && static_cast<std::size_t>(index) < m_listed[which].size())
            return m_listed[which][static_cast<std::size_t>(index)];
    }
    return std::string();
}

std::vector<EndpointInfo> RtMidiClient::sources()
{
    return endpoints(true);
}

std::vector<EndpointInfo> RtMidiClient::destinations()
{
    return endpoints(false);
}

std::unique_ptr<InputConnection> RtMidiClient::connectSource(int index, ReceiveCallback callback)
{
    const std::string name = listedPortName(true, index);
    if (name.empty())
        return nullptr;
    auto state = std::make_shared<InputState>();
    state->callback = std::move(callback);
    auto input = makeInput(kLinkClientName, *state);
    if (!input)
        return nullptr;
    if (!openLink(*input, state->errors, name))
        return nullptr;
    return std::make_unique<RtMidiInput>(std::move(input), std::move(state));
}

std::unique_ptr<OutputConnection> RtMidiClient::openDestination(int index)
{
    const std::string name = listedPortName(false, index);
    if (name.empty())
        return nullptr;
    auto errors = std::make_unique<ErrorFlag>();
    auto output = makeRtMidi<RtMidiOut>(kLinkClientName, *errors);
    if (!output)
        return nullptr;
    if (!openLink(*output, *errors, name))
        return nullptr;
    return std::make_unique<RtMidiOutput>(Sender{std::move(errors), std::move(output)});
}

std::unique_ptr<PublishedSource> RtMidiClient::createSource(const std::string& deviceName,
                                                            const std::string& endpointName)
{
    auto errors = std::make_unique<ErrorFlag>();
    auto output = makeRtMidi<RtMidiOut>(deviceName, *errors);
    if (!output)
        return nullptr;
    try {
        output->openVirtualPort(endpointName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (errors->failed.load())
        return nullptr;
    return std::make_unique<RtMidiSource>(Sender{std::move(errors), std::move(output)});
}

std::unique_ptr<PublishedDestination> RtMidiClient::createDestination(const std::string& deviceName,
                                                                      const std::string& endpointName)
{
    auto state = std::make_shared<InputState>();
    state->keepLog = true;
    auto input = makeInput(deviceName, *state);
    if (!input)
        return nullptr;
    try {
        input->openVirtualPort(endpointName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (state->errors.failed.load())
        return nullptr;
    return std::make_unique<RtMidiDestination>(std::move(input), std::move(state));
}

} // namespace kwmidi::detail

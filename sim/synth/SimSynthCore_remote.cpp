// The synthesizer's side of the DAW extension's protocol on its remote port: the messages it takes onto
// its display, the template data it tells the extension, and its panel's knobs and buttons as MIDI.
#include "SimSynthCore.h"

#include <algorithm>
#include <cstring>

namespace zelksim {

namespace {

constexpr std::size_t kHeaderSize = 7;
constexpr std::size_t kDataStart = 9;
constexpr std::uint8_t kKnobAddressBase = 0x30;
constexpr std::uint8_t kKnobName = 0x09;
constexpr std::uint8_t kKnobValue = 0x21;
constexpr std::uint8_t kKnobIdentifier = 0x00;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::size_t kIdentifierSize = 9;
// The record of a knob without a template assignment: identifier space 2, "no parameter".
constexpr std::string_view kNoParameter = "200000000";

// Every message the extension sends, by address, with the length the protocol gives it.
struct Expected
{
    std::uint8_t first;
    std::uint8_t last; // first address byte range
    std::uint8_t second;
    std::size_t length;
    const char* what;
};

constexpr Expected kExpected[] = {
    {0x56, 0x56, 0x01, 10, "extension running"},   {0x30, 0x47, kKnobName, 34, "knob name"},
    {0x30, 0x47, kKnobValue, 20, "knob value"},    {0x50, 0x50, 0x00, 22, "instrument name"},
    {0x60, 0x60, 0x00, 34, "track name"},          {0x62, 0x62, 0x00, 26, "page name"},
    {0x63, 0x63, 0x00, 11, "program-change mode"}, {0x61, 0x61, 0x00, 16, "button name"},
    {0x61, 0x61, 0x06, 16, "button name"},         {0x61, 0x61, 0x0C, 16, "button name"},
    {0x61, 0x61, 0x12, 16, "button name"},         {0x61, 0x61, 0x18, 16, "button name"},
    {0x61, 0x61, 0x1E, 16, "button name"},
};

std::string textOf(std::span<const std::uint8_t> bytes)
{
    std::string s(bytes.begin(), bytes.end());
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// A relative turn as the synthesizer encodes it: n steps clockwise as n, counter-clockwise as 64 + n.
std::optional<std::uint8_t> turnValue(int steps)
{
    if (steps == 0 || steps > kMaxTurnSteps || steps < -kMaxTurnSteps) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(steps > 0 ? steps : 64 - steps);
}

} // namespace

void SynthCore::handleRemoteMessage(std::span<const std::uint8_t> bytes, Millis now)
{
    if (bytes.size() < kDataStart + 1 ||
        !std::equal(kRemoteHeaderToSynth, kRemoteHeaderToSynth + kHeaderSize, bytes.begin())) {
        ++m_stats.ignored; // not the extension's, or our own direction
        return;
    }
    const std::uint8_t a1 = bytes[7];
    const std::uint8_t a2 = bytes[8];
    const Expected* kind = nullptr;
    for (const Expected& e : kExpected) {
        if (a1 >= e.first && a1 <= e.last && a2 == e.second) {
            kind = &e;
        }
    }
    if (!kind) {
        reject("extension message of an unknown address: " + std::to_string(a1) + " " + std::to_string(a2));
        return;
    }
    if (bytes.size() != kind->length) {
        reject(std::string("extension message of a wrong length: ") + kind->what + ", " + std::to_string(bytes.size()) +
               " bytes");
        return;
    }
    const auto data = bytes.subspan(kDataStart, bytes.size() - kDataStart - 1);
    const std::size_t knob = static_cast<std::size_t>(a1 - kKnobAddressBase);
    switch (a1) {
    case 0x56:
        m_display.extensionRunning = true;
        startRemoteMode(now);
        break;
    case 0x50:
        m_display.instrument = textOf(data);
        break;
    case 0x60:
        m_display.track = textOf(data);
        // A track shown anew without an instrument named for it is one the current template fits.
        if (!m_display.track.empty()) {
            showTemplateInstrument();
        }
        break;
    case 0x62:
        m_display.page = textOf(data);
        break;
    case 0x63:
        m_display.programChangeMode = data[0];
        break;
    case 0x61:
        m_display.buttons[static_cast<std::size_t>(a2 / 6)] = textOf(data);
        break;
    default:
        if (a2 == kKnobName) {
            m_display.knobNames[knob] = textOf(data);
        } else {
            m_display.knobValues[knob] = textOf(data.first(8));
        }
        break;
    }
    ++m_display.messagesTaken;
    ++m_stats.extensionMessages;
    publish({SynthEvent::Kind::ExtensionMessage, 0, m_current, a1, a2, kind->what});
    // The extension asks for a template by telling the instrument name: the first template of the edit
    // buffer made for that instrument becomes current, and the current template's data is the answer.
    if (a1 == 0x50) {
        const int t = templateFor(m_display.instrument);
        if (t >= 0 && t != m_current) {
            selectTemplate(t, "by the extension", now);
        } else {
            sendTemplateToExtension(now);
        }
    }
}

int SynthCore::templateFor(const std::string& instrument) const
{
    if (instrument.empty()) {
        return -1;
    }
    for (int t = 0; t < kTemplateCount; ++t) {
        if (textOf(m_edit[static_cast<std::size_t>(t)].bytes(fields::instrumentName())) == instrument) {
            return t;
        }
    }
    return -1;
}

void SynthCore::startRemoteMode(Millis now)
{
    if (!m_display.remoteMode) {
        m_display.remoteMode = true;
        showTemplateInstrument();
        publish({SynthEvent::Kind::RemoteMode, 0, m_current, 0x56, 0x00, "on"});
    }
    sendTemplateToExtension(now);
}

void SynthCore::panelRemote(bool on, Millis now)
{
    const std::uint8_t value = on ? 1 : 0;
    sendRemote(0x56, 0x00, std::span(&value, 1), now);
    if (on) {
        startRemoteMode(now);
    } else if (m_display.remoteMode) {
        m_display.remoteMode = false;
        publish({SynthEvent::Kind::RemoteMode, 0, m_current, 0x56, 0x00, "off"});
    }
}

void SynthCore::sendTemplateToExtension(Millis now)
{
    if (!m_display.remoteMode) {
        return;
    }
    const TemplateImage& t = m_edit[static_cast<std::size_t>(m_current)];
    sendRemote(0x50, 0x00, t.bytes(fields::instrumentName()), now);
    Bytes records;
    for (int k = 0; k < kRemoteKnobCount; ++k) {
        if (k < kKnobCount) {
            const auto id = t.bytes(fields::knobRemoteNumber(k));
            records.insert(records.end(), id.begin(), id.end());
        } else {
            records.insert(records.end(), kNoParameter.begin(), kNoParameter.end());
        }
    }
    sendRemote(0x51, 0x00, records, now);
}

void SynthCore::instrumentNameEdited(Millis now)
{
    showTemplateInstrument();
    // As after a template change: the extension learns which instrument the template is now made for
    // and takes the knobs' identifiers anew.
    sendTemplateToExtension(now);
}

void SynthCore::showTemplateInstrument()
{
    m_display.instrument = textOf(m_edit[static_cast<std::size_t>(m_current)].bytes(fields::instrumentName()));
}

void SynthCore::sendKnobIdentifierToExtension(int knob, Millis now)
{
    if (!m_display.remoteMode || knob < 0 || knob >= kKnobCount) {
        return;
    }
    const auto id = m_edit[static_cast<std::size_t>(m_current)].bytes(fields::knobRemoteNumber(knob));
    sendRemote(static_cast<std::uint8_t>(kKnobAddressBase + knob), kKnobIdentifier, id.first(kIdentifierSize), now);
}

void SynthCore::sendRemote(std::uint8_t address1, std::uint8_t address2, std::span<const std::uint8_t> data, Millis now)
{
    Bytes message(kRemoteHeaderFromSynth, kRemoteHeaderFromSynth + kHeaderSize);
    message.push_back(address1);
    message.push_back(address2);
    for (std::uint8_t b : data) {
        message.push_back(b & 0x7F);
    }
    message.push_back(kSysExEnd);
    send(std::move(message), now, m_options.remotePort);
}

bool SynthCore::panelTurnKnob(int knob, int steps, Millis now)
{
    const auto value = turnValue(steps);
    if (!value || knob < 0 || knob >= kRemoteKnobCount) {
        return false;
    }
    const int cc = knob < kKnobCount ? kAssignableKnobCC + knob : kEQKnobCC + (knob - kKnobCount);
    send(Bytes{kControlChange, static_cast<std::uint8_t>(cc), *value}, now, m_options.remotePort);
    ++m_stats.panelControls;
    publish({SynthEvent::Kind::PanelControl, 0, m_current, static_cast<std::uint8_t>(cc), *value,
             "knob " + std::to_string(knob) + " turned " + std::to_string(steps)});
    return true;
}

bool SynthCore::panelTurnDial(int steps, Millis now)
{
    const auto value = turnValue(steps);
    if (!value) {
        return false;
    }
    send(Bytes{kControlChange, static_cast<std::uint8_t>(kDataDialCC), *value}, now, m_options.remotePort);
    ++m_stats.panelControls;
    publish(
        {SynthEvent::Kind::PanelControl, 0, m_current, kDataDialCC, *value, "dial turned " + std::to_string(steps)});
    return true;
}

bool SynthCore::panelButton(std::string_view name, bool down, Millis now)
{
    const auto note = buttonNote(name);
    if (!note) {
        return false;
    }
    const std::uint8_t velocity = down ? 127 : 0;
    send(Bytes{kNoteOn, static_cast<std::uint8_t>(*note), velocity}, now, m_options.remotePort);
    ++m_stats.panelControls;
    publish({SynthEvent::Kind::PanelControl, 0, m_current, static_cast<std::uint8_t>(*note), velocity,
             std::string(name) + (down ? " pressed" : " let go")});
    return true;
}

} // namespace zelksim

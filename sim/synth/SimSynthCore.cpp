#include "SimSynthCore.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <utility>

namespace zelksim {

namespace {

std::string hex(std::span<const std::uint8_t> bytes, std::size_t limit = 16)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", bytes[i]);
        s += buf;
    }
    if (bytes.size() > limit) {
        s += "...";
    } else if (!s.empty()) {
        s.pop_back();
    }
    return s;
}

bool validArea(std::uint8_t area)
{
    return area == kAreaStored || area == kAreaEditBuffer;
}

bool validTemplate(int t)
{
    return t >= 0 && t < kTemplateCount;
}

// A field as the caller named it must be one of the template's fields, not any address range.
bool isField(FieldRef field)
{
    const auto located = fields::locate(field.mid, field.start);
    return located && located->position == 0 && located->field == field;
}

// The parameter identifier of a knob: the one text that travels whole in a single parameter change.
bool isRemoteNumber(FieldRef field)
{
    return field.text && field.mid != 0x00 && field.start == 0;
}

// A knob's display format: 0 or 1.
bool isDisplayFormat(FieldRef field)
{
    return field == fields::knobDisplayFormat(blockForAddressMid(field.mid) - 1) && field.mid != 0x00;
}
constexpr int kMaxDisplayFormat = 1;

int knobOf(FieldRef field)
{
    return blockForAddressMid(field.mid) - 1;
}

} // namespace

SynthCore::SynthCore(SynthOptions options) : m_options(options)
{
    m_current = validTemplate(options.currentTemplate) ? options.currentTemplate : 0;
    setReplyDelay(options.replyDelay);
    setSenseInterval(options.senseInterval);
}

// ---- input ------------------------------------------------------------------------------------------------

void SynthCore::receive(int port, std::span<const std::uint8_t> bytes, Millis now)
{
    if (port < 1 || port > kPortCount || m_silent) {
        return;
    }
    PortParser& p = m_parsers[static_cast<std::size_t>(port - 1)];
    for (std::uint8_t c : bytes) {
        if (c >= 0xF8) {
            continue; // real-time bytes may fall anywhere, even inside a SysEx
        }
        if (c == kSysExStart) {
            if (p.inSysEx) {
                reject("SysEx cut short by a new F0");
            }
            p.buffer.assign(1, c);
            p.inSysEx = true;
            p.overflow = false;
            continue;
        }
        if (!p.inSysEx) {
            continue; // channel messages and stray data mean nothing to the synthesizer's remote memory
        }
        if (c == kSysExEnd) {
            p.inSysEx = false;
            if (p.overflow) {
                reject("SysEx longer than any message of the dialect");
                continue;
            }
            p.buffer.push_back(c);
            if (port == m_options.sysexPort) {
                handleMessage(p.buffer, now);
            } else if (port == m_options.remotePort) {
                handleRemoteMessage(p.buffer, now);
            } else {
                ++m_stats.ignored;
            }
            continue;
        }
        if (c & 0x80) {
            p.inSysEx = false;
            reject("SysEx cut short by a status byte");
            continue;
        }
        if (p.buffer.size() >= kMaxMessageSize) {
            p.overflow = true;
        } else {
            p.buffer.push_back(c);
        }
    }
}

void SynthCore::handleMessage(std::span<const std::uint8_t> bytes, Millis now)
{
    if (takeFault(FaultKind::DropInput, ++m_messagesHeard)) {
        ++m_stats.dropped;
        publish({SynthEvent::Kind::FaultApplied, 0, -1, 0, 0, "message heard lost: " + hex(bytes)});
        return;
    }
    Message m;
    switch (parseMessage(bytes, m)) {
    case ParseError::Ok:
        break;
    case ParseError::NotSysEx:
    case ParseError::TooShort:
        reject("too short: " + hex(bytes));
        return;
    case ParseError::WrongLength:
        reject("wrong length for its kind: " + hex(bytes));
        return;
    case ParseError::BadModel:
        reject("another model: " + hex(bytes));
        return;
    }
    if (m.kind == Message::Kind::Unknown || m.kind == Message::Kind::BulkAck) {
        ++m_stats.ignored;
        return;
    }
    if (m.direction != kFromEditor) {
        ++m_stats.ignored; // another synthesizer's report, or our own
        return;
    }
    switch (m.kind) {
    case Message::Kind::ParamChange:
        handleParamChange(m, now);
        break;
    case Message::Kind::ParamRequest:
        handleParamRequest(m, now);
        break;
    case Message::Kind::BulkRequest:
        handleBulkRequest(m, now);
        break;
    case Message::Kind::Bulk:
        handleBulk(m, now);
        break;
    default:
        break;
    }
}

void SynthCore::handleParamChange(const Message& m, Millis now)
{
    if (m.addrHigh != 0x01) {
        reject("parameter change outside the remote memory: " + hex(std::array{m.addrHigh, m.addrMid, m.addrLow}));
        return;
    }
    const std::uint8_t mid = m.addrMid;
    const std::uint8_t low = m.addrLow;
    if (mid == kAddrTemplateNumber && low == 0) {
        if (m.data.size() != 1 || !validTemplate(m.data[0])) {
            reject("template number change without one number 0-49");
            return;
        }
        m_current = m.data[0];
        ++m_stats.templateSelects;
        // The synthesizer confirms every selection; the editor's echo guard expects it.
        const std::uint8_t number = static_cast<std::uint8_t>(m_current);
        sendParamChange(kAddrTemplateNumber, 0, std::span(&number, 1), now);
        publish({SynthEvent::Kind::TemplateSelected, 0, m_current, mid, low, "by the editor"});
        showTemplateInstrument();
        sendTemplateToExtension(now);
        return;
    }
    if (mid == kAddrStore && low == 0) {
        if (!m.data.empty()) {
            reject("store command with data");
            return;
        }
        m_stored = m_edit;
        ++m_stats.stores;
        m_flow.storeAfterAcks = m_flow.acksOut;
        m_flow.storeWithAcksUnsent = m_acksUnsent;
        publish({SynthEvent::Kind::Stored, 0, -1, mid, low, "by the editor"});
        setBankEdited(false, now);
        return;
    }
    if (mid == kAddrBankEditFlag && low == 0) {
        if (m.data.size() != 1) {
            reject("bank edit flag without one data byte");
            return;
        }
        // The editor's own value: nothing to tell it back.
        m_bankEdited = m.data[0] != 0;
        publish(
            {SynthEvent::Kind::BankEditFlagSet, 0, -1, mid, low, m_bankEdited ? "1 by the editor" : "0 by the editor"});
        return;
    }
    const auto located = fields::locate(mid, low);
    if (!located) {
        reject("parameter change to an unknown address: " + hex(std::array{mid, low}));
        return;
    }
    // An identifier is only ever written whole, from its start.
    if (isRemoteNumber(located->field) &&
        (located->position != 0 || m.data.size() != static_cast<std::size_t>(located->field.length))) {
        reject("parameter identifier change that is not whole: " + hex(std::array{mid, low}) + " with " +
               std::to_string(m.data.size()) + " bytes");
        return;
    }
    if (isDisplayFormat(located->field) && m.data.size() == 1 && m.data[0] > kMaxDisplayFormat) {
        reject("display format " + std::to_string(m.data[0]) + " out of range");
        return;
    }
    if (!m_edit[static_cast<std::size_t>(m_current)].write(located->field, located->position, m.data)) {
        reject("parameter change that does not fit its field: " + hex(std::array{mid, low}) + " with " +
               std::to_string(m.data.size()) + " bytes");
        return;
    }
    ++m_stats.paramChangesApplied;
    publish({SynthEvent::Kind::ParamChanged, kAreaEditBuffer, m_current, mid, low, hex(m.data)});
    setBankEdited(true, now);
    if (isRemoteNumber(located->field)) {
        sendKnobIdentifierToExtension(knobOf(located->field), now);
    } else if (located->field == fields::instrumentName()) {
        instrumentNameEdited(now);
    }
}

void SynthCore::handleParamRequest(const Message& m, Millis now)
{
    const std::uint8_t mid = m.addrMid;
    const std::uint8_t low = m.addrLow;
    if (m.addrHigh != 0x01) {
        reject("parameter request outside the remote memory");
        return;
    }
    std::uint8_t value = 0;
    std::span<const std::uint8_t> answer;
    if ((mid == kAddrTemplateNumber || mid == kAddrBankEditFlag) && low == 0) {
        value = static_cast<std::uint8_t>(mid == kAddrTemplateNumber ? m_current : (m_bankEdited ? 1 : 0));
        answer = std::span(&value, 1);
    } else if (const auto located = fields::locate(mid, low)) {
        const bool identifier = isRemoteNumber(located->field);
        if (identifier && located->position != 0) {
            reject("parameter request inside a parameter identifier: " + hex(std::array{mid, low}));
            return;
        }
        const auto bytes = m_edit[static_cast<std::size_t>(m_current)].bytes(located->field);
        // A parameter identifier travels whole, from its field start; every other byte alone.
        answer = identifier ? bytes : bytes.subspan(static_cast<std::size_t>(located->position), 1);
    } else {
        reject("parameter request for an unknown address: " + hex(std::array{mid, low}));
        return;
    }
    if (takeFault(FaultKind::DropAnswer, ++m_answersIssued)) {
        ++m_stats.dropped;
        publish({SynthEvent::Kind::FaultApplied, 0, m_current, mid, low, "answer dropped"});
        return;
    }
    sendParamChange(mid, low, answer, now);
    ++m_stats.paramRequestsAnswered;
    publish({SynthEvent::Kind::ParamRequestAnswered, 0, m_current, mid, low, {}});
}

void SynthCore::handleBulkRequest(const Message& m, Millis now)
{
    if (m.addrHigh != kBulkHeader || !validArea(m.addrMid) || !validTemplate(m.addrLow)) {
        reject("bulk request for nothing the synthesizer holds: " + hex(std::array{m.addrHigh, m.addrMid, m.addrLow}));
        return;
    }
    ++m_stats.bulkRequestsAnswered;
    publish({SynthEvent::Kind::BulkRequestAnswered, m.addrMid, m.addrLow, 0, 0, {}});
    sendDump(m.addrMid, m.addrLow, now);
}

void SynthCore::handleBulk(const Message& m, Millis now)
{
    if (!m.countOk || !m.checksumOk) {
        if (m.addrHigh == kBulkBlock && m_incoming.open) {
            m_incoming.damaged = true;
        }
        reject(
            std::string(!m.checksumOk ? "bulk message with a wrong checksum: " : "bulk message with a wrong count: ") +
            hex(std::array{m.addrHigh, m.addrMid, m.addrLow}));
        return;
    }
    switch (m.addrHigh) {
    case kBulkHeader:
        if (!m.data.empty() || !validArea(m.addrMid) || !validTemplate(m.addrLow)) {
            reject("bulk header for nothing the synthesizer holds");
            return;
        }
        if (m_incoming.open) {
            reject("bulk header inside an open dump: the open dump is dropped");
        }
        ++m_flow.dumpsBegun;
        // The same dump again while its acknowledge is on the way is the editor asking again, not a next
        // dump that came too early.
        if (m.addrMid == m_lastHeaderArea && m.addrLow == m_lastHeaderTemplate) {
            ++m_flow.dumpsRepeated;
        } else if (m_acksUnsent > 0) {
            ++m_flow.dumpsBegunEarly;
        }
        m_lastHeaderArea = m.addrMid;
        m_lastHeaderTemplate = m.addrLow;
        m_incoming = IncomingDump{};
        m_incoming.open = true;
        m_incoming.area = m.addrMid;
        m_incoming.templateNumber = m.addrLow;
        m_incoming.image = *area(m.addrMid, m.addrLow);
        return;
    case kBulkBlock:
        handleBulkBlock(m);
        return;
    case kBulkFooter:
        handleBulkFooter(m, now);
        return;
    case kBulkStoreToFlash:
        if (m.addrMid != 0 || m.addrLow != 0 || !m.data.empty()) {
            reject("store to flash with a wrong address or data");
            return;
        }
        ++m_stats.flashStores;
        m_flow.flashAfterAcks = m_flow.acksOut;
        m_flow.flashWithAcksUnsent = m_acksUnsent;
        publish({SynthEvent::Kind::StoredToFlash, 0, -1, 0, 0, {}});
        return;
    default:
        reject("bulk message of an unknown address: " + hex(std::array{m.addrHigh, m.addrMid, m.addrLow}));
        return;
    }
}

void SynthCore::handleBulkBlock(const Message& m)
{
    const int block = blockForAddressMid(m.addrMid);
    if (!m_incoming.open) {
        reject("bulk block outside a dump");
        return;
    }
    if (block < 0 || m.addrLow != 0 || m.data.size() != static_cast<std::size_t>(blockSize(block))) {
        m_incoming.damaged = true;
        reject("bulk block of a wrong address or size: " + hex(std::array{m.addrMid, m.addrLow}) + ", " +
               std::to_string(m.data.size()) + " bytes");
        return;
    }
    m_incoming.image.setBlock(block, m.data);
    m_incoming.blocks.set(static_cast<std::size_t>(block));
}

void SynthCore::handleBulkFooter(const Message& m, Millis now)
{
    if (!m_incoming.open) {
        reject("bulk footer outside a dump");
        return;
    }
    IncomingDump dump = std::exchange(m_incoming, IncomingDump{});
    if (!m.data.empty() || m.addrMid != dump.area || m.addrLow != dump.templateNumber) {
        ++m_stats.dumpsIncomplete;
        publish({SynthEvent::Kind::DumpIncomplete, dump.area, dump.templateNumber, 0, 0, "footer of another dump"});
        return;
    }
    if (!dump.blocks.all() || dump.damaged) {
        ++m_stats.dumpsIncomplete;
        publish({SynthEvent::Kind::DumpIncomplete, dump.area, dump.templateNumber, 0, 0,
                 dump.damaged ? "a block was damaged" : "a block was missing"});
        return;
    }
    *area(dump.area, dump.templateNumber) = dump.image;
    ++m_stats.dumpsAccepted;
    publish({SynthEvent::Kind::DumpAccepted, dump.area, dump.templateNumber, 0, 0, {}});
    if (takeFault(FaultKind::DropAck, ++m_acksIssued)) {
        ++m_stats.dropped;
        publish({SynthEvent::Kind::FaultApplied, dump.area, dump.templateNumber, 0, 0, "acknowledge dropped"});
    } else {
        ++m_stats.acksSent;
        send(buildBulkAck(m_options.device), now, 0, true);
    }
    if (dump.area == kAreaEditBuffer) {
        setBankEdited(true, now);
    }
}

// ---- output -----------------------------------------------------------------------------------------------

void SynthCore::sendDump(std::uint8_t areaByte, int t, Millis now)
{
    const TemplateImage& image = *area(areaByte, t);
    const long index = ++m_dumpsIssued;
    const std::uint8_t dev = m_options.device;
    const std::uint8_t tt = static_cast<std::uint8_t>(t);
    send(buildBulkHeader(dev, kFromSynth, areaByte, tt), now);
    for (int block = 0; block < kBlockCount; ++block) {
        Bytes message = buildBulkBlock(dev, kFromSynth, block, image.block(block));
        if (takeFault(FaultKind::MissingBlock, index, block)) {
            ++m_stats.dropped;
            publish({SynthEvent::Kind::FaultApplied, areaByte, t, blockAddressMid(block), 0, "block left out"});
            continue;
        }
        if (takeFault(FaultKind::BadChecksum, index, block)) {
            message[message.size() - 2] = static_cast<std::uint8_t>((message[message.size() - 2] + 1) & 0x7F);
            publish({SynthEvent::Kind::FaultApplied, areaByte, t, blockAddressMid(block), 0, "checksum spoiled"});
        }
        send(std::move(message), now);
    }
    if (takeFault(FaultKind::DropFooter, index)) {
        ++m_stats.dropped;
        publish({SynthEvent::Kind::FaultApplied, areaByte, t, 0, 0, "footer dropped"});
    } else {
        send(buildBulkFooter(dev, kFromSynth, areaByte, tt), now);
    }
    ++m_stats.dumpsSent;
}

void SynthCore::sendParamChange(std::uint8_t mid, std::uint8_t low, std::span<const std::uint8_t> data, Millis now)
{
    send(buildParamChange(m_options.device, kFromSynth, mid, low, data), now);
}

void SynthCore::setBankEdited(bool edited, Millis now)
{
    if (edited == m_bankEdited) {
        return;
    }
    m_bankEdited = edited;
    const std::uint8_t value = edited ? 1 : 0;
    sendParamChange(kAddrBankEditFlag, 0, std::span(&value, 1), now);
    publish({SynthEvent::Kind::BankEditFlagSet, 0, -1, kAddrBankEditFlag, 0, edited ? "1" : "0"});
}

void SynthCore::sendField(FieldRef field, Millis now)
{
    const auto bytes = m_edit[static_cast<std::size_t>(m_current)].bytes(field);
    if (!field.text || isRemoteNumber(field)) {
        sendParamChange(field.mid, field.start, bytes, now);
        return;
    }
    for (int i = 0; i < field.length; ++i) {
        sendParamChange(field.mid, static_cast<std::uint8_t>(field.start + i),
                        bytes.subspan(static_cast<std::size_t>(i), 1), now);
    }
}

void SynthCore::send(Bytes bytes, Millis now, int port, bool acknowledge)
{
    if (m_silent) {
        return;
    }
    // Messages keep their order even when the reply delay changes between them.
    const Millis due = std::max(now + m_options.replyDelay, m_lastDue);
    m_lastDue = due;
    m_outbox.push_back({due, {port > 0 ? port : m_options.sysexPort, std::move(bytes)}, acknowledge});
    if (acknowledge) {
        ++m_acksUnsent;
    }
}

std::vector<OutMessage> SynthCore::poll(Millis now)
{
    std::vector<OutMessage> out;
    if (m_silent) {
        return out;
    }
    while (!m_outbox.empty() && m_outbox.front().due <= now) {
        if (m_outbox.front().acknowledge) {
            --m_acksUnsent;
            ++m_flow.acksOut;
        }
        out.push_back(std::move(m_outbox.front().message));
        m_outbox.pop_front();
    }
    if (m_options.senseInterval > 0) {
        if (!m_nextSense || *m_nextSense <= now) {
            out.push_back({m_options.sensePort, Bytes{kActiveSensing}});
            ++m_stats.activeSensingSent;
            // A late poll sends one message, not a burst to catch up.
            m_nextSense = now + m_options.senseInterval;
        }
    }
    return out;
}

std::optional<Millis> SynthCore::nextDue() const
{
    if (m_silent) {
        return std::nullopt;
    }
    std::optional<Millis> due;
    if (!m_outbox.empty()) {
        due = m_outbox.front().due;
    }
    if (m_options.senseInterval > 0) {
        const Millis sense = m_nextSense.value_or(0);
        due = due ? std::min(*due, sense) : sense;
    }
    return due;
}

// ---- memory and the panel ---------------------------------------------------------------------------------

TemplateImage* SynthCore::area(std::uint8_t areaByte, int t)
{
    auto& bank = areaByte == kAreaStored ? m_stored : m_edit;
    return &bank[static_cast<std::size_t>(std::clamp(t, 0, kTemplateCount - 1))];
}

const TemplateImage& SynthCore::storedTemplate(int t) const
{
    return m_stored[static_cast<std::size_t>(std::clamp(t, 0, kTemplateCount - 1))];
}

const TemplateImage& SynthCore::editTemplate(int t) const
{
    return m_edit[static_cast<std::size_t>(std::clamp(t, 0, kTemplateCount - 1))];
}

void SynthCore::setStoredTemplate(int t, const TemplateImage& image)
{
    if (validTemplate(t)) {
        m_stored[static_cast<std::size_t>(t)] = image;
    }
}

void SynthCore::setEditTemplate(int t, const TemplateImage& image)
{
    if (validTemplate(t)) {
        m_edit[static_cast<std::size_t>(t)] = image;
    }
}

void SynthCore::fillPattern(int seed)
{
    // Tests and the fuzzers fill many synthesizers with the same few seeds, and a hundred patterns take
    // milliseconds unoptimised; the last seed's are kept for every synthesizer of the process.
    struct Filled
    {
        std::optional<int> seed;
        std::array<TemplateImage, kTemplateCount> stored;
        std::array<TemplateImage, kTemplateCount> edit;
    };
    static std::mutex lock;
    static Filled last;
    const std::lock_guard guard(lock);
    if (last.seed != seed) {
        for (int t = 0; t < kTemplateCount; ++t) {
            last.stored[static_cast<std::size_t>(t)] = TemplateImage::pattern(seed, t);
            last.edit[static_cast<std::size_t>(t)] = TemplateImage::pattern(seed + 1, t);
        }
        last.seed = seed;
    }
    m_stored = last.stored;
    m_edit = last.edit;
}

bool SynthCore::hardwareEditText(FieldRef field, std::string_view text, Millis now)
{
    if (!isField(field) || !field.text) {
        return false;
    }
    m_edit[static_cast<std::size_t>(m_current)].setText(field, text);
    reportPanelEdit(field, std::string(text), now);
    if (isRemoteNumber(field)) {
        sendKnobIdentifierToExtension(knobOf(field), now);
    } else if (field == fields::instrumentName()) {
        instrumentNameEdited(now);
    }
    return true;
}

bool SynthCore::hardwareEditNumber(FieldRef field, int value, Millis now)
{
    if (!isField(field) || field.text || value < 0 || value > 0x7F ||
        (isDisplayFormat(field) && value > kMaxDisplayFormat)) {
        return false;
    }
    m_edit[static_cast<std::size_t>(m_current)].setNumber(field, value);
    reportPanelEdit(field, std::to_string(value), now);
    return true;
}

void SynthCore::reportPanelEdit(FieldRef field, std::string detail, Millis now)
{
    ++m_stats.hardwareEdits;
    sendField(field, now);
    publish({SynthEvent::Kind::HardwareEdit, kAreaEditBuffer, m_current, field.mid, field.start, std::move(detail)});
    setBankEdited(true, now);
}

bool SynthCore::hardwareSelectTemplate(int t, Millis now)
{
    if (!validTemplate(t)) {
        return false;
    }
    selectTemplate(t, "at the panel", now);
    return true;
}

void SynthCore::selectTemplate(int t, const char* how, Millis now)
{
    m_current = t;
    ++m_stats.templateSelects;
    const std::uint8_t number = static_cast<std::uint8_t>(t);
    sendParamChange(kAddrTemplateNumber, 0, std::span(&number, 1), now);
    publish({SynthEvent::Kind::TemplateSelected, 0, t, kAddrTemplateNumber, 0, how});
    showTemplateInstrument();
    sendTemplateToExtension(now);
}

void SynthCore::hardwareStore(Millis now)
{
    m_stored = m_edit;
    ++m_stats.hardwareStores;
    send(buildStoreCommand(m_options.device, kFromSynth), now);
    publish({SynthEvent::Kind::HardwareStore, 0, -1, kAddrStore, 0, {}});
    setBankEdited(false, now);
}

// ---- faults -----------------------------------------------------------------------------------------------

void SynthCore::dropAck(int nth)
{
    m_faults.push_back({FaultKind::DropAck, m_acksIssued + std::max(nth, 1), 0});
}

void SynthCore::dropInput(int nth)
{
    m_faults.push_back({FaultKind::DropInput, m_messagesHeard + std::max(nth, 1), 0});
}

void SynthCore::dropAnswer(int nth)
{
    m_faults.push_back({FaultKind::DropAnswer, m_answersIssued + std::max(nth, 1), 0});
}

void SynthCore::dropFooter(int nth)
{
    m_faults.push_back({FaultKind::DropFooter, m_dumpsIssued + std::max(nth, 1), 0});
}

void SynthCore::corruptChecksum(int nth, int block)
{
    m_faults.push_back(
        {FaultKind::BadChecksum, m_dumpsIssued + std::max(nth, 1), std::clamp(block, 0, kBlockCount - 1)});
}

void SynthCore::dropBlock(int nth, int block)
{
    m_faults.push_back(
        {FaultKind::MissingBlock, m_dumpsIssued + std::max(nth, 1), std::clamp(block, 0, kBlockCount - 1)});
}

bool SynthCore::takeFault(FaultKind kind, long index, int block)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->kind == kind && it->index == index && it->block == block) {
            m_faults.erase(it);
            return true;
        }
    }
    return false;
}

void SynthCore::setSilent(bool silent)
{
    if (silent && !m_silent) {
        m_outbox.clear();
        m_acksUnsent = 0;
        m_incoming = IncomingDump{};
        for (PortParser& p : m_parsers) {
            p = PortParser{};
        }
    }
    if (!silent && m_silent) {
        m_nextSense.reset(); // announce at once, as a synthesizer does when it comes back
    }
    m_silent = silent;
}

void SynthCore::setReplyDelay(Millis delay)
{
    m_options.replyDelay = std::clamp<Millis>(delay, 0, kMaxInterval);
}

void SynthCore::setSenseInterval(Millis interval)
{
    m_options.senseInterval = std::clamp<Millis>(interval, 0, kMaxInterval);
    m_nextSense.reset();
}

void SynthCore::clearFaults()
{
    m_faults.clear();
    setSilent(false);
    setReplyDelay(0);
}

// ---- events -----------------------------------------------------------------------------------------------

void SynthCore::setEventListener(std::function<void(const SynthEvent&)> listener)
{
    m_listener = std::move(listener);
}

void SynthCore::publish(SynthEvent event)
{
    if (m_listener) {
        m_listener(event);
    }
}

void SynthCore::reject(std::string detail)
{
    ++m_stats.rejected;
    publish({SynthEvent::Kind::Rejected, 0, -1, 0, 0, std::move(detail)});
}

} // namespace zelksim

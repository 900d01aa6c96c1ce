#pragma once

#include "SimSynthCodec.h"
#include "SimSynthRemote.h"
#include "SimSynthTemplate.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelksim {

// Milliseconds of a monotonic clock that the caller owns; the core never reads a clock itself.
using Millis = std::int64_t;

inline constexpr int kPortCount = 5;
// Longest reply delay and sensing interval taken; longer ones are cut to it.
inline constexpr Millis kMaxInterval = 3600000;

struct SynthOptions
{
    std::uint8_t device = 0;    // device number, the low nibble of every device byte sent
    int sensePort = 1;          // active sensing goes out here
    int sysexPort = 5;          // SysEx is exchanged with the editor here
    int remotePort = 2;         // the DAW extension's protocol and the panel's controls go out here
    Millis senseInterval = 300; // 0 sends no active sensing
    Millis replyDelay = 0;      // every SysEx message waits this long before it goes out
    int currentTemplate = 0;    // current at power-on, reported to no one (0-49; others give 0)
};

// One message for one of the synthesizer's output ports (1-based).
struct OutMessage
{
    int port = 0;
    Bytes bytes;
};

// What the synthesizer did, for tests and for the command line's log.
struct SynthEvent
{
    enum class Kind
    {
        TemplateSelected, // by the editor or at the panel
        ParamChanged,     // a parameter change from the editor applied to the current template
        BankEditFlagSet,
        ParamRequestAnswered,
        BulkRequestAnswered,
        DumpAccepted,   // a complete dump from the editor was written (acknowledged unless a fault drops it)
        DumpIncomplete, // a footer closed a dump that lacked a block or had a damaged one: no acknowledge
        Stored,         // the edit buffer was stored, by the editor's store command
        StoredToFlash,
        HardwareEdit,
        HardwareStore,
        ExtensionMessage, // a message of the DAW extension taken onto the display (detail says which)
        PanelControl,     // a knob turned or a button pressed, sent to the extension
        RemoteMode,       // remote mode switched on or off
        FaultApplied,
        Rejected, // malformed or not understood; detail says why
    };
    Kind kind = Kind::Rejected;
    int area = 0;            // 60 or 6F for dump events
    int templateNumber = -1; // where it applies
    std::uint8_t mid = 0;    // address of a parameter event
    std::uint8_t low = 0;
    std::string detail;
};

struct SynthStats
{
    int bulkRequestsAnswered = 0;
    int dumpsSent = 0;
    int dumpsAccepted = 0;
    int dumpsIncomplete = 0;
    int acksSent = 0;
    int paramChangesApplied = 0;
    int paramRequestsAnswered = 0;
    int templateSelects = 0;
    int stores = 0;
    int flashStores = 0;
    int hardwareEdits = 0;
    int hardwareStores = 0;
    int activeSensingSent = 0;
    int extensionMessages = 0; // messages of the DAW extension taken
    int panelControls = 0;     // knob turns and button presses sent
    int rejected = 0;          // malformed or refused messages
    int ignored = 0;           // well-formed messages that are not for the synthesizer (other maker, own direction)
    int dropped = 0; // messages lost on purpose by a fault: acknowledges, footers, blocks, answers, messages heard
};

// How the editor paced what it sent, against the protocol's rule: a dump begins only after the
// acknowledge of the dump before it went out, and a store or store to flash comes after the last
// acknowledge of the dumps before it.
struct FlowRecord
{
    int dumpsBegun = 0;      // dump headers heard from the editor
    int dumpsBegunEarly = 0; // of them, heard while an acknowledge was still to go out
    int dumpsRepeated = 0;   // of them, the dump just before once more (sent again for want of an answer)
    int acksOut = 0;         // acknowledges that went out
    // For the last store command and the last store to flash heard (-1 before the first): acknowledges
    // that had gone out when it came, and acknowledges still to go out then.
    int storeAfterAcks = -1;
    int storeWithAcksUnsent = -1;
    int flashAfterAcks = -1;
    int flashWithAcksUnsent = -1;
};

// The simulated synthesizer as a pure state machine: bytes in, messages out, on the caller's clock.
// Not thread-safe; one thread at a time (the MIDI binding guards it with its own mutex).
class SynthCore
{
public:
    explicit SynthCore(SynthOptions options = {});

    const SynthOptions& options() const { return m_options; }

    // Raw MIDI bytes as they arrived on input port `port` (1-based); SysEx may be split anywhere.
    void receive(int port, std::span<const std::uint8_t> bytes, Millis now);
    // The messages due by `now`, in sending order; schedules active sensing as it goes.
    std::vector<OutMessage> poll(Millis now);
    // When poll next has something to send; nullopt when nothing is scheduled.
    std::optional<Millis> nextDue() const;
    // Messages queued and not yet returned by poll (active sensing is never queued).
    std::size_t queuedCount() const { return m_outbox.size(); }

    // Memory.
    const TemplateImage& storedTemplate(int t) const;
    const TemplateImage& editTemplate(int t) const;
    void setStoredTemplate(int t, const TemplateImage& image);
    void setEditTemplate(int t, const TemplateImage& image);
    // Stored bank from TemplateImage::pattern(seed, t), edit buffer from pattern(seed + 1, t).
    void fillPattern(int seed);
    int currentTemplate() const { return m_current; }
    bool bankEdited() const { return m_bankEdited; }

    // The panel: edits of the current template of the edit buffer, template selection and store, each
    // reported to the editor as the synthesizer reports its own changes. False when refused.
    bool hardwareEditText(FieldRef field, std::string_view text, Millis now);
    bool hardwareEditNumber(FieldRef field, int value, Millis now);
    bool hardwareSelectTemplate(int t, Millis now);
    void hardwareStore(Millis now);

    // The DAW extension's side (port 2). Remote mode starts when the extension says it runs or at the
    // panel; while it is on, the synthesizer tells the extension the current template's instrument name
    // and knob identifiers when a template is selected or its instrument name is edited, and a knob's
    // identifier when it is edited. An instrument name the extension tells selects the first template
    // made for that instrument.
    const RemoteDisplay& display() const { return m_display; }
    bool remoteMode() const { return m_display.remoteMode; }
    // The panel's remote switch: tells the extension (56 00) and starts or ends remote mode.
    void panelRemote(bool on, Millis now);
    // A relative turn of knob 0-23 (12-23 the EQ knobs) or of the data dial, steps 1-63 either way.
    bool panelTurnKnob(int knob, int steps, Millis now);
    bool panelTurnDial(int steps, Millis now);
    // A panel button by name (see buttonNote), pressed or let go.
    bool panelButton(std::string_view name, bool down, Millis now);

    // Faults. `nth` counts from now: 1 is the next acknowledge or the next dump sent.
    void dropAck(int nth = 1);
    // The NTH message heard from the editor on the SysEx port is lost, as on a bad cable.
    void dropInput(int nth = 1);
    void dropFooter(int nth = 1);
    // The answer to the NTH parameter request heard from now is lost on its way to the editor.
    void dropAnswer(int nth = 1);
    void corruptChecksum(int nth = 1, int block = 0); // block 0 the common block, 1 + k knob k
    void dropBlock(int nth = 1, int block = 0);
    // While silent the synthesizer neither hears nor sends anything; what was queued is lost.
    void setSilent(bool silent);
    bool isSilent() const { return m_silent; }
    void setReplyDelay(Millis delay);
    void setSenseInterval(Millis interval);
    void clearFaults();

    const SynthStats& stats() const { return m_stats; }
    const FlowRecord& flow() const { return m_flow; }
    // Called synchronously for every event, on the thread that drives the core.
    void setEventListener(std::function<void(const SynthEvent&)> listener);

private:
    enum class FaultKind
    {
        DropAck,
        DropFooter,
        DropInput,
        DropAnswer,
        BadChecksum,
        MissingBlock
    };
    struct Fault
    {
        FaultKind kind;
        long index; // the acknowledge or dump it hits, counted since construction
        int block;
    };
    struct Scheduled
    {
        Millis due;
        OutMessage message;
        bool acknowledge = false;
    };
    // Assembles SysEx messages from one input port's byte stream.
    struct PortParser
    {
        Bytes buffer;
        bool inSysEx = false;
        bool overflow = false;
    };
    struct IncomingDump
    {
        bool open = false;
        std::uint8_t area = 0;
        int templateNumber = 0;
        TemplateImage image;
        std::bitset<kBlockCount> blocks;
        bool damaged = false;
    };

    void handleMessage(std::span<const std::uint8_t> bytes, Millis now);
    void handleRemoteMessage(std::span<const std::uint8_t> bytes, Millis now);
    void startRemoteMode(Millis now);
    // 50 00 and 51 00 of the current template, when remote mode is on.
    void sendTemplateToExtension(Millis now);
    // Makes t current, tells the editor and the extension; how says who chose it.
    void selectTemplate(int t, const char* how, Millis now);
    // The first template of the edit buffer whose instrument name is instrument, or -1.
    int templateFor(const std::string& instrument) const;
    void sendKnobIdentifierToExtension(int knob, Millis now);
    // The current template's instrument name was edited (at the panel or by the editor).
    void instrumentNameEdited(Millis now);
    // The display names the instrument the current template is made for.
    void showTemplateInstrument();
    void sendRemote(std::uint8_t address1, std::uint8_t address2, std::span<const std::uint8_t> data, Millis now);
    void handleParamChange(const Message& m, Millis now);
    void handleParamRequest(const Message& m, Millis now);
    void handleBulkRequest(const Message& m, Millis now);
    void handleBulk(const Message& m, Millis now);
    void handleBulkBlock(const Message& m);
    void handleBulkFooter(const Message& m, Millis now);

    void sendDump(std::uint8_t area, int t, Millis now);
    void sendParamChange(std::uint8_t mid, std::uint8_t low, std::span<const std::uint8_t> data, Millis now);
    // Sets the bank edit flag and tells the editor when it changed.
    void setBankEdited(bool edited, Millis now);
    void sendField(FieldRef field, Millis now);
    // After an edit at the panel: the bank counts as edited and the editor hears of the new value.
    void reportPanelEdit(FieldRef field, std::string detail, Millis now);
    void send(Bytes bytes, Millis now, int port = 0, bool acknowledge = false); // port 0: the SysEx port
    bool takeFault(FaultKind kind, long index, int block = 0);

    TemplateImage* area(std::uint8_t area, int t);
    void publish(SynthEvent event);
    void reject(std::string detail);

    SynthOptions m_options;
    std::array<TemplateImage, kTemplateCount> m_stored;
    std::array<TemplateImage, kTemplateCount> m_edit;
    int m_current = 0;
    bool m_bankEdited = false;

    std::array<PortParser, kPortCount> m_parsers;
    IncomingDump m_incoming;
    std::deque<Scheduled> m_outbox;
    Millis m_lastDue = 0;
    std::optional<Millis> m_nextSense; // unset: send at the next poll

    std::vector<Fault> m_faults;
    long m_acksIssued = 0;
    long m_dumpsIssued = 0;
    long m_messagesHeard = 0;
    long m_answersIssued = 0;
    int m_acksUnsent = 0;
    // Area and template of the last dump header heard; area 0 before the first.
    std::uint8_t m_lastHeaderArea = 0;
    int m_lastHeaderTemplate = -1;
    bool m_silent = false;

    RemoteDisplay m_display;

    SynthStats m_stats;
    FlowRecord m_flow;
    std::function<void(const SynthEvent&)> m_listener;
};

} // namespace zelksim

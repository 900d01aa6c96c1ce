#include "SimSynthCommands.h"

#include <charconv>
#include <functional>
#include <optional>
#include <sstream>

namespace zelksim {

namespace {

// Splits off the next blank-separated word; the rest keeps its inner blanks for texts.
std::string_view nextWord(std::string_view& rest)
{
    const auto begin = rest.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(begin);
    const auto end = rest.find_first_of(" \t");
    const std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    return word;
}

std::optional<long long> toNumber(std::string_view word)
{
    long long v = 0;
    const auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (word.empty() || ec != std::errc{} || ptr != word.data() + word.size()) {
        return std::nullopt;
    }
    return v;
}

// An optional number: absent gives the fallback, a word that is not a number gives nullopt.
std::optional<long long> optionalNumber(std::string_view word, long long fallback)
{
    return word.empty() ? std::optional<long long>(fallback) : toNumber(word);
}

CommandResult done(std::string text = "ok")
{
    return {true, std::move(text), false};
}

CommandResult failed(std::string text)
{
    return {false, "error: " + std::move(text), false};
}

CommandResult editCommand(SynthCore& core, std::string_view rest, Millis now)
{
    const std::string_view what = nextWord(rest);
    FieldRef field;
    if (what == "name" || what == "instrument") {
        field = what == "name" ? fields::templateName() : fields::instrumentName();
    } else if (what == "type") {
        field = fields::controlType();
    } else if (what == "knob") {
        const auto knob = toNumber(nextWord(rest));
        if (!knob || *knob < 0 || *knob >= kKnobCount) {
            return failed("knob must be 0-11");
        }
        const int k = static_cast<int>(*knob);
        const std::string_view which = nextWord(rest);
        if (which == "name") {
            field = fields::knobDisplayName(k);
        } else if (which == "id") {
            field = fields::knobRemoteNumber(k);
        } else if (which == "cc") {
            field = fields::knobControlNumber(k);
        } else if (which == "format") {
            field = fields::knobDisplayFormat(k);
        } else {
            return failed("edit knob K name|id|cc|format VALUE");
        }
    } else {
        return failed("edit name|instrument|type|knob ...");
    }
    if (field.text) {
        // The text starts at its first non-blank; inner blanks are kept.
        const auto begin = rest.find_first_not_of(" \t");
        rest = begin == std::string_view::npos ? std::string_view{} : rest.substr(begin);
        return core.hardwareEditText(field, rest, now) ? done() : failed("refused");
    }
    const auto value = toNumber(nextWord(rest));
    if (!value || *value < 0 || *value > 127 || !core.hardwareEditNumber(field, static_cast<int>(*value), now)) {
        return failed("value must be 0-127");
    }
    return done();
}

CommandResult faultCommand(SynthCore& core, std::string_view rest)
{
    const std::string_view kind = nextWord(rest);
    const std::string_view first = nextWord(rest);
    const std::string_view second = nextWord(rest);
    if (kind == "silent") {
        if (first != "on" && first != "off") {
            return failed("fault silent on|off");
        }
        core.setSilent(first == "on");
        return done();
    }
    if (kind == "clear") {
        core.clearFaults();
        return done();
    }
    if (kind == "delay") {
        const auto ms = toNumber(first);
        if (!ms || *ms < 0 || *ms > kMaxInterval) {
            return failed("fault delay MS, at most an hour");
        }
        core.setReplyDelay(*ms);
        return done();
    }
    const auto nth = optionalNumber(first, 1);
    const auto block = optionalNumber(second, 0);
    if (!nth || *nth < 1 || *nth > 1000000 || !block || *block < 0 || *block >= kBlockCount) {
        return failed("NTH must be 1 or more, BLOCK 0-12");
    }
    const int n = static_cast<int>(*nth);
    const int b = static_cast<int>(*block);
    if (kind == "drop-ack") {
        core.dropAck(n);
    } else if (kind == "drop-in") {
        core.dropInput(n);
    } else if (kind == "drop-footer") {
        core.dropFooter(n);
    } else if (kind == "drop-answer") {
        core.dropAnswer(n);
    } else if (kind == "bad-checksum") {
        core.corruptChecksum(n, b);
    } else if (kind == "missing-block") {
        core.dropBlock(n, b);
    } else {
        return failed("unknown fault; see help");
    }
    return done();
}

CommandResult remoteCommand(SynthCore& core, std::string_view command, std::string_view rest, Millis now)
{
    const std::string_view first = nextWord(rest);
    const std::string_view second = nextWord(rest);
    if (command == "remote") {
        if (first != "on" && first != "off") {
            return failed("remote on|off");
        }
        core.panelRemote(first == "on", now);
        return done();
    }
    if (command == "turn") {
        const auto knob = toNumber(first);
        const auto steps = toNumber(second);
        if (!knob || !steps || *knob < 0 || *knob >= kRemoteKnobCount || *steps < -kMaxTurnSteps ||
            *steps > kMaxTurnSteps || !core.panelTurnKnob(static_cast<int>(*knob), static_cast<int>(*steps), now)) {
            return failed("turn K STEPS: knob 0-23, steps 1-63 either way");
        }
        return done();
    }
    if (command == "dial") {
        const auto steps = toNumber(first);
        if (!steps || *steps < -kMaxTurnSteps || *steps > kMaxTurnSteps ||
            !core.panelTurnDial(static_cast<int>(*steps), now)) {
            return failed("dial STEPS: 1-63 either way");
        }
        return done();
    }
    if (command == "press") {
        if (!core.panelButton(first, true, now) || !core.panelButton(first, false, now)) {
            return failed("press BUTTON; buttons: top rewind fastfwd stop play record mute solo inc dec sf1-sf6 f1-f6 "
                          "jog lock sfbank1-sfbank6");
        }
        return done();
    }
    if (command == "button") {
        if ((second != "down" && second != "up") || !core.panelButton(first, second == "down", now)) {
            return failed("button NAME down|up");
        }
        return done();
    }
    return done(core.display().describe());
}

// One template of the edit buffer as its fields hold it, or one of its knobs: what the editor's changes
// reached, for tests across processes and for trying the editor by hand.
CommandResult showCommand(const SynthCore& core, std::string_view rest)
{
    const auto t = toNumber(nextWord(rest));
    const std::string_view knobWord = nextWord(rest);
    const auto knob = optionalNumber(knobWord, -1);
    if (!t || *t < 0 || *t >= kTemplateCount || !knob || (!knobWord.empty() && (*knob < 0 || *knob >= kKnobCount)) ||
        !nextWord(rest).empty()) {
        return failed("show T [K]: template 0-49, knob 0-11");
    }
    const TemplateImage& image = core.editTemplate(static_cast<int>(*t));
    std::ostringstream out;
    out << "template " << *t;
    if (knobWord.empty()) {
        out << ": name \"" << image.text(fields::templateName()) << "\" instrument \""
            << image.text(fields::instrumentName()) << "\" type " << image.number(fields::controlType());
    } else {
        const int k = static_cast<int>(*knob);
        out << " knob " << k << ": name \"" << image.text(fields::knobDisplayName(k)) << "\" id \""
            << image.text(fields::knobRemoteNumber(k)) << "\" cc " << image.number(fields::knobControlNumber(k))
            << " format " << image.number(fields::knobDisplayFormat(k));
    }
    return done(out.str());
}

// One line that changes with any byte of the memory: an FNV-1a hash of every template of each bank, the
// current template and the bank edit flag.
std::string memoryDigest(const SynthCore& core)
{
    const auto hash = [](const std::function<const TemplateImage&(int)>& bank) {
        std::uint64_t h = 14695981039346656037ull;
        for (int t = 0; t < kTemplateCount; ++t) {
            for (int b = 0; b <= kKnobCount; ++b) {
                for (const std::uint8_t byte : bank(t).block(b)) {
                    h = (h ^ byte) * 1099511628211ull;
                }
            }
        }
        return h;
    };
    std::ostringstream out;
    out << std::hex << "memory stored " << hash([&](int t) -> const TemplateImage& { return core.storedTemplate(t); })
        << " edit " << hash([&](int t) -> const TemplateImage& { return core.editTemplate(t); }) << std::dec
        << ", template " << core.currentTemplate() << ", bank " << (core.bankEdited() ? "edited" : "stored");
    return out.str();
}

std::string status(const SynthCore& core)
{
    const SynthStats& s = core.stats();
    std::ostringstream out;
    out << "template " << core.currentTemplate() << ", bank " << (core.bankEdited() ? "edited" : "stored")
        << (core.isSilent() ? ", silent" : "") << "; requests " << s.bulkRequestsAnswered << ", dumps sent "
        << s.dumpsSent << ", dumps accepted " << s.dumpsAccepted << ", incomplete " << s.dumpsIncomplete << ", acks "
        << s.acksSent << ", changes " << s.paramChangesApplied << ", selects " << s.templateSelects << ", stores "
        << s.stores << ", flash " << s.flashStores << ", rejected " << s.rejected << ", dropped " << s.dropped
        << "; remote mode " << (core.remoteMode() ? "on" : "off") << ", extension messages " << s.extensionMessages
        << ", panel controls " << s.panelControls;
    return out.str();
}

// One line: "flow: dumps D, begun early E, repeated R, acknowledges out A; store after S (U unsent); flash
// after F (V unsent)", with "none" for a store or flash never heard.
std::string flow(const SynthCore& core)
{
    const FlowRecord& f = core.flow();
    auto place = [](int after, int unsent) {
        return after < 0 ? std::string("none")
                         : "after " + std::to_string(after) + " (" + std::to_string(unsent) + " unsent)";
    };
    std::ostringstream out;
    out << "flow: dumps " << f.dumpsBegun << ", begun early " << f.dumpsBegunEarly << ", repeated " << f.dumpsRepeated
        << ", acknowledges out " << f.acksOut << "; store " << place(f.storeAfterAcks, f.storeWithAcksUnsent)
        << "; flash " << place(f.flashAfterAcks, f.flashWithAcksUnsent);
    return out.str();
}

} // namespace

std::string commandHelp()
{
    return "select T                      select template T (0-49) at the panel\n"
           "store                         store the edit buffer at the panel\n"
           "edit name|instrument TEXT     edit the current template's name or instrument name\n"
           "edit type N                   edit its control type\n"
           "edit knob K name|id TEXT      edit knob K's display name or parameter identifier\n"
           "edit knob K cc|format N       edit knob K's control-change number or display format\n"
           "fault drop-ack [NTH]          drop the NTH acknowledge from now (default 1)\n"
           "fault drop-in [NTH]           lose the NTH message heard from the editor from now\n"
           "fault drop-footer [NTH]       leave the footer out of the NTH dump sent from now\n"
           "fault drop-answer [NTH]       lose the answer to the NTH parameter request from now\n"
           "fault bad-checksum [NTH [B]]  spoil the checksum of block B (0 common, 1-12 knobs)\n"
           "fault missing-block [NTH [B]] leave block B out of the NTH dump\n"
           "fault silent on|off           stop or resume hearing and sending anything\n"
           "fault delay MS                send every reply MS milliseconds late\n"
           "fault clear                   forget every fault\n"
           "remote on|off                 switch remote mode (tells the DAW extension)\n"
           "turn K STEPS                  turn knob K (0-11, EQ knobs 12-23) by STEPS (1-63, negative: back)\n"
           "dial STEPS                    turn the data dial\n"
           "press NAME | button NAME down|up  a panel button: play, stop, f1-f6, sf1-sf6, sfbank1-6, jog, ...\n"
           "display                       what the DAW extension shows on the display\n"
           "sense MS                      active sensing interval (0 stops it)\n"
           "fill SEED                     fill both banks with test contents\n"
           "show T [K]                    template T of the edit buffer, or its knob K\n"
           "memory                        a digest of both banks that changes with any byte\n"
           "flow                          how the editor paced its dumps, stores and stores to flash\n"
           "status | help | quit\n";
}

CommandResult runCommand(SynthCore& core, std::string_view line, Millis now)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    std::string_view rest = line;
    const std::string_view command = nextWord(rest);
    if (command.empty() || command.front() == '#') {
        return done("");
    }
    if (command == "select") {
        const auto t = toNumber(nextWord(rest));
        if (!t || *t < 0 || *t >= kTemplateCount || !core.hardwareSelectTemplate(static_cast<int>(*t), now)) {
            return failed("template must be 0-49");
        }
        return done();
    }
    if (command == "store") {
        core.hardwareStore(now);
        return done();
    }
    if (command == "edit") {
        return editCommand(core, rest, now);
    }
    if (command == "fault") {
        return faultCommand(core, rest);
    }
    if (command == "remote" || command == "turn" || command == "dial" || command == "press" || command == "button" ||
        command == "display") {
        return remoteCommand(core, command, rest, now);
    }
    if (command == "sense") {
        const auto ms = toNumber(nextWord(rest));
        if (!ms || *ms < 0 || *ms > kMaxInterval) {
            return failed("sense MS, at most an hour");
        }
        core.setSenseInterval(*ms);
        return done();
    }
    if (command == "fill") {
        const auto seed = toNumber(nextWord(rest));
        if (!seed || *seed < 0 || *seed > 1000000) {
            return failed("fill SEED");
        }
        core.fillPattern(static_cast<int>(*seed));
        return done();
    }
    if (command == "show") {
        return showCommand(core, rest);
    }
    if (command == "status") {
        return done(status(core));
    }
    if (command == "memory") {
        return done(memoryDigest(core));
    }
    if (command == "flow") {
        return done(flow(core));
    }
    if (command == "help") {
        return done(commandHelp());
    }
    if (command == "quit" || command == "exit") {
        return {true, "bye", true};
    }
    return failed("unknown command; try help");
}

} // namespace zelksim

#include "ExtensionMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace ExtensionMessage;

namespace {

using Bytes = std::vector<unsigned char>;

// Owns a message buffer for the length of a test.
struct Message
{
    explicit Message(unsigned char* buffer) : data(buffer) {}
    ~Message() { freeMessage(data); }
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
    std::size_t length() const { return messageLength(data); }
    Bytes bytes() const { return data ? Bytes(data, data + length()) : Bytes(); }
    std::string field(std::size_t from, std::size_t count) const
    {
        return std::string(reinterpret_cast<const char*>(data) + from, count);
    }
    unsigned char* data;
};

Bytes frame(const unsigned char* header, unsigned char a1, unsigned char a2, const Bytes& payload)
{
    Bytes bytes(header, header + k_headerSize);
    bytes.push_back(a1);
    bytes.push_back(a2);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes.push_back(0xF7);
    return bytes;
}

Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

} // namespace

TEST(ExtensionMessages, BuildsEveryOutgoingMessageWithItsLayoutAndLength)
{
    Message name(buildKnobName(5, "Cutoff"));
    ASSERT_EQ(name.length(), 34u);
    EXPECT_EQ(0, std::memcmp(name.data, k_prmChgHead_Snd, 7));
    EXPECT_EQ(name.data[7], 0x35);
    EXPECT_EQ(name.data[8], 0x09);
    EXPECT_EQ(name.field(9, 24), "Cutoff" + std::string(18, ' '));

    Message value(buildKnobValue(23, "-12.5 dB"));
    ASSERT_EQ(value.length(), 20u);
    EXPECT_EQ(value.data[7], 0x47);
    EXPECT_EQ(value.data[8], 0x21);
    EXPECT_EQ(value.field(9, 8), "-12.5 dB");
    EXPECT_EQ(value.data[17], 0x00);
    EXPECT_EQ(value.data[18], 0x00);

    Message command(buildCommandName(5, "NewVersion"));
    ASSERT_EQ(command.length(), 16u);
    EXPECT_EQ(command.data[7], 0x61);
    EXPECT_EQ(command.data[8], 30);
    EXPECT_EQ(command.field(9, 6), "NewVer");

    Message instrument(buildInstrumentName("BassPad"));
    ASSERT_EQ(instrument.length(), 22u);
    EXPECT_EQ(instrument.data[7], 0x50);
    EXPECT_EQ(instrument.field(9, 12), "BassPad     ");

    Message track(buildTrackName(""));
    ASSERT_EQ(track.length(), 34u);
    EXPECT_EQ(track.data[7], 0x60);
    EXPECT_EQ(track.field(9, 24), std::string(24, ' '));

    Message page(buildPageName("Project Setup"));
    ASSERT_EQ(page.length(), 26u);
    EXPECT_EQ(page.data[7], 0x62);
    EXPECT_EQ(page.field(9, 16), "Project Setup   ");

    Message pc(buildProgramChangeMode(true));
    EXPECT_EQ(pc.bytes(), frame(k_prmChgHead_Snd, 0x63, 0x00, {1}));
    Message pageIndex(buildPageIndex(3));
    EXPECT_EQ(pageIndex.bytes(), frame(k_prmChgHead_Snd, 0x22, 0x00, {3}));
    Message jog(buildJogStopState(false));
    EXPECT_EQ(jog.bytes(), frame(k_prmChgHead_Snd, 0x23, 0x00, {0}));
    Message runningOut(buildExtensionRunning(k_prmChgHead_Snd));
    EXPECT_EQ(runningOut.bytes(), frame(k_prmChgHead_Snd, 0x56, 0x01, {}));
    Message runningIn(buildExtensionRunning(k_prmChgHead_Rcv));
    EXPECT_EQ(runningIn.bytes(), frame(k_prmChgHead_Rcv, 0x56, 0x01, {}));
}

TEST(ExtensionMessages, BuildsTheRemoteDevicesMessagesForTheService)
{
    Message turn(buildKnobTurn(23, 127));
    EXPECT_EQ(turn.bytes(), frame(k_prmChgHead_Rcv, 0x47, 0x41, {127}));
    Message command(buildUserCommand(2));
    EXPECT_EQ(command.bytes(), frame(k_prmChgHead_Rcv, 0x21, 0x00, {2}));
    Message page(buildPageSelect(1));
    EXPECT_EQ(page.bytes(), frame(k_prmChgHead_Rcv, 0x22, 0x00, {1}));

    EXPECT_EQ(buildKnobTurn(24, 1), nullptr);
    EXPECT_EQ(buildKnobTurn(0, 128), nullptr);
    EXPECT_EQ(buildUserCommand(6), nullptr);
    EXPECT_EQ(buildPageSelect(-1), nullptr);
}

TEST(ExtensionMessages, RefusesMessagesThatAreNotBuiltForTheirInput)
{
    EXPECT_EQ(buildInstrumentName(""), nullptr);
    EXPECT_EQ(buildPageName(""), nullptr);
    EXPECT_EQ(buildKnobName(24, "x"), nullptr);
    EXPECT_EQ(buildKnobValue(-1, "x"), nullptr);
    EXPECT_EQ(buildCommandName(6, "x"), nullptr);
}

TEST(ExtensionMessages, TextFieldsTurnEverythingFromTheFirstNonAsciiByteIntoDashes)
{
    // Five letters, an accented letter (two bytes in UTF-8) and four more letters.
    Message track(buildTrackName("Piano\xC3\xA9"
                                 "Keys"));
    EXPECT_EQ(track.field(9, 24), "Piano------" + std::string(13, ' '));

    // The instrument name goes out as it is, cut at 12 bytes; only bytes that would break the SysEx
    // frame are replaced.
    Message instrument(buildInstrumentName("Strings Ensemble"));
    EXPECT_EQ(instrument.field(9, 12), "Strings Ense");
    Message framed(buildInstrumentName("Caf\xC3\xA9\xF7Pad"));
    EXPECT_EQ(framed.field(9, 12), "Caf---Pad   ");
    EXPECT_EQ(framed.length(), 22u);

    Message longName(buildKnobName(0, std::string(40, 'x')));
    EXPECT_EQ(longName.field(9, 24), std::string(24, 'x'));
    EXPECT_EQ(longName.data[33], 0xF7);
}

TEST(ExtensionMessages, CopyStringToMessageRefusesFieldsOutsideTheData)
{
    unsigned char buffer[20] = {};
    EXPECT_EQ(CopyStringToMessage(nullptr, 20, 9, "abc", 3), -1);
    EXPECT_EQ(CopyStringToMessage(buffer, 20, 8, "abc", 3), -1);
    // A field that would overwrite the closing F7 is refused.
    EXPECT_EQ(CopyStringToMessage(buffer, 20, 9, "abc", 11), -1);
    EXPECT_EQ(CopyStringToMessage(buffer, 20, 9, "abc", 10), 19);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 9, 10), "abc       ");
}

TEST(ExtensionMessages, SendFilterAcceptsExactlyTheSendAddresses)
{
    const auto accepts = [](unsigned char a1, unsigned char a2) {
        Message m(newMessage(k_prmChgHead_Snd, a1, a2, 1));
        return IsSendingSysExForZELK(m.data, m.length());
    };
    for (int first = 0x30; first <= 0x48; ++first) {
        EXPECT_TRUE(accepts(first, 0x09)) << first;
        EXPECT_TRUE(accepts(first, 0x21)) << first;
        EXPECT_FALSE(accepts(first, 0x00)) << first;
        EXPECT_FALSE(accepts(first, 0x41)) << first;
    }
    EXPECT_FALSE(accepts(0x2F, 0x09));
    EXPECT_FALSE(accepts(0x49, 0x21));
    for (unsigned char a1 : {0x50, 0x52, 0x53, 0x60, 0x62, 0x63})
        EXPECT_TRUE(accepts(a1, 0x00)) << int(a1);
    EXPECT_TRUE(accepts(0x56, 0x01));
    EXPECT_FALSE(accepts(0x56, 0x00));
    EXPECT_FALSE(accepts(0x51, 0x00));
    EXPECT_FALSE(accepts(0x50, 0x01));
    for (int second = 0; second < 128; ++second)
        EXPECT_EQ(accepts(0x61, second), second % 6 == 0 && second <= 30) << second;
    EXPECT_FALSE(accepts(0x22, 0x00));
    EXPECT_FALSE(accepts(0x23, 0x00));
    EXPECT_FALSE(IsSendingSysExForZELK(nullptr, 0));
    const unsigned char shortMessage[8] = {0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x00, 0x01, 0x50};
    EXPECT_FALSE(IsSendingSysExForZELK(shortMessage, sizeof shortMessage));
}

TEST(ExtensionMessages, ReceiveFilterAcceptsExactlyTheReceiveAddresses)
{
    const auto accepts = [](unsigned char a1, unsigned char a2) {
        Message m(newMessage(k_prmChgHead_Rcv, a1, a2, 1));
        return IsReceivingSysExForZELK(m.data, m.length());
    };
    for (int first = 0x30; first <= 0x48; ++first) {
        EXPECT_TRUE(accepts(first, 0x00)) << first;
        EXPECT_FALSE(accepts(first, 0x41)) << first;
        EXPECT_FALSE(accepts(first, 0x09)) << first;
    }
    EXPECT_TRUE(accepts(0x50, 0x00));
    EXPECT_TRUE(accepts(0x51, 0x00));
    EXPECT_TRUE(accepts(0x56, 0x00));
    EXPECT_FALSE(accepts(0x56, 0x01));
    EXPECT_FALSE(accepts(0x60, 0x00));
    EXPECT_FALSE(accepts(0x21, 0x00));
    EXPECT_FALSE(accepts(0x49, 0x00));
}

TEST(ExtensionMessages, AcceptsReceivedSysExFromItsF0ToItsFirstF7)
{
    Bytes bytes = {0x00, 0xFE, 0x90};
    const Bytes message = frame(k_prmChgHead_Rcv, 0x56, 0x00, {1});
    bytes.insert(bytes.end(), message.begin(), message.end());
    bytes.push_back(0x12); // after the F7: not copied
    Message accepted(acceptReceivedSysEx(bytes.data(), bytes.size()));
    ASSERT_NE(accepted.data, nullptr);
    EXPECT_EQ(accepted.bytes(), message);
    EXPECT_TRUE(IsRemoteModeOnMessage(accepted.data, accepted.length()));

    const Bytes request = frame(k_prmReqHead_Rcv, 0x50, 0x00, text("BassPad     "));
    Message acceptedRequest(acceptReceivedSysEx(request.data(), request.size()));
    EXPECT_NE(acceptedRequest.data, nullptr);
}

TEST(ExtensionMessages, DropsReceivedSysExWithoutF7WithinItsFirst512Bytes)
{
    Bytes longMessage = frame(k_prmChgHead_Rcv, 0x51, 0x00, Bytes(590, '0'));
    ASSERT_EQ(longMessage.size(), 600u);
    EXPECT_EQ(acceptReceivedSysEx(longMessage.data(), longMessage.size()), nullptr);

    Bytes unterminated = frame(k_prmChgHead_Rcv, 0x50, 0x00, text("abc"));
    unterminated.pop_back();
    EXPECT_EQ(acceptReceivedSysEx(unterminated.data(), unterminated.size()), nullptr);

    // The 512 bytes are counted from the start, leading bytes included.
    Bytes padded(502, 0x00);
    const Bytes message = frame(k_prmChgHead_Rcv, 0x56, 0x00, {1});
    padded.insert(padded.end(), message.begin(), message.end());
    EXPECT_EQ(acceptReceivedSysEx(padded.data(), padded.size()), nullptr);
    Bytes justFits(512 - message.size(), 0x00);
    justFits.insert(justFits.end(), message.begin(), message.end());
    Message fits(acceptReceivedSysEx(justFits.data(), justFits.size()));
    EXPECT_NE(fits.data, nullptr);
}

TEST(ExtensionMessages, DropsReceivedSysExWithForeignHeaderAddressOrFraming)
{
    const Bytes foreign = frame(k_prmChgHead_Snd, 0x50, 0x00, text("BassPad     "));
    EXPECT_EQ(acceptReceivedSysEx(foreign.data(), foreign.size()), nullptr);
    const Bytes wrongAddress = frame(k_prmChgHead_Rcv, 0x60, 0x00, text("x"));
    EXPECT_EQ(acceptReceivedSysEx(wrongAddress.data(), wrongAddress.size()), nullptr);
    const Bytes tooShort = {0xF0, 0x43, 0x10, 0x7F, 0xF7};
    EXPECT_EQ(acceptReceivedSysEx(tooShort.data(), tooShort.size()), nullptr);
    const Bytes headerOnly = {0xF0, 0x43, 0x10, 0x7F, 0x1C, 0x01, 0x01, 0x50, 0xF7};
    EXPECT_EQ(acceptReceivedSysEx(headerOnly.data(), headerOnly.size()), nullptr);
    EXPECT_EQ(acceptReceivedSysEx(nullptr, 10), nullptr);
    const Bytes noStart = {0x43, 0x10, 0xF7};
    EXPECT_EQ(acceptReceivedSysEx(noStart.data(), noStart.size()), nullptr);
}

TEST(ExtensionMessages, ParsesTheInstrumentNameWithoutTrailingBlanks)
{
    std::string name;
    const Bytes padded = frame(k_prmChgHead_Rcv, 0x50, 0x00, text("BassPad     "));
    ASSERT_TRUE(parseInstrumentName(padded.data(), padded.size(), name));
    EXPECT_EQ(name, "BassPad");
    const Bytes blank = frame(k_prmChgHead_Rcv, 0x50, 0x00, text("            "));
    ASSERT_TRUE(parseInstrumentName(blank.data(), blank.size(), name));
    EXPECT_EQ(name, "");
    Bytes zero = text("Lead xxxxxxx");
    zero[4] = 0;
    const Bytes withZero = frame(k_prmChgHead_Rcv, 0x50, 0x00, zero);
    ASSERT_TRUE(parseInstrumentName(withZero.data(), withZero.size(), name));
    EXPECT_EQ(name, "Lead");
    // A short message yields only the bytes it holds; a long one at most 12.
    const Bytes shortName = frame(k_prmChgHead_Rcv, 0x50, 0x00, text("Pad"));
    ASSERT_TRUE(parseInstrumentName(shortName.data(), shortName.size(), name));
    EXPECT_EQ(name, "Pad");
    const Bytes longName = frame(k_prmChgHead_Rcv, 0x50, 0x00, text("ABCDEFGHIJKLMNOP"));
    ASSERT_TRUE(parseInstrumentName(longName.data(), longName.size(), name));
    EXPECT_EQ(name, "ABCDEFGHIJKL");
    const Bytes other = frame(k_prmChgHead_Rcv, 0x51, 0x00, text("Pad"));
    EXPECT_FALSE(parseInstrumentName(other.data(), other.size(), name));
}

TEST(ExtensionMessages, ParsesParameterIdentifierRecords)
{
    EXPECT_EQ(parseParamIDRecord(text("000001F3A").data()), (ParamIDRecord{0, 0x00001F3A}));
    EXPECT_EQ(parseParamIDRecord(text("10000102a").data()), (ParamIDRecord{1, 0x0000102A}));
    EXPECT_EQ(parseParamIDRecord(text("3FFFFFFFF").data()), (ParamIDRecord{2, 0xFFFFFFFF}));
    EXPECT_EQ(parseParamIDRecord(text("x00000012").data()), (ParamIDRecord{2, 0x12}));
    // The identifier is read up to the first character that is not a hexadecimal digit.
    EXPECT_EQ(parseParamIDRecord(text("012 45678").data()), (ParamIDRecord{0, 0x12}));
    EXPECT_EQ(parseParamIDRecord(text("0        ").data()), (ParamIDRecord{0, 0}));
}

TEST(ExtensionMessages, AllIdentifiersTakeEffectOnlyWithF7AtByte225)
{
    Bytes payload;
    for (int knob = 0; knob < kKnobCount; ++knob) {
        char buffer[10];
        std::snprintf(buffer, sizeof buffer, "0%08X", 0x100 + knob);
        const Bytes r = text(buffer);
        payload.insert(payload.end(), r.begin(), r.end());
    }
    const Bytes complete = frame(k_prmChgHead_Rcv, 0x51, 0x00, payload);
    ASSERT_EQ(complete.size(), 226u);
    ParamIDRecord records[kKnobCount];
    EXPECT_TRUE(parseAllParamIDs(complete.data(), complete.size(), records));
    EXPECT_EQ(records[0], (ParamIDRecord{0, 0x100}));
    EXPECT_EQ(records[11], (ParamIDRecord{0, 0x10B}));
    // Knobs 12..23 always get their fixed track parameters.
    EXPECT_EQ(records[12], (ParamIDRecord{1, 4135}));
    EXPECT_EQ(records[15], (ParamIDRecord{1, 4138}));
    EXPECT_EQ(records[16], (ParamIDRecord{1, 4131}));
    EXPECT_EQ(records[19], (ParamIDRecord{1, 4134}));
    EXPECT_EQ(records[20], (ParamIDRecord{1, 4127}));
    EXPECT_EQ(records[23], (ParamIDRecord{1, 4130}));

    // One byte more before the F7: the records are stored, but the message has no further effect.
    Bytes longerPayload = payload;
    longerPayload.push_back('0');
    const Bytes longer = frame(k_prmChgHead_Rcv, 0x51, 0x00, longerPayload);
    ParamIDRecord stored[kKnobCount];
    EXPECT_FALSE(parseAllParamIDs(longer.data(), longer.size(), stored));
    EXPECT_EQ(stored[5], (ParamIDRecord{0, 0x105}));

    // A short message stores the records it holds whole and leaves the others alone.
    const Bytes shortMessage = frame(k_prmChgHead_Rcv, 0x51, 0x00, Bytes(payload.begin(), payload.begin() + 22));
    ParamIDRecord partial[kKnobCount];
    partial[2] = ParamIDRecord{0, 77};
    EXPECT_FALSE(parseAllParamIDs(shortMessage.data(), shortMessage.size(), partial));
    EXPECT_EQ(partial[1], (ParamIDRecord{0, 0x101}));
    EXPECT_EQ(partial[2], (ParamIDRecord{0, 77}));
}

TEST(ExtensionMessages, OneIdentifierTakesEffectOnlyForKnobs0To23WithF7AtByte18)
{
    int knob = -1;
    ParamIDRecord r;
    const Bytes complete = frame(k_prmChgHead_Rcv, 0x33, 0x00, text("100000401"));
    EXPECT_EQ(parseOneParamID(complete.data(), complete.size(), knob, r), OneParamIDResult::Complete);
    EXPECT_EQ(knob, 3);
    EXPECT_EQ(r, (ParamIDRecord{1, 0x401}));

    const Bytes longer = frame(k_prmChgHead_Rcv, 0x33, 0x00, text("1000004010"));
    EXPECT_EQ(parseOneParamID(longer.data(), longer.size(), knob, r), OneParamIDResult::StoredOnly);
    const Bytes shorter = frame(k_prmChgHead_Rcv, 0x33, 0x00, text("10000040"));
    EXPECT_EQ(parseOneParamID(shorter.data(), shorter.size(), knob, r), OneParamIDResult::Ignored);
    const Bytes knob24 = frame(k_prmChgHead_Rcv, 0x48, 0x00, text("100000401"));
    EXPECT_EQ(parseOneParamID(knob24.data(), knob24.size(), knob, r), OneParamIDResult::Ignored);
    const Bytes eqKnob = frame(k_prmChgHead_Rcv, 0x30 + 20, 0x00, text("0DEADBEEF"));
    EXPECT_EQ(parseOneParamID(eqKnob.data(), eqKnob.size(), knob, r), OneParamIDResult::Complete);
    EXPECT_EQ(r, (ParamIDRecord{1, 4127}));
}

TEST(ExtensionMessages, KnobTurnValuesGiveSteps)
{
    EXPECT_EQ(knobTurnSteps(0), 0);
    EXPECT_EQ(knobTurnSteps(1), 1);
    EXPECT_EQ(knobTurnSteps(64), 64);
    EXPECT_EQ(knobTurnSteps(65), -1);
    EXPECT_EQ(knobTurnSteps(127), -63);
    EXPECT_EQ(knobTurnSteps(128), 0);
    EXPECT_EQ(knobTurnSteps(255), 0);
}

TEST(ExtensionMessages, ServiceDispatchFollowsHeaderAndAddress)
{
    const auto kind = [](const Bytes& m) { return classifyIncoming(m.data(), m.size()); };
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x50, 0x00, text("BassPad     "))), ServiceMessage::InstrumentName);
    // The request header passes the device's filter but changes nothing in the service.
    EXPECT_EQ(kind(frame(k_prmReqHead_Rcv, 0x50, 0x00, text("BassPad     "))), ServiceMessage::Ignored);
    EXPECT_EQ(kind(frame(k_prmChgHead_Snd, 0x50, 0x00, text("BassPad     "))), ServiceMessage::Ignored);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x51, 0x00, {})), ServiceMessage::AllParamIDs);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x56, 0x00, {1})), ServiceMessage::RemoteMode);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x56, 0x00, {})), ServiceMessage::Ignored);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x47, 0x41, {5})), ServiceMessage::KnobTurn);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x48, 0x41, {5})), ServiceMessage::Ignored);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x30, 0x00, text("000000001"))), ServiceMessage::OneParamID);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x30, 0x09, {1})), ServiceMessage::Ignored);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x21, 0x00, {2})), ServiceMessage::UserCommand);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x56, 0x01, {})), ServiceMessage::StartupRefresh);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x22, 0x00, {4})), ServiceMessage::SelectPage);
    EXPECT_EQ(kind(frame(k_prmChgHead_Rcv, 0x23, 0x00, {1})), ServiceMessage::Ignored);
    EXPECT_EQ(kind(Bytes{0xF0, 0xF7}), ServiceMessage::Ignored);
    EXPECT_EQ(classifyIncoming(nullptr, 0), ServiceMessage::Ignored);
}

TEST(ExtensionMessages, RemoteDeviceSortsTheServicesMessages)
{
    const auto kind = [](unsigned char* built) {
        Message m(built);
        return classifyOutgoing(m.data, m.length());
    };
    EXPECT_EQ(kind(buildPageIndex(3)), SendDisposition::PageLed);
    EXPECT_EQ(kind(buildJogStopState(true)), SendDisposition::JogStop);
    EXPECT_EQ(kind(buildTrackName("Drums")), SendDisposition::QueueTrackName);
    EXPECT_EQ(kind(buildKnobName(1, "Cutoff")), SendDisposition::Queue);
    EXPECT_EQ(kind(buildExtensionRunning(k_prmChgHead_Snd)), SendDisposition::Queue);
    EXPECT_EQ(kind(buildExtensionRunning(k_prmChgHead_Rcv)), SendDisposition::Drop);
    EXPECT_EQ(kind(newMessage(k_prmReqHead_Snd, 0x52, 0x00, 0)), SendDisposition::Queue);
    EXPECT_EQ(kind(newMessage(k_prmChgHead_Snd, 0x51, 0x00, 0)), SendDisposition::Drop);
    EXPECT_EQ(kind(newMessage(k_prmChgHead_Snd, 0x22, 0x00, 0)), SendDisposition::Drop);
}

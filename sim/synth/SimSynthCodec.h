#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The simulated synthesizer's own SysEx codec. It is written independently of the editor's encoder and
// decoder on purpose: the two meet only on the wire, so each checks the other.
namespace zelksim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
inline constexpr std::uint8_t kActiveSensing = 0xFE;
inline constexpr std::uint8_t kManufacturer = 0x43;
inline constexpr std::uint8_t kModelHigh = 0x7F;
inline constexpr std::uint8_t kModelLow = 0x1C;
// Direction byte: 00 travels from the editor to the synthesizer, 01 from the synthesizer to the editor.
inline constexpr std::uint8_t kFromEditor = 0x00;
inline constexpr std::uint8_t kFromSynth = 0x01;

inline constexpr std::uint8_t kKindBulkDump = 0x0;
inline constexpr std::uint8_t kKindParamChange = 0x1;
inline constexpr std::uint8_t kKindBulkRequest = 0x2;
inline constexpr std::uint8_t kKindParamRequest = 0x3;
inline constexpr std::uint8_t kKindBulkAck = 0x6;

// Bulk address high bytes.
inline constexpr std::uint8_t kBulkHeader = 0x0E;
inline constexpr std::uint8_t kBulkBlock = 0x01;
inline constexpr std::uint8_t kBulkFooter = 0x0F;
inline constexpr std::uint8_t kBulkStoreToFlash = 0x11;

// Memory areas of a bulk dump or request.
inline constexpr std::uint8_t kAreaStored = 0x60;
inline constexpr std::uint8_t kAreaEditBuffer = 0x6F;

// Single parameters outside the template blocks (address mid, low 00).
inline constexpr std::uint8_t kAddrTemplateNumber = 0x20;
inline constexpr std::uint8_t kAddrStore = 0x22;
inline constexpr std::uint8_t kAddrBankEditFlag = 0x23;

inline constexpr int kTemplateCount = 50;
inline constexpr int kKnobCount = 12;
inline constexpr int kCommonBlockSize = 27;
inline constexpr int kKnobBlockSize = 26;
inline constexpr int kBlockCount = 1 + kKnobCount;        // common block, then one per knob
inline constexpr int kDumpMessageCount = kBlockCount + 2; // header, blocks, footer
// Longest message the dialect has (a common block: F0 .. F7), with room to spare for the input parser.
inline constexpr std::size_t kMaxMessageSize = 512;

// Checksum of a bulk message over the bytes from the direction byte through the last data byte.
std::uint8_t bulkChecksum(std::span<const std::uint8_t> summed);

// Byte count of a bulk message: bytes from the direction byte through the last data byte.
struct ByteCount
{
    std::uint8_t high;
    std::uint8_t low;
};
ByteCount bulkByteCount(std::size_t count);

// Builders. Every result is a whole wire message, F0 through F7.
Bytes buildParamChange(std::uint8_t device, std::uint8_t direction, std::uint8_t mid, std::uint8_t low,
                       std::span<const std::uint8_t> data);
Bytes buildParamRequest(std::uint8_t device, std::uint8_t mid, std::uint8_t low);
Bytes buildBulkRequest(std::uint8_t device, std::uint8_t area, std::uint8_t templateNumber);
Bytes buildBulk(std::uint8_t device, std::uint8_t direction, std::uint8_t addrHigh, std::uint8_t addrMid,
                std::uint8_t addrLow, std::span<const std::uint8_t> data);
Bytes buildBulkHeader(std::uint8_t device, std::uint8_t direction, std::uint8_t area, std::uint8_t templateNumber);
Bytes buildBulkFooter(std::uint8_t device, std::uint8_t direction, std::uint8_t area, std::uint8_t templateNumber);
// Block 0 is the common block (address 01 00 00), block 1 + k the block of knob k (01 1k 00).
Bytes buildBulkBlock(std::uint8_t device, std::uint8_t direction, int block, std::span<const std::uint8_t> data);
Bytes buildStoreToFlash(std::uint8_t device);
Bytes buildStoreCommand(std::uint8_t device, std::uint8_t direction);
Bytes buildBulkAck(std::uint8_t device);

// Address mid byte of a block: 00 for the common block, 10 + k for knob k.
std::uint8_t blockAddressMid(int block);
// Block index for an address mid byte, or -1.
int blockForAddressMid(std::uint8_t mid);
// Number of data bytes in a block.
int blockSize(int block);

// One received message, classified. Only the fields of its kind are meaningful.
struct Message
{
    enum class Kind
    {
        ParamChange,
        ParamRequest,
        BulkRequest,
        Bulk,
        BulkAck,
        Unknown, // not of this dialect: another maker, model or kind
    };
    Kind kind = Kind::Unknown;
    std::uint8_t device = 0; // low nibble of the device byte
    std::uint8_t direction = 0;
    std::uint8_t addrHigh = 0;
    std::uint8_t addrMid = 0;
    std::uint8_t addrLow = 0;
    std::span<const std::uint8_t> data; // points into the parsed bytes
    bool checksumOk = true;             // bulk messages only
    bool countOk = true;                // bulk messages only
};

// Why a message of this dialect was refused; Ok when it parsed.
enum class ParseError
{
    Ok,
    NotSysEx,    // does not start with F0 and end with F7
    TooShort,    // fewer bytes than its kind's fixed part
    WrongLength, // a request whose length is not its fixed length
    BadModel,    // model bytes other than 7F 1C
};

// Classifies one whole wire message (F0 .. F7). Reads nothing past the end of the given bytes; the
// returned data span stays valid as long as the bytes do.
ParseError parseMessage(std::span<const std::uint8_t> bytes, Message& out);

} // namespace zelksim

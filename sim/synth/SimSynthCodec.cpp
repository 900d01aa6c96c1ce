#include "SimSynthCodec.h"

namespace zelksim {

namespace {

// Fixed lengths of the wire messages, F0 and F7 included.
constexpr std::size_t kParamFixedSize = 10; // F0 43 kn 7F 1C dd 01 mm ll F7, before any data byte
constexpr std::size_t kBulkFixedSize = 13;  // F0 43 0n 7F 1C bh bl dd ah am al cs F7, before any data byte
constexpr std::size_t kAckMinSize = 5;      // F0 43 6n 02 F7

std::uint8_t deviceByte(std::uint8_t kind, std::uint8_t device)
{
    return static_cast<std::uint8_t>((kind << 4) | (device & 0x0F));
}

Bytes parameterMessage(std::uint8_t kind, std::uint8_t device, std::uint8_t direction, std::uint8_t high,
                       std::uint8_t mid, std::uint8_t low, std::span<const std::uint8_t> data)
{
    Bytes out;
    out.reserve(kParamFixedSize + data.size());
    out.assign(
        {kSysExStart, kManufacturer, deviceByte(kind, device), kModelHigh, kModelLow, direction, high, mid, low});
    out.insert(out.end(), data.data(), data.data() + data.size());
    out.push_back(kSysExEnd);
    return out;
}

bool hasModel(std::span<const std::uint8_t> bytes)
{
    return bytes[3] == kModelHigh && bytes[4] == kModelLow;
}

} // namespace

std::uint8_t bulkChecksum(std::span<const std::uint8_t> summed)
{
    unsigned sum = 0;
    for (std::uint8_t b : summed) {
        sum += b & 0x7Fu;
    }
    return static_cast<std::uint8_t>((0u - sum) & 0x7Fu);
}

ByteCount bulkByteCount(std::size_t count)
{
    return {static_cast<std::uint8_t>((count >> 7) & 0x7F), static_cast<std::uint8_t>(count & 0x7F)};
}

Bytes buildParamChange(std::uint8_t device, std::uint8_t direction, std::uint8_t mid, std::uint8_t low,
                       std::span<const std::uint8_t> data)
{
    return parameterMessage(kKindParamChange, device, direction, 0x01, mid, low, data);
}

Bytes buildParamRequest(std::uint8_t device, std::uint8_t mid, std::uint8_t low)
{
    return parameterMessage(kKindParamRequest, device, kFromEditor, 0x01, mid, low, {});
}

Bytes buildBulkRequest(std::uint8_t device, std::uint8_t area, std::uint8_t templateNumber)
{
    return parameterMessage(kKindBulkRequest, device, kFromEditor, kBulkHeader, area, templateNumber, {});
}

Bytes buildBulk(std::uint8_t device, std::uint8_t direction, std::uint8_t addrHigh, std::uint8_t addrMid,
                std::uint8_t addrLow, std::span<const std::uint8_t> data)
{
    const ByteCount count = bulkByteCount(4 + data.size());
    // Sized once: a dump is thirteen of these, and growing each message twice showed in every fuzzer run.
    Bytes out;
    out.reserve(kBulkFixedSize + data.size());
    out.assign({kSysExStart, kManufacturer, deviceByte(kKindBulkDump, device), kModelHigh, kModelLow, count.high,
                count.low, direction, addrHigh, addrMid, addrLow});
    // From plain pointers the library copies in one go; from the span's iterators it steps byte by byte.
    out.insert(out.end(), data.data(), data.data() + data.size());
    out.push_back(bulkChecksum(std::span<const std::uint8_t>(out).subspan(7)));
    out.push_back(kSysExEnd);
    return out;
}

Bytes buildBulkHeader(std::uint8_t device, std::uint8_t direction, std::uint8_t area, std::uint8_t templateNumber)
{
    return buildBulk(device, direction, kBulkHeader, area, templateNumber, {});
}

Bytes buildBulkFooter(std::uint8_t device, std::uint8_t direction, std::uint8_t area, std::uint8_t templateNumber)
{
    return buildBulk(device, direction, kBulkFooter, area, templateNumber, {});
}

Bytes buildBulkBlock(std::uint8_t device, std::uint8_t direction, int block, std::span<const std::uint8_t> data)
{
    return buildBulk(device, direction, kBulkBlock, blockAddressMid(block), 0x00, data);
}

Bytes buildStoreToFlash(std::uint8_t device)
{
    return buildBulk(device, kFromEditor, kBulkStoreToFlash, 0x00, 0x00, {});
}

Bytes buildStoreCommand(std::uint8_t device, std::uint8_t direction)
{
    return buildParamChange(device, direction, kAddrStore, 0x00, {});
}

Bytes buildBulkAck(std::uint8_t device)
{
    return {kSysExStart, kManufacturer, deviceByte(kKindBulkAck, device), 0x02, kSysExEnd};
}

std::uint8_t blockAddressMid(int block)
{
    return block <= 0 ? 0x00 : static_cast<std::uint8_t>(0x10 + (block - 1));
}

int blockForAddressMid(std::uint8_t mid)
{
    if (mid == 0x00) {
        return 0;
    }
    if (mid >= 0x10 && mid < 0x10 + kKnobCount) {
        return 1 + (mid - 0x10);
    }
    return -1;
}

int blockSize(int block)
{
    if (block == 0) {
        return kCommonBlockSize;
    }
    return block > 0 && block < kBlockCount ? kKnobBlockSize : 0;
}

ParseError parseMessage(std::span<const std::uint8_t> bytes, Message& out)
{
    out = Message{};
    if (bytes.size() < 2 || bytes.front() != kSysExStart || bytes.back() != kSysExEnd) {
        return ParseError::NotSysEx;
    }
    if (bytes.size() < 4) {
        return ParseError::TooShort;
    }
    if (bytes[1] != kManufacturer) {
        return ParseError::Ok;
    }
    const std::uint8_t kind = bytes[2] >> 4;
    out.device = bytes[2] & 0x0F;
    switch (kind) {
    case kKindBulkAck:
        if (bytes.size() >= kAckMinSize && bytes[3] == 0x02) {
            out.kind = Message::Kind::BulkAck;
        }
        return ParseError::Ok;
    case kKindParamChange:
    case kKindParamRequest:
    case kKindBulkRequest:
        if (bytes.size() < kParamFixedSize) {
            return ParseError::TooShort;
        }
        if (!hasModel(bytes)) {
            return ParseError::BadModel;
        }
        if (kind != kKindParamChange && bytes.size() != kParamFixedSize) {
            return ParseError::WrongLength;
        }
        out.kind = kind == kKindParamChange    ? Message::Kind::ParamChange
                   : kind == kKindParamRequest ? Message::Kind::ParamRequest
                                               : Message::Kind::BulkRequest;
        out.direction = bytes[5];
        out.addrHigh = bytes[6];
        out.addrMid = bytes[7];
        out.addrLow = bytes[8];
        out.data = bytes.subspan(9, bytes.size() - kParamFixedSize);
        return ParseError::Ok;
    case kKindBulkDump: {
        if (bytes.size() < kBulkFixedSize) {
            return ParseError::TooShort;
        }
        if (!hasModel(bytes)) {
            return ParseError::BadModel;
        }
        const std::size_t summedCount = bytes.size() - 9; // direction byte through the last data byte
        const std::size_t count = (std::size_t{bytes[5]} << 7) | bytes[6];
        out.kind = Message::Kind::Bulk;
        out.direction = bytes[7];
        out.addrHigh = bytes[8];
        out.addrMid = bytes[9];
        out.addrLow = bytes[10];
        out.data = bytes.subspan(11, bytes.size() - kBulkFixedSize);
        out.countOk = count == summedCount;
        out.checksumOk = bulkChecksum(bytes.subspan(7, summedCount)) == (bytes[bytes.size() - 2] & 0x7F);
        return ParseError::Ok;
    }
    default:
        return ParseError::Ok;
    }
}

} // namespace zelksim

#include "SimSynthTemplate.h"

#include <algorithm>
#include <cstdio>

namespace zelksim {

namespace {

constexpr std::uint8_t kBlank = 0x20;
// Remote number of a knob nobody assigned; the editor's default knob carries the same.
constexpr std::string_view kDefaultRemoteNumber = "204143dff";

FieldRef field(std::uint8_t mid, std::uint8_t start, std::uint8_t length, bool text)
{
    return FieldRef{mid, start, length, text};
}

std::uint8_t knobMid(int knob)
{
    return static_cast<std::uint8_t>(0x10 + std::clamp(knob, 0, kKnobCount - 1));
}

} // namespace

namespace fields {

FieldRef templateName()
{
    return field(0x00, 0x00, 13, true);
}
FieldRef instrumentName()
{
    return field(0x00, 0x0D, 12, true);
}
FieldRef controlType()
{
    return field(0x00, 0x19, 1, false);
}
FieldRef reserved()
{
    return field(0x00, 0x1A, 1, false);
}
FieldRef knobRemoteNumber(int knob)
{
    return field(knobMid(knob), 0x00, 9, true);
}
FieldRef knobDisplayName(int knob)
{
    return field(knobMid(knob), 0x09, 15, true);
}
FieldRef knobControlNumber(int knob)
{
    return field(knobMid(knob), 0x18, 1, false);
}
FieldRef knobDisplayFormat(int knob)
{
    return field(knobMid(knob), 0x19, 1, false);
}

std::optional<Located> locate(std::uint8_t mid, std::uint8_t low)
{
    const int block = blockForAddressMid(mid);
    if (block < 0 || low >= blockSize(block)) {
        return std::nullopt;
    }
    const FieldRef candidates[] = {
        block == 0 ? templateName() : knobRemoteNumber(block - 1),
        block == 0 ? instrumentName() : knobDisplayName(block - 1),
        block == 0 ? controlType() : knobControlNumber(block - 1),
        block == 0 ? reserved() : knobDisplayFormat(block - 1),
    };
    for (const FieldRef& f : candidates) {
        if (low >= f.start && low < f.start + f.length) {
            return Located{f, low - f.start};
        }
    }
    return std::nullopt;
}

} // namespace fields

TemplateImage::TemplateImage() : m_bytes(blankBytes()) {}

// Made once: a synthesizer holds a hundred templates, and tests and fuzzers make many synthesizers.
const std::array<std::uint8_t, TemplateImage::kSize>& TemplateImage::blankBytes()
{
    static const std::array<std::uint8_t, kSize> bytes = [] {
        TemplateImage image{Zeroed{}};
        image.setText(fields::templateName(), "");
        image.setText(fields::instrumentName(), "");
        for (int k = 0; k < kKnobCount; ++k) {
            image.setText(fields::knobRemoteNumber(k), kDefaultRemoteNumber);
            image.setText(fields::knobDisplayName(k), "");
        }
        return image.m_bytes;
    }();
    return bytes;
}

int TemplateImage::offset(FieldRef field)
{
    const int block = blockForAddressMid(field.mid);
    const int blockStart = block <= 0 ? 0 : kCommonBlockSize + (block - 1) * kKnobBlockSize;
    return blockStart + field.start;
}

std::span<const std::uint8_t> TemplateImage::block(int block) const
{
    const int size = blockSize(block);
    const int start = block == 0 ? 0 : kCommonBlockSize + (block - 1) * kKnobBlockSize;
    return std::span<const std::uint8_t>(m_bytes).subspan(size > 0 ? start : 0, size);
}

void TemplateImage::setBlock(int block, std::span<const std::uint8_t> data)
{
    const std::size_t size = static_cast<std::size_t>(blockSize(block));
    if (size == 0 || data.size() != size) {
        return;
    }
    const int start = block == 0 ? 0 : kCommonBlockSize + (block - 1) * kKnobBlockSize;
    std::transform(data.begin(), data.end(), m_bytes.begin() + start, [](std::uint8_t b) { return b & 0x7F; });
}

std::span<const std::uint8_t> TemplateImage::bytes(FieldRef field) const
{
    return std::span<const std::uint8_t>(m_bytes).subspan(offset(field), field.length);
}

bool TemplateImage::write(FieldRef field, int position, std::span<const std::uint8_t> data)
{
    if (position < 0 || data.empty() || static_cast<std::size_t>(position) + data.size() > field.length) {
        return false;
    }
    std::transform(data.begin(), data.end(), m_bytes.begin() + offset(field) + position,
                   [](std::uint8_t b) { return b & 0x7F; });
    return true;
}

std::string TemplateImage::text(FieldRef field) const
{
    const auto b = bytes(field);
    std::string s(b.begin(), b.end());
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

void TemplateImage::setText(FieldRef field, std::string_view text)
{
    // Plain pointers and one fill: a fill command writes a hundred templates, and the fuzzers run this
    // unoptimised.
    std::uint8_t* const out = m_bytes.data() + offset(field);
    const std::size_t kept = std::min<std::size_t>(field.length, text.size());
    const char* const in = text.data();
    for (std::size_t i = 0; i < kept; ++i) {
        out[i] = static_cast<std::uint8_t>(in[i]) & 0x7F;
    }
    std::fill(out + kept, out + field.length, kBlank);
}

int TemplateImage::number(FieldRef field) const
{
    return m_bytes[offset(field)];
}

void TemplateImage::setNumber(FieldRef field, int value)
{
    m_bytes[offset(field)] = static_cast<std::uint8_t>(value & 0x7F);
}

TemplateImage TemplateImage::pattern(int seed, int templateNumber)
{
    // Characters the bank file must escape, and blanks inside texts, are there on purpose.
    static constexpr std::string_view kSpice[] = {"&", "<", ">", "\"", "'", " ", "~", "#"};
    const int t = templateNumber;
    TemplateImage image;
    char buf[32];
    std::snprintf(buf, sizeof buf, "S%d T%02d%s", seed % 100, t, kSpice[(seed + t) % 8].data());
    image.setText(fields::templateName(), buf);
    std::snprintf(buf, sizeof buf, "Inst%d_%d", seed % 1000, t);
    image.setText(fields::instrumentName(), buf);
    image.setNumber(fields::controlType(), (seed + t) & 1);
    for (int k = 0; k < kKnobCount; ++k) {
        const unsigned id = static_cast<unsigned>(seed) * 2654435761u + static_cast<unsigned>(t * 97 + k * 7 + 1);
        // Identifier spaces 0 (instrument), 1 (track) and 2 (none) all occur.
        std::snprintf(buf, sizeof buf, "%d%08x", (t + k) % 3, id);
        image.setText(fields::knobRemoteNumber(k), buf);
        std::snprintf(buf, sizeof buf, "K%d.%d%s%d", t, k, kSpice[(seed + t + k) % 8].data(), seed % 10);
        image.setText(fields::knobDisplayName(k), buf);
        image.setNumber(fields::knobControlNumber(k), (seed * 7 + t * 12 + k) % 128);
        image.setNumber(fields::knobDisplayFormat(k), (seed + t + k) & 1);
    }
    return image;
}

} // namespace zelksim

#pragma once

#include "SimSynthCodec.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelksim {

// One field of a template as the synthesizer addresses it: SysEx address (01 mid start), length, kind.
struct FieldRef
{
    std::uint8_t mid = 0;
    std::uint8_t start = 0;
    std::uint8_t length = 0;
    bool text = false;

    bool operator==(const FieldRef&) const = default;
};

namespace fields {
FieldRef templateName();              // 01 00 00, 13 characters
FieldRef instrumentName();            // 01 00 0D, 12 characters
FieldRef controlType();               // 01 00 19, number
FieldRef reserved();                  // 01 00 1A, number, always 0 from the editor
FieldRef knobRemoteNumber(int knob);  // 01 1k 00, 9 characters
FieldRef knobDisplayName(int knob);   // 01 1k 09, 15 characters
FieldRef knobControlNumber(int knob); // 01 1k 18, number
FieldRef knobDisplayFormat(int knob); // 01 1k 19, number
// The field that holds the byte at address (01 mid low), with the byte's position in it.
struct Located
{
    FieldRef field;
    int position = 0;
};
std::optional<Located> locate(std::uint8_t mid, std::uint8_t low);
} // namespace fields

// The memory image of one template: the common block followed by the twelve knob blocks, exactly as the
// bulk dump carries them. The synthesizer keeps 7-bit bytes only.
class TemplateImage
{
public:
    static constexpr int kSize = kCommonBlockSize + kKnobCount * kKnobBlockSize;

    // Texts all blanks, numbers 0.
    TemplateImage();

    std::span<const std::uint8_t> block(int block) const;
    void setBlock(int block, std::span<const std::uint8_t> data);

    std::span<const std::uint8_t> bytes(FieldRef field) const;
    // Writes bytes into a field from a position; false (nothing written) when they do not fit.
    bool write(FieldRef field, int position, std::span<const std::uint8_t> data);

    // A text field with its trailing blanks removed.
    std::string text(FieldRef field) const;
    // Cuts the text to the field or fills it with blanks; bytes are kept to 7 bits.
    void setText(FieldRef field, std::string_view text);
    int number(FieldRef field) const;
    void setNumber(FieldRef field, int value);

    // Distinct, deterministic contents for tests and demonstrations: every field differs between
    // templates and seeds, texts use printable ASCII only.
    static TemplateImage pattern(int seed, int templateNumber);

    bool operator==(const TemplateImage&) const = default;

private:
    struct Zeroed {};
    explicit TemplateImage(Zeroed) {}
    static const std::array<std::uint8_t, kSize>& blankBytes();
    static int offset(FieldRef field);
    std::array<std::uint8_t, kSize> m_bytes{};
};

} // namespace zelksim

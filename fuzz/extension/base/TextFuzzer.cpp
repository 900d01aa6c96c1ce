// Feeds arbitrary bytes through the foundation's code-page conversions and identifier parsers.
#include "FUnknown.h"
#include "String.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Quorvane;

namespace {

const uint32 kCodePages[] = {0, 2, 932, 1252, 10029, 65001, 437};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint32 codePage = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
    const std::size_t limit = data[1];
    data += 2;
    size -= 2;

    std::vector<char> bytes(data, data + size);
    bytes.push_back(0);
    std::vector<char16> units((size / 2) + 1, 0);
    std::memcpy(units.data(), data, (size / 2) * 2);

    // Bytes to 16-bit text and back; the length always matches the terminator.
    String narrow(bytes.data());
    if (narrow.toWideString(codePage)) {
        const char16* wide = narrow.text16();
        int32 n = 0;
        while (wide[n] != 0)
            ++n;
        check(n == narrow.length());
        narrow.toMultiByte(codePage);
        check(std::strlen(narrow.text8()) == static_cast<std::size_t>(narrow.length()));
    }

    // 16-bit text (unpaired surrogates included) to bytes.
    String wideText(units.data());
    if (wideText.toMultiByte(codePage))
        check(std::strlen(wideText.text8()) == static_cast<std::size_t>(wideText.length()));

    // Bounded conversions never write past their limit.
    std::vector<char16> smallUnits(limit + 1, 0x5A5A);
    String::multiByteToWideString(limit ? smallUnits.data() : nullptr, bytes.data(), static_cast<int32>(limit),
                                  codePage);
    check(smallUnits[limit] == 0x5A5A);
    std::vector<char> smallBytes(limit + 1, 0x5A);
    String::wideStringToMultiByte(limit ? smallBytes.data() : nullptr, units.data(), static_cast<int32>(limit),
                                  codePage);
    check(smallBytes[limit] == 0x5A);

    // Comparisons across widths and cases.
    String a(bytes.data());
    String b(units.data());
    a.compare(b, ConstString::kCaseInsensitive);
    b.compareAt(static_cast<int32>(limit), a, static_cast<int32>(size), ConstString::kCaseSensitive);

    // Identifier text forms.
    FUID id;
    if (id.fromString(bytes.data())) {
        char text[FUID::kStringSize];
        id.toString(text);
        FUID again;
        check(again.fromString(text) && again == id);
    }
    if (id.fromRegistryString(bytes.data())) {
        char text[FUID::kRegistryStringSize];
        id.toRegistryString(text);
        FUID again;
        check(again.fromRegistryString(text) && again == id);
    }
    return 0;
}

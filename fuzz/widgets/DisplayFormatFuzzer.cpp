// Feeds arbitrary display formats through the checked printf path; a format that slipped through the
// check with a conversion other than one double would read beyond the arguments and be caught here.
#include "detail/DisplayFormat.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < sizeof(double)) {
        return 0;
    }
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    const QString format = QString::fromLatin1(reinterpret_cast<const char*>(data) + sizeof value,
                                               static_cast<qsizetype>(size - sizeof value));
    const QString shown = kwwidgets::formatDisplayValue(format, value);
    if (kwwidgets::isSafeDisplayFormat(format) && shown.size() > 255) {
        __builtin_trap();
    }
    return 0;
}

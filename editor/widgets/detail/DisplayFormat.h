#pragma once

#include <QString>

namespace kwwidgets {

// True when format holds exactly one floating-point conversion (flags, width and precision allowed, no '*'
// and no length modifier) and otherwise only literal text and "%%": the only kind of format that may be
// handed to printf with one double.
bool isSafeDisplayFormat(const QString& format);

// The value printed with format in the local 8-bit encoding, or as a plain number when the format is not
// safe (isSafeDisplayFormat).
QString formatDisplayValue(const QString& format, double value);

} // namespace kwwidgets

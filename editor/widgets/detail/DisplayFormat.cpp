#include "detail/DisplayFormat.h"

#include <QByteArray>

#include <cstdio>

namespace kwwidgets {

namespace {

// Longest width or precision accepted; a wider field is no display format but a way to make huge text.
constexpr int kMaxFieldDigits = 2;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool checkFormat(const QByteArray& bytes)
{
    int conversions = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] == '\0') {
            return false;
        }
        if (bytes[i] != '%') {
            continue;
        }
        ++i;
        if (i < n && bytes[i] == '%') {
            continue;
        }
        while (i < n && (bytes[i] == '-' || bytes[i] == '+' || bytes[i] == ' ' || bytes[i] == '#' || bytes[i] == '0')) {
            ++i;
        }
        int digits = 0;
        while (i < n && isDigit(bytes[i])) {
            ++i;
            ++digits;
        }
        if (digits > kMaxFieldDigits) {
            return false;
        }
        if (i < n && bytes[i] == '.') {
            ++i;
            digits = 0;
            while (i < n && isDigit(bytes[i])) {
                ++i;
                ++digits;
            }
            if (digits > kMaxFieldDigits) {
                return false;
            }
        }
        if (i >= n) {
            return false;
        }
        switch (bytes[i]) {
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            ++conversions;
            break;
        default:
            return false;
        }
    }
    return conversions == 1;
}

} // namespace

bool isSafeDisplayFormat(const QString& format)
{
    return checkFormat(format.toLocal8Bit());
}

QString formatDisplayValue(const QString& format, double value)
{
    const QByteArray bytes = format.toLocal8Bit();
    if (!checkFormat(bytes)) {
        return QString::number(value);
    }
    char buffer[256];
    const int written = std::snprintf(buffer, sizeof buffer, bytes.constData(), value);
    if (written < 0) {
        return QString::number(value);
    }
    return QString::fromLocal8Bit(buffer);
}

} // namespace kwwidgets

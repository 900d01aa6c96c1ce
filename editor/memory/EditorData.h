#pragma once

#include <QString>

// Conversions of the parameter identifier between its 9-character form (identifier-space digit and
// eight hexadecimal digits) and its 11-digit decimal form. Stateless; any thread.
class EditorData
{
public:
    // "20068435455" -> "204143dff". A shorter input is padded on the left with '0' first.
    static QString translateDwremoteparam2Sremoteparam(QString decimalForm);
    // "204143dff" -> "20068435455".
    static QString translateSremoteparam2Dwremoteparam(QString hexForm);
    // The 32-bit number of the identifier (its last eight characters); 0 when they are no hex number.
    static quint32 getRemoteParamContentsFromSRemoteStringParam(QString hexForm);
    // The identifier space (first character as a hex digit); 0 when it is none.
    static int getRemoteParamTypeFromSRemoteStringParam(QString hexForm);
};

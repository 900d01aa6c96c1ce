#include "AddressTransTable.h"

AddressTransTable::AddressTransTable()
{
    // Knobs are numbered row by row: letter A..D is the column, digit 1..3 the row.
    static const char* const kKnobNames[] = {"knobA1", "knobB1", "knobC1", "knobD1", "knobA2", "knobB2",
                                             "knobC2", "knobD2", "knobA3", "knobB3", "knobC3", "knobD3"};

    m_table.insert(QStringLiteral("bankName"), 50);
    for (int knob = 0; knob < 12; ++knob)
        m_table.insert(QLatin1String(kKnobNames[knob]), knob);
    m_table.insert(QStringLiteral("templateName"), 13);
    m_table.insert(QStringLiteral("controlType"), 14);
    m_table.insert(QStringLiteral("displayName"), 0);
    m_table.insert(QStringLiteral("ccNumber"), 1);
    m_table.insert(QStringLiteral("displayFormat"), 2);
    m_table.insert(QStringLiteral("remoteNumber"), 3);
    m_table.insert(QStringLiteral("qpxiName"), 15);
    m_table.insert(QStringLiteral("none"), -1);
    m_table.insert(QStringLiteral("isOnline"), -2);
    m_table.insert(QStringLiteral("fileName"), -4);
    m_table.insert(QStringLiteral("bankEditFlag"), -6);
    m_table.insert(QStringLiteral("fileEditFlag"), -3);
    m_table.insert(QStringLiteral("libraryEditFlag"), -5);
    m_table.insert(QStringLiteral("bankAvailableFlag"), 51);
    m_table.insert(QStringLiteral("currentTemplateNumber"), 52);
}

AddressTransTable::~AddressTransTable() = default;

#pragma once

#include <QHash>
#include <QString>

// The fixed table of parameter names that named addresses resolve through. Filled once in the
// constructor and only read afterwards, so any thread may look names up.
class AddressTransTable
{
public:
    AddressTransTable();
    virtual ~AddressTransTable();

    QHash<QString, int> getTable() const { return m_table; }

    // The number of name, -1 when the table does not hold it ("none" also maps to -1).
    int lookup(const QString& name) const { return m_table.value(name, -1); }

private:
    QHash<QString, int> m_table;
};

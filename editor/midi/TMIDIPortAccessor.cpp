#include "TMIDIPortAccessor.h"

#include <QRegularExpression>
#include <QSet>
#include <QSettings>

#include <map>

namespace {

const QLatin1String kUnknownPortName("<unknown port name>");
const QLatin1String kUnknownDevice("Unknown Device");

QString settingsKey(int dir, const char* leaf)
{
    return QLatin1String(TUniMIDIPortAccessor::kSettingsPrefix) +
           (dir == TMIDIPortAccessor::kInput ? QLatin1String("Input/") : QLatin1String("Output/")) +
           QLatin1String(leaf);
}

} // namespace

TMIDIPortAccessor::TMIDIPortAccessor() = default;

TMIDIPortAccessor::~TMIDIPortAccessor() = default;

QString TMIDIPortAccessor::makeEntry(long number, const QString& name)
{
    return QStringLiteral("%1%2%3").arg(number).arg(QLatin1Char(';')).arg(name);
}

bool TMIDIPortAccessor::splitEntry(const QString& entry, QString* number, QString* name)
{
    // Port names may hold ";" themselves: only the first one separates.
    const qsizetype at = entry.indexOf(QLatin1Char(';'));
    if (at < 0)
        return false;
    if (number)
        *number = entry.left(at);
    if (name)
        *name = entry.mid(at + 1);
    return true;
}

void TMIDIPortAccessor::qUuids(int dir, QList<QUuid>& list) const
{
    if (dir != kInput && dir != kOutput)
        return;
    std::map<long, QUuid> byNumber;
    for (auto it = m_ports[dir].cbegin(); it != m_ports[dir].cend(); ++it) {
        QString number;
        QString name;
        if (!splitEntry(it.value(), &number, &name) || number.isEmpty() || name.isEmpty())
            continue;
        bool ok = false;
        const long n = number.toLong(&ok);
        if (!ok)
            continue;
        byNumber[n] = it.key(); // the map is walked in QUuid order, so the later one stays
    }
    for (const auto& [number, uuid] : byNumber)
        list.append(uuid);
}

QString TMIDIPortAccessor::encodedName(const QUuid& uuid) const
{
    if (!uuid.isNull()) {
        for (const auto& ports : m_ports) {
            const auto it = ports.constFind(uuid);
            if (it != ports.cend())
                return it.value();
        }
    }
    return makeEntry(0, kUnknownPortName);
}

QString TMIDIPortAccessor::friendlyName(const QUuid& uuid) const
{
    QString name;
    splitEntry(encodedName(uuid), nullptr, &name);
    return name;
}

long TMIDIPortAccessor::portID(const QUuid& uuid) const
{
    QString number;
    if (!splitEntry(encodedName(uuid), &number, nullptr))
        return 0;
    bool ok = false;
    const long n = number.toLong(&ok);
    return ok ? n : 0;
}

QStringList TMIDIPortAccessor::getPortList(int dir) const
{
    if (dir != kInput && dir != kOutput)
        return {};
    return m_ports[dir].values();
}

QString TUniMIDIPortAccessor::portName(const QString& deviceName, const QString& endpointName, int portNumber)
{
    const QString device = deviceName.isEmpty() ? QString(kUnknownDevice) : deviceName;
    QString endpoint = endpointName.isEmpty() ? QStringLiteral("Port #%1").arg(portNumber) : endpointName;
    endpoint.remove(device + QLatin1Char(' '));
    // The second device of one name is listed as "Name (2)", its endpoints still named "Name Port1".
    static const QRegularExpression numbered(QStringLiteral("^(.+) \\([0-9]+\\)$"));
    const QRegularExpressionMatch match = numbered.match(device);
    if (match.hasMatch() && endpoint.startsWith(match.captured(1) + QLatin1Char(' ')))
        endpoint.remove(0, match.captured(1).size() + 1);
    return device + QLatin1Char(' ') + endpoint;
}

void TUniMIDIPortAccessor::updatePortInfo()
{
    updatePortInfo(kInput);
    updatePortInfo(kOutput);
}

void TUniMIDIPortAccessor::updatePortInfo(int dir)
{
    dir = dir == kInput ? kInput : kOutput;
    m_ports[dir].clear();
    updateDirection(dir);
}

void TUniMIDIPortAccessor::updateDirection(int dir)
{
    const QString marker = QLatin1String(dir == kInput ? kInputMarker : kOutputMarker);
    const QString namesKey = settingsKey(dir, "portNames");
    const QString idsKey = settingsKey(dir, "portIds");
    QSettings settings;
    QStringList storedNames = settings.value(namesKey).toStringList();
    QStringList storedIds;
    if (settings.contains(namesKey))
        storedIds = settings.value(idsKey).toStringList();

    // The stored pairs are used only when both lists are whole; a damaged pair of lists is rebuilt.
    struct Candidate
    {
        QString name;
        QUuid uuid;
        bool used = false;
    };
    QList<Candidate> candidates;
    QSet<QUuid> seen;
    bool valid = storedNames.size() == storedIds.size();
    for (qsizetype i = 0; valid && i < storedNames.size(); ++i) {
        const QUuid uuid(storedIds.at(i));
        QString name;
        if (uuid.isNull() || seen.contains(uuid) || !splitEntry(storedNames.at(i), nullptr, &name)) {
            valid = false;
            break;
        }
        name.remove(marker);
        seen.insert(uuid);
        candidates.append({name, uuid, false});
    }
    // A damaged pair of lists is written back whole.
    bool changed = !valid;
    if (!valid || candidates.isEmpty()) {
        candidates.clear();
        storedNames.clear();
        storedIds.clear();
    }

    const int count = getNumPorts(dir);
    for (int i = 0; i < count; ++i) {
        const QString name = identifierForIndex(dir, i);
        if (name.isEmpty())
            continue;
        const QString entry = makeEntry(i + 1, name);
        // The k-th port of one name takes the k-th stored pair of that name, so that ports sharing a
        // name keep their QUuids and the stored lists do not grow on every refresh.
        QUuid uuid;
        for (Candidate& c : candidates) {
            if (!c.used && c.name == name) {
                c.used = true;
                uuid = c.uuid;
                break;
            }
        }
        if (uuid.isNull()) {
            uuid = QUuid::createUuid();
            storedNames.append(entry + marker);
            storedIds.append(uuid.toString());
            changed = true;
        }
        m_ports[dir].insert(uuid, entry);
    }
    // Written only when they changed: every write locks the settings file, and a listing happens each
    // time a panel shows the ports.
    if (changed) {
        settings.setValue(namesKey, storedNames);
        settings.setValue(idsKey, storedIds);
    }
}

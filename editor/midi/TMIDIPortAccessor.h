#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUuid>

// The directory of the machine's MIDI ports: entries "n;Device Endpoint" keyed by a QUuid that stays
// the same for a port name across runs (kept in the settings store). GUI thread only.
class TMIDIPortAccessor
{
public:
    // Direction indices of the two maps.
    static constexpr int kInput = 0;
    static constexpr int kOutput = 1;

    TMIDIPortAccessor();
    virtual ~TMIDIPortAccessor();
    TMIDIPortAccessor(const TMIDIPortAccessor&) = delete;
    TMIDIPortAccessor& operator=(const TMIDIPortAccessor&) = delete;

    // Appends the direction's QUuids in ascending order of their port numbers; entries without a number
    // or a name are left out, and of two with the same number the later in QUuid order is kept.
    virtual void qUuids(int dir, QList<QUuid>& list) const;
    // The entry of a QUuid (inputs first, then outputs); "0;<unknown port name>" for any other.
    virtual QString encodedName(const QUuid& uuid) const;
    // The name part of the entry: everything behind the first ";".
    virtual QString friendlyName(const QUuid& uuid) const;
    // The port number of the entry; 0 for an unknown QUuid.
    virtual long portID(const QUuid& uuid) const;

    // The direction's entries in ascending QUuid order (not by port number).
    QStringList getPortList(int dir) const;
    QStringList getInputPortList() const { return getPortList(kInput); }
    QStringList getOutputPortList() const { return getPortList(kOutput); }

    // Entry text of a port number and name, and its two parts; false when the entry has no ";".
    static QString makeEntry(long number, const QString& name);
    static bool splitEntry(const QString& entry, QString* number, QString* name);

protected:
    // Port entries by QUuid, index kInput or kOutput.
    QMap<QUuid, QString> m_ports[2];
};

// A directory refreshed from an enumeration of endpoints, with the stored QUuid of each port name.
class TUniMIDIPortAccessor : public TMIDIPortAccessor
{
public:
    // Settings keys (under the application's settings store) and the markers behind stored entries.
    static constexpr const char* kSettingsPrefix = "/preferences/SystemPorts/";
    static constexpr const char* kInputMarker = "<[Inp]>";
    static constexpr const char* kOutputMarker = "<[Out]>";

    // Rebuilds both maps (or the one of a direction) from the endpoints present and brings the stored
    // pairs up to date. A listing may wait for the MIDI system to catch up, so list only what is asked.
    void updatePortInfo();
    void updatePortInfo(int dir);

    // The number of endpoints of a direction, and the name of one (0-based); "" when it does not exist.
    // A refresh names the endpoints of one direction right after counting them.
    virtual int getNumPorts(int dir) = 0;
    virtual QString identifierForIndex(int dir, int index) = 0;

    // A port's name from the names the system gives: "Device Endpoint", without the device name
    // repeated inside the endpoint name. portNumber is 1-based and names a port without a name.
    static QString portName(const QString& deviceName, const QString& endpointName, int portNumber);

private:
    void updateDirection(int dir);
};

// The directory the controller uses: a new one over the machine's MIDI system, refreshed once.
TMIDIPortAccessor* MIDIPortAccessor();

#include "TMIDIPortAccessor.h"
#include "TSystemMIDIPortAccessor.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <utility>
#include <vector>

namespace {

using Names = std::vector<std::pair<QString, QString>>; // device, endpoint

// A directory over a list of endpoint names that a test changes between refreshes.
class ListedPorts : public TUniMIDIPortAccessor
{
public:
    Names endpoints[2];

    int getNumPorts(int dir) override { return int(endpoints[dir ? 1 : 0].size()); }
    QString identifierForIndex(int dir, int index) override
    {
        const Names& list = endpoints[dir ? 1 : 0];
        if (index < 0 || index >= int(list.size()))
            return QString();
        return portName(list[size_t(index)].first, list[size_t(index)].second, index + 1);
    }
    // The QUuid of the entry with this text, null when none.
    QUuid uuidOf(int dir, const QString& entry) const { return m_ports[dir].key(entry); }
};

QStringList stored(const char* key)
{
    return QSettings().value(QStringLiteral("/preferences/SystemPorts/") + QLatin1String(key)).toStringList();
}

void store(const char* key, const QStringList& value)
{
    QSettings().setValue(QStringLiteral("/preferences/SystemPorts/") + QLatin1String(key), value);
}

class PortDirectory : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().remove(QStringLiteral("/preferences/SystemPorts")); }
    void TearDown() override { QSettings().remove(QStringLiteral("/preferences/SystemPorts")); }
};

} // namespace

TEST_F(PortDirectory, ListsAFirstSourceAndStoresItsPair)
{
    ListedPorts ports;
    ports.endpoints[0] = {{"Synth", "Out 1"}};
    ports.updatePortInfo();
    EXPECT_EQ(ports.getInputPortList(), QStringList{"1;Synth Out 1"});
    EXPECT_TRUE(ports.getOutputPortList().isEmpty());
    EXPECT_EQ(stored("Input/portNames"), QStringList{"1;Synth Out 1<[Inp]>"});
    const QStringList ids = stored("Input/portIds");
    ASSERT_EQ(ids.size(), 1);
    const QUuid uuid(ids.first());
    EXPECT_FALSE(uuid.isNull());
    EXPECT_EQ(ports.portID(uuid), 1);
    EXPECT_EQ(ports.friendlyName(uuid), "Synth Out 1");
    EXPECT_EQ(ports.encodedName(uuid), "1;Synth Out 1");
    EXPECT_TRUE(stored("Output/portNames").isEmpty());
}

TEST_F(PortDirectory, NamesPortsWithoutRepeatingTheDeviceOrWithDefaults)
{
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Synth", "Synth Port1", 1), "Synth Port1");
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Synth", "Port1", 1), "Synth Port1");
    EXPECT_EQ(TUniMIDIPortAccessor::portName("", "", 2), "Unknown Device Port #2");
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Box", "", 7), "Box Port #7");
    EXPECT_EQ(TUniMIDIPortAccessor::portName("", "In", 1), "Unknown Device In");
    // Only the device name followed by a blank is removed, case-sensitively.
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Synth", "SynthPort synth Port", 1), "Synth SynthPort synth Port");
    // A second device of one name keeps its number, and its endpoints do not repeat the name either.
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Synth (2)", "Synth Port1", 1), "Synth (2) Port1");
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Synth (2)", "Port1", 1), "Synth (2) Port1");
    EXPECT_EQ(TUniMIDIPortAccessor::portName("Synth (x)", "Synth Port1", 1), "Synth (x) Synth Port1");

    ListedPorts ports;
    ports.endpoints[1] = {{"Synth", "Synth Port1"}, {"", ""}};
    ports.updatePortInfo();
    const QStringList outputs = ports.getOutputPortList();
    EXPECT_TRUE(outputs.contains("1;Synth Port1"));
    EXPECT_TRUE(outputs.contains("2;Unknown Device Port #2"));
}

TEST_F(PortDirectory, APortKeepsItsUuidAcrossRestartsAndItsStoredNumber)
{
    QUuid before;
    {
        ListedPorts ports;
        ports.endpoints[0] = {{"Synth", "Port5"}};
        ports.updatePortInfo();
        before = ports.uuidOf(0, "1;Synth Port5");
        ASSERT_FALSE(before.isNull());
    }
    ListedPorts ports;
    ports.endpoints[0] = {{"Other", "In"}, {"Another", "In"}, {"Synth", "Port5"}};
    ports.updatePortInfo();
    EXPECT_EQ(ports.uuidOf(0, "3;Synth Port5"), before);
    EXPECT_EQ(ports.portID(before), 3);
    const QStringList names = stored("Input/portNames");
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(names.first(), "1;Synth Port5<[Inp]>"); // the stored entry keeps its first number
    EXPECT_EQ(stored("Input/portIds").size(), 3);

    // A port that vanishes keeps its pair; when it comes back it gets its QUuid back.
    ports.endpoints[0] = {{"Other", "In"}};
    ports.updatePortInfo();
    EXPECT_EQ(ports.portID(before), 0);
    EXPECT_EQ(stored("Input/portNames").size(), 3);
    ports.endpoints[0] = {{"Synth", "Port5"}};
    ports.updatePortInfo();
    EXPECT_EQ(ports.portID(before), 1);
}

TEST_F(PortDirectory, PortsSharingANameKeepTheirPairsWithoutGrowingTheSettings)
{
    ListedPorts ports;
    ports.endpoints[0] = {{"Twin", "In"}, {"Twin", "In"}, {"Solo", "In"}};
    ports.endpoints[1] = {{"Twin", "Out"}, {"Twin", "Out"}};
    ports.updatePortInfo();
    const QUuid first = ports.uuidOf(0, "1;Twin In");
    const QUuid second = ports.uuidOf(0, "2;Twin In");
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_NE(first, second);
    EXPECT_EQ(ports.getInputPortList().size(), 3);
    EXPECT_EQ(ports.getOutputPortList().size(), 2);
    for (int refresh = 0; refresh < 3; ++refresh) {
        ports.updatePortInfo();
        EXPECT_EQ(ports.uuidOf(0, "1;Twin In"), first);
        EXPECT_EQ(ports.uuidOf(0, "2;Twin In"), second);
        EXPECT_EQ(stored("Input/portNames").size(), 3);
        EXPECT_EQ(stored("Input/portIds").size(), 3);
        EXPECT_EQ(stored("Output/portNames").size(), 2);
    }
    // A third twin gets one new pair, once.
    ports.endpoints[0].push_back({"Twin", "In"});
    ports.updatePortInfo();
    ports.updatePortInfo();
    EXPECT_EQ(stored("Input/portNames").size(), 4);
    EXPECT_EQ(ports.uuidOf(0, "1;Twin In"), first);
}

TEST_F(PortDirectory, APortNameWithASemicolonKeepsItsPair)
{
    ListedPorts ports;
    ports.endpoints[0] = {{"Odd;Device", "In;1"}};
    ports.updatePortInfo();
    const QUuid uuid = ports.uuidOf(0, "1;Odd;Device In;1");
    ASSERT_FALSE(uuid.isNull());
    ports.updatePortInfo();
    EXPECT_EQ(ports.uuidOf(0, "1;Odd;Device In;1"), uuid);
    EXPECT_EQ(stored("Input/portNames").size(), 1);
    EXPECT_EQ(ports.friendlyName(uuid), "Odd;Device In;1");
    EXPECT_EQ(ports.portID(uuid), 1);
    QList<QUuid> list;
    ports.qUuids(0, list);
    EXPECT_EQ(list, QList<QUuid>{uuid});
}

TEST_F(PortDirectory, DamagedStoredListsAreRebuiltFromThePortsPresent)
{
    const QString keptId = QUuid::createUuid().toString();
    const std::vector<std::pair<QStringList, QStringList>> damaged = {
        {{"1;Synth In<[Inp]>", "2;Other<[Inp]>"}, {keptId}},            // unequal lengths
        {{"1;Synth In<[Inp]>"}, {"not a uuid"}},                        // bad QUuid text
        {{"Synth In<[Inp]>"}, {keptId}},                                // no semicolon
        {{"1;Synth In<[Inp]>", "2;Synth In<[Inp]>"}, {keptId, keptId}}, // one QUuid twice
    };
    for (const auto& [names, ids] : damaged) {
        store("Input/portNames", names);
        store("Input/portIds", ids);
        ListedPorts ports;
        ports.endpoints[0] = {{"Synth", "In"}};
        ports.updatePortInfo();
        EXPECT_EQ(stored("Input/portNames"), QStringList{"1;Synth In<[Inp]>"}) << names.join(',').toStdString();
        ASSERT_EQ(stored("Input/portIds").size(), 1);
        EXPECT_NE(stored("Input/portIds").first(), keptId);
    }
    // Whole lists are used as they stand.
    store("Input/portNames", {"4;Synth In<[Inp]>"});
    store("Input/portIds", {keptId});
    ListedPorts ports;
    ports.endpoints[0] = {{"Synth", "In"}};
    ports.updatePortInfo();
    EXPECT_EQ(ports.uuidOf(0, "1;Synth In"), QUuid(keptId));
}

TEST_F(PortDirectory, UnknownUuidsGiveNumberZeroAndTheUnknownName)
{
    ListedPorts ports;
    ports.endpoints[0] = {{"Synth", "In"}};
    ports.updatePortInfo();
    for (const QUuid& uuid : {QUuid(), QUuid::createUuid()}) {
        EXPECT_EQ(ports.portID(uuid), 0);
        EXPECT_EQ(ports.friendlyName(uuid), "<unknown port name>");
        EXPECT_EQ(ports.encodedName(uuid), "0;<unknown port name>");
    }
}

TEST_F(PortDirectory, OrdersUuidsByPortNumberAndEntriesByUuid)
{
    ListedPorts ports;
    for (int i = 0; i < 8; ++i)
        ports.endpoints[1].push_back({"Dev", QStringLiteral("Out %1").arg(i + 1)});
    ports.updatePortInfo();
    QList<QUuid> list;
    ports.qUuids(1, list);
    ASSERT_EQ(list.size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ports.portID(list[i]), i + 1);
    // The entry list follows QUuid order.
    QList<QUuid> sorted = list;
    std::sort(sorted.begin(), sorted.end());
    QStringList expected;
    for (const QUuid& uuid : sorted)
        expected.append(ports.encodedName(uuid));
    EXPECT_EQ(ports.getOutputPortList(), expected);
    // Both directions of one name are told apart by their markers.
    ports.endpoints[0] = {{"Dev", "Out 1"}};
    ports.updatePortInfo();
    EXPECT_EQ(stored("Input/portNames"), QStringList{"1;Dev Out 1<[Inp]>"});
    EXPECT_EQ(ports.getPortList(2), QStringList());
    list.clear();
    ports.qUuids(5, list);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(PortDirectory, ListsTheEndpointsOfTheMidiSystem)
{
    qputenv(kwmidi::kBackendVariable, "virtual");
    auto client = kwmidi::Client::acquire();
    ASSERT_EQ(client->backend(), kwmidi::Backend::Virtual);
    auto source = client->createSource("ZELK8", "ZELK8 Port1");
    auto destination = client->createDestination("ZELK8", "Port5");
    ASSERT_TRUE(source && destination);

    std::unique_ptr<TMIDIPortAccessor> directory(MIDIPortAccessor());
    const QStringList inputs = directory->getInputPortList();
    const QStringList outputs = directory->getOutputPortList();
    EXPECT_TRUE(inputs.contains(QStringLiteral("%1;ZELK8 Port1").arg(inputs.size()))) << inputs.join('|').toStdString();
    EXPECT_TRUE(outputs.contains(QStringLiteral("%1;ZELK8 Port5").arg(outputs.size())))
        << outputs.join('|').toStdString();

    // A port that goes away leaves the list at the next refresh.
    source.reset();
    auto* system = dynamic_cast<TSystemMIDIPortAccessor*>(directory.get());
    ASSERT_NE(system, nullptr);
    system->updatePortInfo();
    EXPECT_FALSE(system->getInputPortList().join('|').contains("ZELK8 Port1"));
    EXPECT_EQ(system->identifierForIndex(0, 1000), QString());
}

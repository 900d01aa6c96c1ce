#include "EditorMainWindow.h"

#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorLibrary.h"
#include "EditorTemplate.h"
#include "MidiSystem.h"
#include "RemoteMemAPI.h"
#include "ShellPanels.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <functional>

namespace {

// The ports of one device by their numbers, inputs and outputs apart.
struct DevicePorts
{
    QMap<int, int> inputs;
    QMap<int, int> outputs;
    bool hasInputs = false;
    bool hasOutputs = false;
};

// Files one directory entry ("id;name") under its device's base name and port number; entries of any
// other form are left out.
void fileEntry(const QString& entry, bool input, QHash<QString, DevicePorts>* table)
{
    static const QRegularExpression numberEnding(PortNameNumberReplace);
    const qsizetype delimiter = entry.indexOf(PortIDNameAndNumberDelimiter);
    if (delimiter < 1) {
        return;
    }
    bool idOk = false;
    const int id = entry.left(delimiter).toInt(&idOk, 10);
    QString name = entry.mid(delimiter + 1);
    if (!idOk || name.isEmpty() || !numberEnding.match(name).hasMatch()) {
        return;
    }
    name.replace(numberEnding, PortNameNumberDelimiter + QStringLiteral("\\1"));
    const qsizetype split = name.lastIndexOf(PortNameNumberDelimiter);
    if (split < 1) {
        return;
    }
    bool numberOk = false;
    const int number = name.mid(split + 1).toInt(&numberOk, 10);
    const QString baseName = name.left(split);
    if (!numberOk || baseName.isEmpty()) {
        return;
    }
    // Where the MIDI system gives two devices one name, the k-th port of a name and number belongs to the
    // k-th device ("Name (k)"), so that the ports of one device stay together.
    QString device = baseName;
    for (int k = 2; (input ? (*table)[device].inputs : (*table)[device].outputs).contains(number); ++k) {
        device = QStringLiteral("%1 (%2)").arg(baseName).arg(k);
    }
    DevicePorts& ports = (*table)[device];
    if (input) {
        ports.inputs.insert(number, id);
        ports.hasInputs = true;
    } else {
        ports.outputs.insert(number, id);
        ports.hasOutputs = true;
    }
}

// The entries in the order of their port numbers, which is the order the MIDI system lists them in.
QStringList inListOrder(QStringList entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return a.section(PortIDNameAndNumberDelimiter, 0, 0).toLong() <
               b.section(PortIDNameAndNumberDelimiter, 0, 0).toLong();
    });
    return entries;
}

bool holdsPortsOneToFive(const QMap<int, int>& ports)
{
    return ports.keys() == QList<int>{1, 2, 3, 4, 5};
}

} // namespace

void EditorMainWindow::updatePortInfoList()
{
    static const QRegularExpression filter(PortNameFilter);
    const QString selectedName =
        portIndex > 0 && portIndex < portNameList.size() ? portNameList.at(portIndex) : QString();
    const bool routeSelected = portIndex > 0 && routeOpen && selectedName == routePortName;

    QHash<QString, DevicePorts> table;
    for (const QString& entry : inListOrder(memApi->getInputPortList())) {
        fileEntry(entry, true, &table);
    }
    for (const QString& entry : inListOrder(memApi->getOutputPortList())) {
        fileEntry(entry, false, &table);
    }
    // By name, so that two devices of one name are offered as "Name" and "Name (2)", in that order.
    QStringList devices = table.keys();
    devices.sort();

    portInfoList.clear();
    portNameList.clear();
    portNameList.append(PortNotAssigned);
    for (const QString& device : devices) {
        const DevicePorts& ports = table.value(device);
        if (!filter.match(device).hasMatch() || !ports.hasInputs || !ports.hasOutputs ||
            !holdsPortsOneToFive(ports.inputs) || !holdsPortsOneToFive(ports.outputs)) {
            continue;
        }
        PortInfo info;
        info.name = device;
        info.activeSenseInputId = ports.inputs.value(ActiveSensePort);
        info.communicationInputId = ports.inputs.value(CommunicationPort);
        info.communicationOutputId = ports.outputs.value(CommunicationPort);
        portInfoList.append(info);
        portNameList.append(info.name);
    }
    waitingPortIndex = 0;
    if (routeOpen && !routePortName.isEmpty()) {
        // The route stays with its synthesizer while the MIDI system renames it (the second of two of one
        // name becomes the plain name when the first goes): its set is the one listed under the new name.
        const QString linked = memApi->linkedMIDIRouteDevice();
        const int at = linked.isEmpty() ? -1 : static_cast<int>(portNameList.indexOf(linked));
        if (at > 0) {
            const PortInfo& info = portInfoList.at(at - 1);
            routePortName = info.name;
            routeActiveSenseInputId = info.activeSenseInputId;
            routeCommunicationInputId = info.communicationInputId;
            routeCommunicationOutputId = info.communicationOutputId;
        } else if (!memApi->isMIDIRouteLinked() || !portNameList.contains(routePortName)) {
            // A synthesizer switched off (or killed) takes its ports away while the route waits to follow it
            // back: its set stays listed, so that panels built meanwhile name it, and starting them does not
            // drop the route or write "Not Assigned" as the port setting. It is an entry of its own even where
            // another synthesizer is listed under its name now, which the route does not go to by itself.
            portInfoList.append(PortInfo{routePortName, routeActiveSenseInputId, routeCommunicationInputId,
                                         routeCommunicationOutputId});
            portNameList.append(routePortName);
            waitingPortIndex = static_cast<int>(portNameList.size()) - 1;
        }
    }

    // The list's order changes with the devices present, so the selection is found again: the route's set
    // where it was the selection, else by its name; a set that is gone leaves an index that still lies
    // inside the list and names no port set.
    if (portIndex > 0) {
        const int found = routeSelected && waitingPortIndex > 0 ? waitingPortIndex
                          : routeSelected                       ? static_cast<int>(portNameList.indexOf(routePortName))
                                                                : static_cast<int>(portNameList.indexOf(selectedName));
        portIndex = found > 0 ? found : 0;
    }
}

QStringList EditorMainWindow::getPortDisplayList() const
{
    QStringList names = portNameList;
    if (waitingPortIndex > 0 && waitingPortIndex < names.size())
        names[waitingPortIndex] = PortNotPresent.arg(names.at(waitingPortIndex));
    return names;
}

bool EditorMainWindow::openRoute(int index)
{
    const PortInfo& info = portInfoList.at(index - 1);
    routeActiveSenseInputId = info.activeSenseInputId;
    routeCommunicationInputId = info.communicationInputId;
    routeCommunicationOutputId = info.communicationOutputId;
    routeOpen = memApi->createMIDIComunicationRoute(routeActiveSenseInputId, routeCommunicationInputId,
                                                    routeCommunicationOutputId);
    routePortName = routeOpen ? info.name : QString();
    // A failed open, or a port not found, still waiting behind a panel is stale once a route opens: shown
    // after the panel, it would tell of a failure over the success that followed it.
    if (routeOpen) {
        portOpenErrorPending = false;
        portNotFoundPending = false;
    }
    return routeOpen;
}

void EditorMainWindow::setPortIndex(int index)
{
    if (index >= portNameList.size()) {
        index = 0;
    }
    bool changed = false;
    if ((portIndex > 0) != (index > 0)) {
        changed = true;
    } else if (index > 0 && index == waitingPortIndex) {
        // The set the route waits for: its links take the synthesizer back when it comes, and opening it anew
        // would take whatever is listed under its name now, perhaps another synthesizer.
        changed = false;
    } else if (index > 0) {
        // A set whose route failed to open, or whose ports lost the synthesizer's, is opened again when
        // chosen again.
        const PortInfo& info = portInfoList.at(index - 1);
        changed = !routeOpen || !memApi->isMIDIRouteLinked() || info.activeSenseInputId != routeActiveSenseInputId ||
                  info.communicationInputId != routeCommunicationInputId ||
                  info.communicationOutputId != routeCommunicationOutputId;
    }
    if (changed) {
        portIndex = index;
        if (index > 0) {
            if (!openRoute(index)) {
                portName = portNameList.at(index);
                portOpenError(portName);
            }
        } else {
            memApi->deleteMIDIComunicationRoute();
            routePortName.clear();
        }
        memApi->setONLINEstate(0);
    }
    settings.setValue(QStringLiteral("PortName"), portNameList.value(portIndex, PortNotAssigned));
    if (!memApi->isONLINE()) {
        memApi->setWatchPortActivate(true);
    }
}

void EditorMainWindow::setDAWName(const QString& name)
{
    const QString previous = dawName;
    dawName = dawList.contains(name) ? name : QString();
    settings.setValue(QStringLiteral("DAWName"), dawName);
    actionQPXiDatabase->setEnabled(isQuorvaneDAW());
    if (dawName == OtherDAW) {
        templateEditor->updateDAW();
        libraryEditor->updateDAW();
    } else if (dawName != previous) {
        analyzeQPXi();
    }
}

bool EditorMainWindow::isQuorvaneDAW() const
{
    return !dawName.isEmpty() && dawName != OtherDAW;
}

void EditorMainWindow::setWorkingFolder(const QString& filePath)
{
    const QDir folder = QFileInfo(filePath).absoluteDir();
    if (folder.exists()) {
        settings.setValue(QStringLiteral("WorkingFolder"), folder.absolutePath());
    }
}

QString EditorMainWindow::getWorkingFolder()
{
    const QString stored = settings.value(QStringLiteral("WorkingFolder")).toString();
    if (!stored.isEmpty() && QFileInfo(stored).isDir()) {
        return stored;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        return documents;
    }
    return QDir::homePath();
}

void EditorMainWindow::showPanel(QWidget* panel)
{
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->move(EditorViewPos);
    panel->raise();
    panel->show();
}

void EditorMainWindow::analyzeQPXi()
{
    launchPanel(analyzePanel, analyzePending, [this] {
        QWidget* panel = ShellPanels::createAnalyzeQPXi(this, dawName);
        connect(panel, SIGNAL(finished()), templateEditor, SLOT(updateDAW()));
        connect(panel, SIGNAL(finished()), libraryEditor, SLOT(updateDAW()));
        return panel;
    });
}

void EditorMainWindow::autoSync(bool sendAfterReceive, bool editBufferOnly)
{
    if (closing || !routeOpen) {
        return;
    }
    // The last request's flags are the ones a replay uses.
    pendingSendAfterReceive = sendAfterReceive;
    pendingEditBufferOnly = editBufferOnly;
    const bool shown = launchPanel(autoSyncPanelPtr, autoSyncPending, [this, sendAfterReceive, editBufferOnly] {
        return ShellPanels::createAutoSync(this, sendAfterReceive, editBufferOnly);
    });
    if (shown && activePortPending) {
        activePortPending = false;
        ShellPanels::autoSyncActivePort(autoSyncPanelPtr);
    }
}

bool EditorMainWindow::launchPanel(QPointer<QWidget>& panel, bool& pending, const std::function<QWidget*()>& create)
{
    if (lockCount > 0) {
        pending = true;
        return false;
    }
    pending = false;
    if (panel.isNull()) {
        panel = create();
    }
    showPanel(panel);
    return true;
}

void EditorMainWindow::portOpenError(const QString& name)
{
    // The MIDI system may know why (another program holds the port): the user is told, not left to guess.
    const kwmidi::ClientRef client = kwmidi::Client::current();
    const QString reason = client ? QString::fromStdString(client->openError()) : QString();
    const QString text = reason.isEmpty() ? name : QStringLiteral("%1: %2").arg(name, reason);
    launchPanel(portOpenErrorPanelPtr, portOpenErrorPending,
                [this, text] { return ShellPanels::createPortOpenError(this, text); });
}

void EditorMainWindow::portNotFound()
{
    launchPanel(portNotFoundPanelPtr, portNotFoundPending, [this] { return ShellPanels::createPortNotFound(this); });
}

void EditorMainWindow::windowLock()
{
    if (lockCount <= 0) {
        menuBar->setEnabled(false);
        lockCount = 0;
    }
    ++lockCount;
}

void EditorMainWindow::windowUnlock()
{
    if (destroying) {
        return;
    }
    const int before = lockCount--;
    if (before > 1) {
        return;
    }
    menuBar->setEnabled(true);
    QGuiApplication::restoreOverrideCursor();
    lockCount = 0;
    if (analyzePending) {
        analyzeQPXi();
    }
    if (autoSyncPending) {
        autoSync(pendingSendAfterReceive, pendingEditBufferOnly);
    }
    if (portOpenErrorPending) {
        portOpenError(portName);
    }
    if (portNotFoundPending) {
        portNotFound();
    }
    retryWaitingOpens();
}

void EditorMainWindow::activePort()
{
    // The announcement crossed threads: one queued while an exchange was finishing finds the editor
    // online, and would otherwise hold file opening back for an exchange that never comes.
    if (memApi->isONLINE()) {
        return;
    }
    memApi->setWatchPortActivate(false);
    memApi->setNeedToWaitAutoSyncDoneFlag(true);
    if (autoSyncPanelPtr.isNull()) {
        const bool edited = !fileNameNotifier->getMemAPIString().isEmpty() || notifierValue(fileEditFlagNotifier) == 1;
        autoSync(edited, !edited);
        if (autoSyncPanelPtr.isNull()) {
            // A refused request would otherwise hold file opening back for good; a pending one keeps it.
            if (!autoSyncPending) {
                memApi->setNeedToWaitAutoSyncDoneFlag(false);
                retryWaitingOpens();
            }
            activePortPending = true;
            return;
        }
    }
    ShellPanels::autoSyncActivePort(autoSyncPanelPtr);
}

void EditorMainWindow::updateOnline()
{
    const int value = notifierValue(onlineNotifier);
    lblOnline->setVisible(value != 0);
    memApi->setWatchPortActivate(value == 0);
    updatesMenuEnabled();
}

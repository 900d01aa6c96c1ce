#include "EditorMainWindow.h"

#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "EditorLibrary.h"
#include "EditorShell.h"
#include "EditorTemplate.h"
#include "MemController.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>

const QRect EditorMenuRect(79, 6, 97, 15);
const QSize EditorWindowLargeSize(470, 465);
const QSize EditorWindowSmallSize(470, 324);
const QString EditorWindowLargePixmap = QStringLiteral(":/images/zelk_bak_1.png");
const QString EditorWindowSmallPixmap = QStringLiteral(":/images/zelk_bak_s.png");
const QSize ViewMainStackLargeSize(442, 402);
const QSize ViewMainStackSmallSize(442, 261);
const QRect EditorWindowControlButtonLargeRect(437, 455, 19, 10);
const QRect EditorWindowControlButtonSmallRect(437, 314, 19, 10);
const QPoint EditorViewPos(14, 31);
const QString TrimLabel = QString(QChar(0xFB02));
const QString PortNotAssigned = QStringLiteral("Not Assigned");
const QString PortNotPresent = QStringLiteral("%1 \u2013 not present");
const QString AppDataFolderPath = QStringLiteral("/Library/Application Support");
const QString UserFolderPath = QStringLiteral("/Telvor/Knobwright");
const QString PortIDNameAndNumberDelimiter = QStringLiteral(";");
const QString PortNameNumberReplace = QStringLiteral("\\ *Port([0-9]*)$");
const QString PortNameNumberDelimiter = QStringLiteral("-");
const QString PortNameFilter = QStringLiteral(".*T[Ee][Ll][Vv][Oo][Rr]\\ ZELK6\\/ZELK8.*");
const QString PresetBankFile = QStringLiteral("BankPreset%1");

namespace {

constexpr int kPresetBank = 8;
constexpr int kBankCount = 9;
// At least this much of a restored window stays on the screen.
constexpr int kVisibleMargin = 20;

std::optional<EditorMainWindow::PluginPlaces>& configuredPluginPlaces()
{
    static std::optional<EditorMainWindow::PluginPlaces> places;
    return places;
}

int settingAsInt(const QSettings& settings, const QString& key, bool* ok)
{
    const QVariant value = settings.value(key);
    *ok = false;
    if (!value.isValid()) {
        return 0;
    }
    return value.toInt(ok);
}

} // namespace

void EditorMainWindow::setPluginPlaces(const std::optional<PluginPlaces>& places)
{
    configuredPluginPlaces() = places;
}

EditorMainWindow::EditorMainWindow(RemoteMemAPI* memApi, bool autoSyncAtStart)
    : CFrame(nullptr, Qt::FramelessWindowHint), memApi(memApi), controllerFactory(new MemControllerFactory(memApi)),
      settings(QSettings::UserScope, QStringLiteral("Telvor"), SettingName), appDataDir(getAppDataDirectory()),
      initialDir(getInitialDirectory()), executeDir(getExecuteDirectory()),
      qpxiInfo(configuredPluginPlaces() ? QDir(configuredPluginPlaces()->finderFolder) : executeDir, initialDir,
               appDataDir, configuredPluginPlaces() ? configuredPluginPlaces()->machine : QPXiMachine())
{
    setupUi(this);
    adjustFont(this);
    installTabCanceller(this);

    setCursor(QCursor(QPixmap(QStringLiteral(":/images/dw_arrow.png")), 0, 0));

    buildMenus();
    auto* menuFrame = new QFrame(this);
    menuFrame->setGeometry(EditorMenuRect);
    menuBar = new QMenuBar(menuFrame);
    menuBar->setGeometry(0, 0, EditorMenuRect.width(), EditorMenuRect.height());
    menuBar->setFont(font());
    menuBar->addMenu(menuFile);
    menuBar->addMenu(menuEdit);
    menuBar->addMenu(menuHelp);

    templateEditor = new EditorTemplate(this);
    templateEditor->setPalette(palette());
    libraryEditor = new EditorLibrary(this);
    viewMainStack->addWidget(templateEditor);
    viewMainStack->addWidget(libraryEditor);

    connect(btnWindowStaysOnTop, &QAbstractButton::toggled, this, &EditorMainWindow::staysOnTop);
    connect(memApi, &RemoteMemAPI::portActivated, this, &EditorMainWindow::activePort);

    onlineNotifier = new CSimpleNotifier(QStringLiteral("isOnline"), this);
    connect(onlineNotifier, &CSimpleNotifier::update, this, &EditorMainWindow::updateOnline);
    bankEditFlagNotifier = new CSimpleNotifier(QStringLiteral("bankEditFlag"), this);
    connect(bankEditFlagNotifier, &CSimpleNotifier::update, this, &EditorMainWindow::updatesMenuEnabled);
    libraryEditFlagNotifier = new CSimpleNotifier(QStringLiteral("libraryEditFlag"), this);
    fileEditFlagNotifier = new CSimpleNotifier(QStringLiteral("fileEditFlag"), this);
    connect(fileEditFlagNotifier, &CSimpleNotifier::update, this, &EditorMainWindow::updatesMenuEnabled);
    fileNameNotifier = new CSimpleNotifier(QStringLiteral("fileName"), this);

    createMemProxyController(controllerFactory, this);

    btnWindowContract->setImageCategories(2);
    btnWindowContract->setCategory(1);
    connect(btnWindowContract, &QAbstractButton::clicked, this, &EditorMainWindow::controlWindowSize);

    while (memApi->getQuantityOfBank() < kBankCount) {
        memApi->createBank();
    }
    loadPresetBank();
    memApi->initializeInitialTemplate();
    templateEditor->initializeEditBuffer();

    if (!appDataDir.exists()) {
        appDataDir.mkpath(QStringLiteral("."));
    }
    memApi->setParam(ParamAddress(0, ParamAddress::kBankAvailableFlagTemplate, -1, -1), 1);
    memApi->setParam(ParamAddress(1, ParamAddress::kBankAvailableFlagTemplate, -1, -1), 1);

    libraryEditor->initializeList();
    updatesMenuEnabled();

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &EditorMainWindow::updatesMenuEnabled);
    connect(this, &EditorMainWindow::fileOpenRequest, this, qOverload<QString>(&EditorMainWindow::fileOpen),
            Qt::QueuedConnection);

    menuBar->setNativeMenuBar(false);

    restoreWindowPosition();
    chooseDAWAtStart();
    updatePortInfoList();
    choosePortAtStart();
    if (autoSyncAtStart && routeOpen) {
        autoSync(false, true);
    }
    setAcceptDrops(true);
}

EditorMainWindow::~EditorMainWindow()
{
    destroying = true;
    settings.setValue(QStringLiteral("WindowX"), x());
    settings.setValue(QStringLiteral("WindowY"), y());
    settings.setValue(QStringLiteral("WindowShrink"), shrink ? 1 : 0);
    settings.setValue(QStringLiteral("WindowOnTop"), onTop ? 1 : 0);
    settings.sync();
    // The bound controls and panels go before the factory whose name table their addresses use.
    QList<QPointer<QObject>> children;
    for (QObject* child : this->children()) {
        children.append(child);
    }
    for (const QPointer<QObject>& child : children) {
        delete child.data();
    }
    delete controllerFactory;
    controllerFactory = nullptr;
}

void EditorMainWindow::loadPresetBank()
{
    QFile file(initialDir.absoluteFilePath(PresetBankFile.arg(1) + EditorFileExtension));
    QString error;
    if (!EditorFile::load(memApi, kPresetBank, &file, false, &error)) {
        critical(QStringLiteral("Bank Preset : ") + error, EditorName, QMessageBox::Ok);
    }
}

void EditorMainWindow::restoreWindowPosition()
{
    bool xOk = false;
    bool yOk = false;
    const int storedX = settingAsInt(settings, QStringLiteral("WindowX"), &xOk);
    const int storedY = settingAsInt(settings, QStringLiteral("WindowY"), &yOk);
    bool ok = false;
    shrink = settingAsInt(settings, QStringLiteral("WindowShrink"), &ok) == 1 && ok;
    onTop = settingAsInt(settings, QStringLiteral("WindowOnTop"), &ok) == 1 && ok;
    {
        const QSignalBlocker blocker(btnWindowStaysOnTop);
        btnWindowStaysOnTop->setChecked(onTop);
    }
    if (!xOk || !yOk) {
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        move(storedX, storedY);
        return;
    }
    const QRect area = screen->availableGeometry();
    int newX = std::max(storedX, area.x() + kVisibleMargin - width());
    newX = std::min(newX, area.x() + area.width() - kVisibleMargin);
    int newY = std::max(storedY, area.y() + kVisibleMargin - height());
    newY = std::min(newY, area.y() + area.height() - kVisibleMargin);
    move(newX, newY);
}

void EditorMainWindow::chooseDAWAtStart()
{
    dawList = qpxiInfo.getDAWList();
    dawList.prepend(OtherDAW);
    dawName = settings.value(QStringLiteral("DAWName")).toString();
    if (!dawList.contains(dawName)) {
        dawName = dawList.size() >= 2 ? dawList.at(1) : OtherDAW;
    }
    if (dawName.isEmpty() || dawName == OtherDAW) {
        templateEditor->updateDAW();
    } else {
        analyzeQPXi();
    }
    actionQPXiDatabase->setEnabled(isQuorvaneDAW());
}

void EditorMainWindow::choosePortAtStart()
{
    const int found = portNameList.indexOf(settings.value(QStringLiteral("PortName")).toString());
    if (found == 0) {
        portIndex = 0;
        return;
    }
    if (found < 0) {
        if (portNameList.size() < 2) {
            portIndex = 0;
            portNotFound();
            return;
        }
        portIndex = 1;
    } else {
        portIndex = found;
    }
    if (!openRoute(portIndex)) {
        portName = portNameList.at(portIndex);
        portOpenError(portName);
    }
}

int EditorMainWindow::notifierValue(CSimpleNotifier* notifier) const
{
    return notifier != nullptr ? notifier->getMemAPICurrentValue() : 0;
}

void EditorMainWindow::setNotifierValue(CSimpleNotifier* notifier, int value)
{
    if (notifier != nullptr) {
        notifier->setMemAPICurrentValue(value);
    }
}

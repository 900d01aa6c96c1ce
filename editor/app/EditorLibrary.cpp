#include "EditorLibrary.h"

#include "BankData.h"
#include "CSimpleNotifier.h"
#include "CText.h"
#include "ControlTemplateData.h"
#include "EditorData.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "FlashFrame.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QMenuBar>

#include <algorithm>

namespace {

constexpr int kTemplateCount = BankData::kTemplateCount;
constexpr int kKnobCount = ControlTemplateData::kControllerCount;
constexpr int kStoredDataBank = 1;
constexpr int kReceivedStoredBank = 2;
constexpr int kReceivedWorkingBank = 3;
constexpr int kFactoryPresetBank = 8;

const QString k_keyName_enter = QStringLiteral("Enter");
const QString k_keyName_return = QStringLiteral("Return");
const QString k_keyName_escape = QStringLiteral("Esc");

// A notifier of one named parameter of (bank, template).
CSimpleNotifier* notifierAt(const QString& name, int bank, int templ, QObject* parent)
{
    auto* notifier = new CSimpleNotifier(name, parent);
    notifier->assignClassMemAPI(bank, 0);
    notifier->assignClassMemAPI(templ, 1);
    return notifier;
}

QString rowText(int templ, const QString& name)
{
    return QString::asprintf("%02d  ", templ + 1) + name;
}

QString ccText(int number)
{
    return QString::asprintf("CC%03d", number) + QLatin1Char('\n');
}

} // namespace

EditorLibrary::EditorLibrary(EditorMainWindow* mainWindow)
    : CFrame(nullptr), mainWindow(mainWindow), memAPI(mainWindow->getMemApi())
{
    setupUi(this);
    adjustFont(this);
    mainWindow->installTabCanceller(this);
    listImport->setScrollBar(scrollImport);
    listTemplate->setScrollBar(scrollTemplate);
    for (int i = 0; i < kTemplateCount; ++i) {
        listTemplate->addItem(QStringList(QString()));
    }
    for (int i = 0; i < kTemplateCount; ++i) {
        listImport->addItem(QStringList(QString()));
    }

    libraryEditFlag = new CSimpleNotifier(QStringLiteral("libraryEditFlag"), this);
    fileEditFlag = new CSimpleNotifier(QStringLiteral("fileEditFlag"), this);
    currentTemplate = new CSimpleNotifier(QStringLiteral("currentTemplateNumber"), this);
    for (int i = 0; i < kTemplateCount; ++i) {
        templateNames.append(notifierAt(QStringLiteral("templateName"), kLibraryBank, i, this));
        connect(templateNames.last(), &CSimpleNotifier::update, this, &EditorLibrary::updateTemplateList);
    }
    for (int i = 0; i < kTemplateCount; ++i) {
        importNames.append(notifierAt(QStringLiteral("templateName"), kImportBank, i, this));
        connect(importNames.last(), &CSimpleNotifier::update, this, &EditorLibrary::updateImportTemplateList);
    }
    previewQPXiName = notifierAt(QStringLiteral("qpxiName"), kLibraryBank, 0, framePreview);
    previewControlType = notifierAt(QStringLiteral("controlType"), kLibraryBank, 0, framePreview);
    for (CSimpleNotifier* notifier : {previewQPXiName, previewControlType}) {
        connect(notifier, &CSimpleNotifier::update, this, &EditorLibrary::updatePreview);
    }
    // The knob names of the address table in knob index order, the same as the documents' knob elements.
    for (int k = 0; k < kKnobCount; ++k) {
        const QString knob = EditorData::knobElementName(k);
        previewRemoteNumber.append(notifierAt(knob + QStringLiteral("/remoteNumber"), kLibraryBank, 0, framePreview));
        previewCCNumber.append(notifierAt(knob + QStringLiteral("/ccNumber"), kLibraryBank, 0, framePreview));
        previewDisplayName.append(notifierAt(knob + QStringLiteral("/displayName"), kLibraryBank, 0, framePreview));
        for (CSimpleNotifier* notifier :
             {previewRemoteNumber.last(), previewCCNumber.last(), previewDisplayName.last()}) {
            connect(notifier, &CSimpleNotifier::update, this, &EditorLibrary::updatePreview);
        }
    }
    previewText = {txtKnobA1, txtKnobB1, txtKnobC1, txtKnobD1, txtKnobA2, txtKnobB2,
                   txtKnobC2, txtKnobD2, txtKnobA3, txtKnobB3, txtKnobC3, txtKnobD3};

    connect(listImport, &QAbstractSlider::valueChanged, this, &EditorLibrary::updateImportTemplateNumber);
    connect(listImport, &CListView::listSelected, this, &EditorLibrary::setSelectedBank);
    connect(listTemplate, &CListView::listSelected, this, &EditorLibrary::setSelectedBank);
    connect(listTemplate, &QAbstractSlider::valueChanged, this, &EditorLibrary::updateTemplateNumber);
    connect(listTemplate, &CListView::itemDoubleClick, this, [this](int row, int) { decide(row); });
    connect(btnOK, &QAbstractButton::clicked, this, [this] { decide(); });
    connect(btnCancel, &QAbstractButton::clicked, this, &EditorLibrary::revoke);
    connect(btnFileOpen, &QAbstractButton::clicked, this, &EditorLibrary::importBank);
    connect(btnImport, &QAbstractButton::clicked, this, &EditorLibrary::importTemplate);

    const struct
    {
        const QString& key;
        void (EditorLibrary::*slot)();
    } keys[] = {{k_keyName_enter, &EditorLibrary::emulateOKPressing},
                {k_keyName_return, &EditorLibrary::emulateOKPressing},
                {k_keyName_escape, &EditorLibrary::emulateCancelPressing}};
    for (const auto& key : keys) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(key.key));
        connect(action, &QAction::triggered, this, key.slot);
        addAction(action);
        action->setEnabled(true);
    }

    listImport->installEventFilter(this);
    listTemplate->installEventFilter(this);
    if (QMenuBar* menuBar = mainWindow->getMenuBar()) {
        menuBar->installEventFilter(this);
    }
}

void EditorLibrary::initializeList()
{
    updateLibrary();
    assignTemplate(framePreview, listTemplate->value());
    scrollImport->setValue(0);
    listImport->setValue(0);
}

void EditorLibrary::updateLibrary()
{
    updateImportTemplateList();
    updateTemplateList();
    const bool available = memAPI->getBankAvailableFlag(kImportBank).getCurrentValue() != 0;
    btnImport->setVisible(available);
    txtFileName->setVisible(available);
}

void EditorLibrary::setCurrentTemplateNumber(int n)
{
    scrollTemplate->setValue(n);
    listTemplate->setValue(n);
    listTemplate->adjustScroll();
}

void EditorLibrary::focusList()
{
    listTemplate->setFocus(Qt::OtherFocusReason);
    // The focus selects the list only in the active window; the view selects it in any case.
    if (!listTemplate->isListSelected()) {
        listTemplate->selectList();
        setSelectedBank(listTemplate);
    }
}

bool EditorLibrary::canImport() const
{
    return memAPI->getQuantityOfBank() < RemoteMemAPI::kMaxBanks;
}

void EditorLibrary::enableKeyboardShortcuts(bool enable)
{
    keysWanted = enable;
    updateKeyActions();
}

// A panel's own Return and Escape are window shortcuts like the view's: while both are live Qt takes the
// keys as ambiguous and neither acts. So besides the main window's word the view's keys also rest while
// any panel holds the window, which the disabled menu bar shows.
void EditorLibrary::updateKeyActions()
{
    const QMenuBar* menuBar = mainWindow->getMenuBar();
    const bool enable = keysWanted && (menuBar == nullptr || menuBar->isEnabled());
    for (QAction* action : actions()) {
        const QString key = action->shortcut().toString(QKeySequence::PortableText);
        if (key == k_keyName_enter || key == k_keyName_return || key == k_keyName_escape) {
            action->setEnabled(enable);
        }
    }
}

bool EditorLibrary::keyboardShortcutsEnabled() const
{
    const QList<QAction*> keys = actions();
    return std::all_of(keys.cbegin(), keys.cend(), [](const QAction* action) { return action->isEnabled(); });
}

void EditorLibrary::initializeTemplate()
{
    memAPI->initializeTemplate(kLibraryBank, listTemplate->value());
    libraryEditFlag->setMemAPICurrentValue(1);
}

void EditorLibrary::importTemplate()
{
    flashRow(listTemplate->value());
    memAPI->copyTemplate(kImportBank, listImport->value(), kLibraryBank, listTemplate->value());
}

void EditorLibrary::importBank()
{
    const QString path = mainWindow->getOpenFileName(QStringLiteral("File Select"), mainWindow->getWorkingFolder(),
                                                     EditorOpenFileFilter);
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    QString error;
    if (EditorFile::load(memAPI, kImportBank, &file, false, &error)) {
        mainWindow->setWorkingFolder(path);
        txtFileName->setText(trimText(txtFileName, path.section(QLatin1Char('/'), -1), txtFileName->width()));
        txtFileName->show();
        memAPI->setBankAvailableFlag(1, kImportBank);
        importLoaded = true;
        updateLibrary();
    } else {
        // The loader has put the import bank back as it was, so an import loaded before stays usable
        // as it is shown.
        mainWindow->critical(error, EditorName, QMessageBox::Ok, QMessageBox::NoButton);
    }
    mainWindow->setWorkingFolder(path);
}

void EditorLibrary::resetStoredData(int templateNumber)
{
    reset(kStoredDataBank, templateNumber, ResetStoredData);
}

void EditorLibrary::restoreHWBackup(int templateNumber)
{
    reset(kReceivedWorkingBank, templateNumber, RestoreHWBackup);
}

void EditorLibrary::resetFactorySet(int templateNumber)
{
    reset(kFactoryPresetBank, templateNumber, ResetFactorySet);
}

void EditorLibrary::reset(int sourceBank, int templateNumber, EResetMenuItems resetMenuItem)
{
    memAPI->copyBank(sourceBank, kLibraryBank);
    decide(templateNumber < 0 ? listTemplate->value() : templateNumber, resetMenuItem);
}

void EditorLibrary::updateDAW()
{
    updatePreview();
}

void EditorLibrary::setSelectedBank(CListView* listView)
{
    if (listView == listTemplate) {
        templateListSelected = true;
        listImport->unselectList();
        assignBank(framePreview, kLibraryBank);
    } else if (listView == listImport) {
        templateListSelected = false;
        listTemplate->unselectList();
        assignBank(framePreview, kImportBank);
    }
    if (listView == listTemplate || listView == listImport) {
        assignTemplate(framePreview, listView->value());
    }
    mainWindow->updatesMenuEnabled();
}

// The preview follows the row of the selected list only: a row set in the other list (the import list
// going back to its top when the library is applied) would show a template that no list points at.
void EditorLibrary::updateTemplateNumber()
{
    if (templateListSelected) {
        assignTemplate(framePreview, listTemplate->value());
    }
}

void EditorLibrary::updateImportTemplateNumber()
{
    if (!templateListSelected) {
        assignTemplate(framePreview, listImport->value());
    }
}

void EditorLibrary::fillList(CListView* list, int bank)
{
    for (int i = 0; i < kTemplateCount; ++i) {
        const QString name = memAPI->getParamQString(ParamAddress(bank, i, ParamAddress::kTemplateNameController, -1));
        list->setItem(i, QStringList(rowText(i, name)));
    }
}

void EditorLibrary::updateTemplateList()
{
    if (templateListRefresh) {
        fillList(listTemplate, kLibraryBank);
    }
}

void EditorLibrary::updateImportTemplateList()
{
    if (!importLoaded) {
        listImport->hide();
        scrollImport->hide();
        return;
    }
    fillList(listImport, kImportBank);
    listImport->show();
    scrollImport->show();
}

void EditorLibrary::updatePreview()
{
    QPXiInfo* database = mainWindow->getQPXiInfo();
    const QString extensionName = previewQPXiName->getMemAPIString();
    const QString fullName = database->getQPXiNameFromQPXiExtensionName(extensionName);

    if (mainWindow->getDAWName() == OtherDAW) {
        lblRemote->hide();
        txtQPXi->hide();
        for (int k = 0; k < kKnobCount; ++k) {
            previewText[k]->setText(ccText(previewCCNumber[k]->getMemAPICurrentValue()) +
                                    previewDisplayName[k]->getMemAPIString());
            previewText[k]->setToolTip(QString());
        }
        return;
    }
    txtQPXi->setText(extensionName);
    txtQPXi->show();
    switch (previewControlType->getMemAPICurrentValue()) {
    case 0:
        lblRemote->show();
        for (int k = 0; k < kKnobCount; ++k) {
            CText* text = previewText[k];
            const QStringList path = database->getParameterName(fullName, previewRemoteNumber[k]->getMemAPIString());
            const QString shown = path.isEmpty() ? QString() : trimText(text, path.last(), text->width());
            const QString tip = path.join(QStringLiteral(" - "));
            text->setText(shown);
            text->setToolTip(tip == shown ? QString() : tip);
        }
        break;
    case 1:
        lblRemote->hide();
        for (int k = 0; k < kKnobCount; ++k) {
            CText* text = previewText[k];
            const QString name = previewDisplayName[k]->getMemAPIString();
            const QString shortName = trimText(text, name, text->width());
            text->setText(ccText(previewCCNumber[k]->getMemAPICurrentValue()) + shortName);
            text->setToolTip(name != shortName ? name : QString());
        }
        break;
    default:
        break;
    }
}

void EditorLibrary::flashRow(int row)
{
    const QRect rect = listTemplate->getItemRect(row);
    if (rect.isValid()) {
        FlashFrame::start(this, rect.translated(listTemplate->pos()).adjusted(-1, -1, 1, 1));
    }
}

void EditorLibrary::decide(EResetMenuItems resetMenuItem)
{
    decide(listTemplate->value(), resetMenuItem);
}

void EditorLibrary::decide(int templateNumber, EResetMenuItems resetMenuItem)
{
    const bool online = memAPI->isONLINE();
    listImport->setValue(0);
    listImport->adjustScroll();
    if (libraryEditFlag->getMemAPICurrentValue() == 1) {
        memAPI->activateLibraryEdit();
        if (resetMenuItem == RestoreHWBackup) {
            memAPI->denyToRaiseFileEditFlag();
            memAPI->copyBank(kReceivedStoredBank, kStoredDataBank);
            memAPI->allowToRaiseFileEditFlag();
        }
        if (online) {
            memAPI->setONLINEstate(0);
        }
        memAPI->activateCurrentTemplateNumber(templateNumber);
        // The follow-ups are set before auto-sync, whose panel may start its send at once.
        if (resetMenuItem == ResetStoredData || resetMenuItem == ResetFactorySet) {
            memAPI->setStoreFlag(true);
        } else if (resetMenuItem == RestoreHWBackup) {
            memAPI->setStoreToFlashSendingFlag(true);
        }
        if (online) {
            mainWindow->autoSync(true, resetMenuItem != RestoreHWBackup);
        }
        fileEditFlag->setMemAPICurrentValue(1);
        libraryEditFlag->setMemAPICurrentValue(0);
    } else {
        currentTemplate->setMemAPICurrentValue(templateNumber);
    }
    mainWindow->viewTemplate();
}

void EditorLibrary::revoke()
{
    libraryEditFlag->setMemAPICurrentValue(0);
    mainWindow->viewTemplate();
}

void EditorLibrary::emulateOKPressing()
{
    btnOK->animateClick();
}

void EditorLibrary::emulateCancelPressing()
{
    btnCancel->animateClick();
}

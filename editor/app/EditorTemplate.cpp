#include "EditorTemplate.h"

#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "ParamAddress.h"
#include "QPXiInfo.h"
#include "RemoteMemAPI.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QTimerEvent>

const QString RemoteTrackControlName = QStringLiteral("Track Control");
const QString ModelName = QStringLiteral("Knobwright");

namespace {

// The knobs' names in knob order (the letter is the LCD column, the digit the row).
const char* const LCDSelectAddressUpper[EditorTemplate::kKnobCount] = {
    "knobA1", "knobB1", "knobC1", "knobD1", "knobA2", "knobB2",
    "knobC2", "knobD2", "knobA3", "knobB3", "knobC3", "knobD3",
};

constexpr int kStoreLampMs = 100;
constexpr int kStoreLampPhases = 20;
constexpr int kStoreLampFadedPictures = 9;

QString knobAddress(int knob, const char* parameter)
{
    return QLatin1String(LCDSelectAddressUpper[knob]) + QLatin1Char('/') + QLatin1String(parameter);
}

// Picture 0 at gray/255 of its opacity.
QPixmap fadedPicture(const QPixmap& picture, int gray)
{
    QPixmap faded(picture.size());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(gray / 255.0);
    painter.drawPixmap(0, 0, picture);
    return faded;
}

} // namespace

EditorTemplate::EditorTemplate(EditorMainWindow* mainWindow)
    : CFrame(nullptr, Qt::WindowFlags()), mainWindow(mainWindow), memApi(mainWindow->getMemApi())
{
    setupUi(this);
    adjustFont(this);
    mainWindow->installTabCanceller(this);

    lcdHighlights = {lblKnobA1, lblKnobB1, lblKnobC1, lblKnobD1, lblKnobA2, lblKnobB2,
                     lblKnobC2, lblKnobD2, lblKnobA3, lblKnobB3, lblKnobC3, lblKnobD3};
    lcdTexts = {txtKnobA1, txtKnobB1, txtKnobC1, txtKnobD1, txtKnobA2, txtKnobB2,
                txtKnobC2, txtKnobD2, txtKnobA3, txtKnobB3, txtKnobC3, txtKnobD3};
    knobButtons = {btnKnobA1, btnKnobB1, btnKnobC1, btnKnobD1, btnKnobA2, btnKnobB2,
                   btnKnobC2, btnKnobD2, btnKnobA3, btnKnobB3, btnKnobC3, btnKnobD3};

    // The instrument button waits for a DAW; knob A1 is the one selected at first.
    btnQPXiName->hide();
    txtKnobA1->setEnabled(true);
    for (std::size_t knob = 1; knob < kKnobCount; ++knob) {
        lcdHighlights[knob]->hide();
    }
    lblCC->hide();

    fileEditFlagNotifier = new CSimpleNotifier(QStringLiteral("fileEditFlag"), this);
    connect(fileEditFlagNotifier, &CSimpleNotifier::update, mainWindow, &EditorMainWindow::updatesMenuEnabled);
    connect(fileEditFlagNotifier, &CSimpleNotifier::update, this, &EditorTemplate::updateFileEditFlag);
    bankEditFlagNotifier = new CSimpleNotifier(QStringLiteral("bankEditFlag"), this);
    connect(bankEditFlagNotifier, &CSimpleNotifier::update, this, &EditorTemplate::updateBankEditFlag);
    onlineNotifier = new CSimpleNotifier(QStringLiteral("isOnline"), this);
    connect(onlineNotifier, &CSimpleNotifier::update, this, &EditorTemplate::updateBankEditFlag);
    fileNameNotifier = new CSimpleNotifier(QStringLiteral("fileName"), this);
    connect(fileNameNotifier, &CSimpleNotifier::update, this, &EditorTemplate::updateFileName);
    templateNameReader = new CSimpleNotifier(QStringLiteral("templateName"), this);
    templateNameReader->assignClassMemAPI(0, 0);
    controlTypeNotifier = new CSimpleNotifier(QStringLiteral("controlType"), frameControllerPanel);
    connect(controlTypeNotifier, &CSimpleNotifier::update, this, &EditorTemplate::updateLCDDisplay);
    remoteNumberNotifier = new CSimpleNotifier(knobAddress(0, "remoteNumber"), frameControllerSetting);
    connect(remoteNumberNotifier, &CSimpleNotifier::update, this, &EditorTemplate::updateRemoteControlParameter);
    for (int knob = 0; knob < kKnobCount; ++knob) {
        lcdRemoteNumbers[knob] = new CSimpleNotifier(knobAddress(knob, "remoteNumber"), frameControllerPanel);
        lcdCCNumbers[knob] = new CSimpleNotifier(knobAddress(knob, "ccNumber"), frameControllerPanel);
        lcdDisplayNames[knob] = new CSimpleNotifier(knobAddress(knob, "displayName"), frameControllerPanel);
        for (CSimpleNotifier* notifier : {lcdRemoteNumbers[knob], lcdCCNumbers[knob], lcdDisplayNames[knob]}) {
            connect(notifier, &CSimpleNotifier::update, this, &EditorTemplate::updateLCDDisplay);
        }
    }

    connect(btnLibrary, &QAbstractButton::clicked, mainWindow, &EditorMainWindow::viewLibrary);
    connect(btnStore, &QAbstractButton::clicked, mainWindow, &EditorMainWindow::viewStore);
    connect(btnTemplateNumber, &QAbstractSlider::valueChanged, this,
            qOverload<>(&EditorTemplate::updateTemplateNumber));
    updateTemplateNumber(btnTemplateNumber->value());
    connect(editQPXiName, &QLineEdit::textChanged, this, &EditorTemplate::updateQPXiName);
    connect(btnRemote, &QAbstractButton::toggled, this, &EditorTemplate::selectRemoteCC);
    connect(btnCC, &QAbstractButton::toggled, this, &EditorTemplate::selectRemoteCC);
    for (CRadioButton* button : knobButtons) {
        connect(button, &QAbstractButton::toggled, this, &EditorTemplate::selectKnob);
    }
    connect(btnTemplate, &QAbstractButton::clicked, this, &EditorTemplate::popupTemplate);
    connect(btnQPXiName, &QAbstractButton::clicked, this, &EditorTemplate::popupQPXiName);
    connect(btnRemoteControlParameter, &QAbstractButton::clicked, this, [this] { popupRemoteControlParameter(); });
    connect(btnCCNumberAndDisplayName, &QAbstractButton::clicked, this, [this] { popupCCNumberAndDisplayName(); });

    for (CRadioButton* button : knobButtons) {
        button->installEventFilter(this);
    }
    setAcceptDrops(true);

    // The lamp's faded pictures are made once, so that its timer only swaps pictures.
    storeLampPictures[0] = QPixmap(QStringLiteral(":/images/t51m_btn_back_store.png"));
    for (int k = 1; k <= kStoreLampFadedPictures; ++k) {
        storeLampPictures[static_cast<std::size_t>(k)] = fadedPicture(storeLampPictures[0], 256 * k / 11);
    }
    storeLampTimer = startTimer(kStoreLampMs);
}

int EditorTemplate::getCurrentTemplateNumber() const
{
    return btnTemplateNumber->value();
}

void EditorTemplate::updateTemplateNumber()
{
    updateTemplateNumber(btnTemplateNumber->value());
}

void EditorTemplate::updateTemplateNumber(int number)
{
    // A template change (the synthesizer's too) ends an open chooser without a choice.
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    txtTemplateNumber->setText(QString::asprintf("Template No:%02d", number + 1));
    for (QObject* root : {static_cast<QObject*>(editTemplateName), static_cast<QObject*>(editQPXiName),
                          static_cast<QObject*>(frameControllerPanel), static_cast<QObject*>(frameControllerSetting)}) {
        assignTemplate(root, number);
    }
}

void EditorTemplate::focusKnob()
{
    if (selectedKnob >= 0 && selectedKnob < kKnobCount) {
        knobButtons[static_cast<std::size_t>(selectedKnob)]->setFocus(Qt::OtherFocusReason);
    }
}

int EditorTemplate::getKnobNumberFromKnobButton(QWidget* button) const
{
    for (int knob = 0; knob < kKnobCount; ++knob) {
        if (knobButtons[static_cast<std::size_t>(knob)] == button) {
            return knob;
        }
    }
    return -1;
}

int EditorTemplate::getKnobAddressFromNumber(int knob)
{
    return knob >= 0 && knob < kKnobCount ? knob : -1;
}

void EditorTemplate::selectKnob()
{
    for (int knob = 0; knob < kKnobCount; ++knob) {
        if (knobButtons[static_cast<std::size_t>(knob)]->isChecked()) {
            selectedKnob = knob;
            break;
        }
    }
    for (std::size_t knob = 0; knob < kKnobCount; ++knob) {
        const bool selected = static_cast<int>(knob) == selectedKnob;
        lcdHighlights[knob]->setVisible(selected);
        lcdTexts[knob]->setEnabled(selected);
        lcdHighlights[knob]->stackUnder(lcdTexts[knob]);
        knobButtons[knob]->raise();
    }
    assignController(frameControllerSetting, getKnobAddressFromNumber(selectedKnob));
}

bool EditorTemplate::isOtherDAW() const
{
    return mainWindow->getDAWName() == OtherDAW;
}

QString EditorTemplate::fullInstrumentName() const
{
    return mainWindow->getQPXiInfo()->getQPXiNameFromQPXiExtensionName(editQPXiName->text());
}

int EditorTemplate::controlType() const
{
    return controlTypeNotifier->getMemAPICurrentValue();
}

void EditorTemplate::updateLCDDisplay()
{
    const bool other = isOtherDAW();
    const int type = controlType();
    if (!other && type != 0 && type != 1) {
        return;
    }
    const QString fullName = !other && type == 0 ? fullInstrumentName() : QString();
    QPXiInfo* qpxiInfo = mainWindow->getQPXiInfo();
    for (std::size_t knob = 0; knob < kKnobCount; ++knob) {
        CText* cell = lcdTexts[knob];
        QString text;
        QString toolTip;
        if (other || type == 1) {
            const QString displayName = lcdDisplayNames[knob]->getMemAPIString();
            const QString shown = other ? displayName : trimText(cell, displayName, cell->width());
            text = QString::asprintf("CC%03d\n", lcdCCNumbers[knob]->getMemAPICurrentValue()) + shown;
            toolTip = other || shown == displayName ? QString() : displayName;
        } else {
            const QStringList names = qpxiInfo->getParameterName(fullName, lcdRemoteNumbers[knob]->getMemAPIString());
            if (!names.isEmpty()) {
                text = trimText(cell, names.last(), cell->width());
                toolTip = names.join(QStringLiteral(" - "));
                if (toolTip == text) {
                    toolTip.clear();
                }
            }
        }
        cell->setText(text);
        knobButtons[knob]->setToolTip(toolTip);
    }
}

void EditorTemplate::updateRemoteControlParameter()
{
    const QStringList names =
        mainWindow->getQPXiInfo()->getParameterName(fullInstrumentName(), remoteNumberNotifier->getMemAPIString());
    txtRemoteControlParameter->setText(names.join(QStringLiteral(" - ")));
}

void EditorTemplate::updateQPXiName()
{
    updateLCDDisplay();
    updateRemoteControlParameter();
}

void EditorTemplate::selectRemoteCC()
{
    if (isOtherDAW()) {
        btnRemote->hide();
        btnCC->hide();
        lblRemote->hide();
        btnRemotePanel->hide();
        lblCC->show();
        btnCCPanel->hide();
    } else {
        lblRemote->setVisible(btnRemote->isChecked());
        lblCC->setVisible(btnCC->isChecked());
    }
    btnRemotePanel->update();
    btnCCPanel->update();
}

void EditorTemplate::disableRemoteGUI()
{
    btnRemote->hide();
    btnCC->hide();
    lblRemote->hide();
    lblCC->show();
    for (QWidget* widget : {static_cast<QWidget*>(btnRemotePanel), static_cast<QWidget*>(btnCCPanel),
                            static_cast<QWidget*>(txtRemoteControlParameter),
                            static_cast<QWidget*>(btnRemoteControlParameter), static_cast<QWidget*>(editQPXiName)}) {
        widget->hide();
    }
}

void EditorTemplate::enableRemoteGUI()
{
    btnRemote->show();
    btnCC->show();
    lblRemote->setVisible(btnRemote->isChecked());
    lblCC->setVisible(btnCC->isChecked());
    for (QWidget* widget : {static_cast<QWidget*>(btnRemotePanel), static_cast<QWidget*>(btnCCPanel),
                            static_cast<QWidget*>(txtRemoteControlParameter),
                            static_cast<QWidget*>(btnRemoteControlParameter), static_cast<QWidget*>(editQPXiName)}) {
        widget->show();
    }
}

void EditorTemplate::updateDAW()
{
    const bool other = isOtherDAW();
    btnQPXiName->setVisible(!mainWindow->getQPXiInfo()->getQPXiList().isEmpty() && !other);
    updateLCDDisplay();
    updateRemoteControlParameter();
    if (other) {
        disableRemoteGUI();
    } else {
        enableRemoteGUI();
    }
}

void EditorTemplate::updateFileEditFlag()
{
    lblFileEditFlag->setVisible(fileEditFlagNotifier->getMemAPICurrentValue() != 0);
}

void EditorTemplate::updateBankEditFlag()
{
    if (mainWindow == nullptr) {
        return;
    }
    if (onlineNotifier->getMemAPICurrentValue() != 0) {
        const bool edited = bankEditFlagNotifier->getMemAPICurrentValue() != 0;
        lblBankEditFlag->setVisible(edited);
        lblStoreFlash->setVisible(edited);
        btnStore->setVisible(edited);
    } else {
        lblBankEditFlag->hide();
        lblStoreFlash->show();
        btnStore->show();
    }
}

void EditorTemplate::updateFileName()
{
    const QString name = fileNameNotifier->getMemAPIString();
    txtFileName->setText(name.isEmpty() ? QString() : QFileInfo(name).fileName());
}

void EditorTemplate::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != storeLampTimer) {
        CFrame::timerEvent(event);
        return;
    }
    storeLampPhase = storeLampPhase >= kStoreLampPhases - 1 ? 0 : storeLampPhase + 1;
    constexpr int kDark = kStoreLampPhases / 2;
    if (storeLampPhase == kDark) {
        lblStoreFlash->setPixmap(QPixmap());
        return;
    }
    // Fading out over the first half of the cycle, in over the second.
    const int picture = storeLampPhase == 0      ? 0
                        : storeLampPhase < kDark ? kDark - storeLampPhase
                                                 : storeLampPhase - kDark;
    lblStoreFlash->setPixmap(storeLampPictures[static_cast<std::size_t>(picture)]);
}

void EditorTemplate::initializeEditBuffer()
{
    if (memApi == nullptr) {
        return;
    }
    memApi->denyToRaiseFileEditFlag();
    for (int templ = 0; templ < kTemplateCount; ++templ) {
        memApi->initializeTemplate(0, templ);
    }
    memApi->setParam(ParamAddress(ParamAddress::kFileNameBank, -1, -1, -1), QString());
    memApi->allowToRaiseFileEditFlag();
}

void EditorTemplate::initializeTemplate()
{
    const int templ = getCurrentTemplateNumber();
    memApi->initializeTemplate(0, templ);
    fileEditFlagNotifier->setMemAPICurrentValue(1);
    if (onlineNotifier->getMemAPICurrentValue() == 1) {
        memApi->send1TemplateDataParamChange(0, templ);
    }
}

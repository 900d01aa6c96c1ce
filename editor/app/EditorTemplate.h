#pragma once

#include "BankData.h"
#include "CFrame.h"
#include "ControlTemplateData.h"
#include "ui_EditorTemplate.h"

#include <QPixmap>
#include <QPoint>
#include <QString>

#include <array>

class CRadioButton;
class CSimpleNotifier;
class CText;
class EditorMainWindow;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class RemoteMemAPI;

// Constants of the template view's own source.
extern const QString RemoteTrackControlName;
extern const QString ModelName;

// The template view of the main window: edits one template of the working bank (bank 0): its name, its
// instrument, its control type and the 12 knob assignments A1 to D3. Its controls are bound to remote
// memory by the form; the view re-targets them when the template or the selected knob changes, draws the
// LCD, runs the assignment pop-ups, the knob clipboard and drag-and-drop, and saves the bank. GUI thread only.
class EditorTemplate : public CFrame, public Ui::EditorTemplate
{
    Q_OBJECT

public:
    static constexpr int kKnobCount = ControlTemplateData::kControllerCount;
    static constexpr int kTemplateCount = BankData::kTemplateCount;

    explicit EditorTemplate(EditorMainWindow* mainWindow);

    int getCurrentTemplateNumber() const;
    void updateTemplateNumber(int number);
    // All 50 templates of bank 0 back to the initial template, and no file name; raises no flag.
    void initializeEditBuffer();
    // The shown template back to the initial template; online, the whole template goes out.
    void initializeTemplate();

    bool canCopy() const { return true; }
    bool canPaste() const;
    bool canInitialize() const { return true; }
    bool canSaveBank() const { return true; }
    bool canSaveBankAs() const;
    void copyKnob();
    void pasteKnob();
    bool saveBank();
    bool saveBankAs();

    // The knob document of a knob of the shown template; owned by the caller.
    QMimeData* createKnobMimeData(int knob);
    // The source knob a knob document names (0..11), or -1.
    static int getKnobNumberFromKnobMimeData(const QMimeData* data);
    // Writes a knob document's settings into a knob of the shown template; what it lacks stays.
    void setKnobMimeData(const QMimeData* data, int knob);

public slots:
    void updateDAW();
    void updateTemplateNumber();
    void focusKnob();

private slots:
    void selectRemoteCC();
    void selectKnob();
    void popupTemplate();
    void popupQPXiName();
    void popupRemoteControlParameter(QWidget* pTrigger = nullptr, const QPoint& offset = QPoint());
    void popupCCNumberAndDisplayName(QWidget* pTrigger = nullptr, const QPoint& offset = QPoint());
    void updateFileName();
    void updateQPXiName();
    void updateLCDDisplay();
    void updateRemoteControlParameter();
    void updateFileEditFlag();
    void updateBankEditFlag();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int getKnobNumberFromKnobButton(QWidget* button) const;
    static int getKnobAddressFromNumber(int knob);
    void disableRemoteGUI();
    void enableRemoteGUI();
    bool isOtherDAW() const;
    QString fullInstrumentName() const;
    int controlType() const;
    void flashKnob(int knob);
    // A knob button's event as the view's filter sees it: true when the event was consumed.
    bool knobButtonEvent(int knob, QEvent* event);
    void startKnobDrag(int knob, Qt::KeyboardModifiers modifiers);
    bool acceptsKnobDrag(int knob, const QDropEvent* event) const;
    bool dropKnob(int knob, QDropEvent* event);
    void knobContextMenu(int knob, const QPoint& globalPos);
    // Saves bank 1 into the path; on failure the main window shows the error.
    bool saveBankTo(const QString& path);

    EditorMainWindow* mainWindow;
    RemoteMemAPI* memApi;
    int selectedKnob = 0;
    QPoint dragStartPosition;
    // The knob whose drag this view runs, -1 while none: only such a drop can exchange two knobs.
    int draggedKnob = -1;
    CSimpleNotifier* fileNameNotifier = nullptr;
    CSimpleNotifier* templateNameReader = nullptr;
    CSimpleNotifier* controlTypeNotifier = nullptr;
    CSimpleNotifier* remoteNumberNotifier = nullptr;
    std::array<CSimpleNotifier*, kKnobCount> lcdRemoteNumbers{};
    std::array<CSimpleNotifier*, kKnobCount> lcdCCNumbers{};
    std::array<CSimpleNotifier*, kKnobCount> lcdDisplayNames{};
    std::array<CFrame*, kKnobCount> lcdHighlights{};
    std::array<CText*, kKnobCount> lcdTexts{};
    std::array<CRadioButton*, kKnobCount> knobButtons{};
    CSimpleNotifier* fileEditFlagNotifier = nullptr;
    CSimpleNotifier* bankEditFlagNotifier = nullptr;
    CSimpleNotifier* onlineNotifier = nullptr;
    int storeLampTimer = 0;
    int storeLampPhase = 0;
    std::array<QPixmap, 10> storeLampPictures;
};

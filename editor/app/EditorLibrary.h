#pragma once

#include "CFrame.h"
#include "ui_EditorLibrary.h"

#include <QList>
#include <QPoint>

class CListView;
class CSimpleNotifier;
class CText;
class EditorMainWindow;
class QAction;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class RemoteMemAPI;

// The library editor (view 1 of the main window's stack): the working bank's 50 templates rearranged,
// replaced from a bank file and reset as a whole in a copy (the library bank), which OK applies to the
// working bank in one step. Also carries out the three resets of the Edit menu. GUI thread only.
class EditorLibrary : public CFrame, public Ui_EditorLibrary
{
    Q_OBJECT

public:
    enum EResetMenuItems
    {
        ResetNone = 0,
        ResetStoredData = 1,
        RestoreHWBackup = 2,
        ResetFactorySet = 3
    };

    explicit EditorLibrary(EditorMainWindow* mainWindow);

    void initializeList();
    void updateLibrary();
    void setCurrentTemplateNumber(int n);
    // Gives the template list the focus, which makes it the selected list.
    void focusList();

    bool canCopy() const { return templateListSelected; }
    bool canPaste() const;
    bool canInitialize() const { return canCopy(); }
    bool canImport() const;
    bool canNewBank() const { return canImport(); }
    bool canDeleteBank() const { return false; }

    void copyTemplate();
    void pasteTemplate();
    void enableKeyboardShortcuts(bool enable);
    bool keyboardShortcutsEnabled() const;

    // The template document of a row of the selected list's bank; the caller owns it.
    QMimeData* createTemplateMimeData(int templateNumber);
    // The document's "number" and "banknumber" attributes; -1 when missing or when the data is no document.
    static int getTemplateNumberFromTemplateMimeData(const QMimeData* data);
    static int getBankNumberFromTemplateMimeData(const QMimeData* data);

    bool isTemplateListSelected() const { return templateListSelected; }
    bool isImportLoaded() const { return importLoaded; }
    bool isAutoScrolling() const { return scrollTimerId != 0; }

public slots:
    void initializeTemplate();
    void importBank();
    void importTemplate();
    void resetStoredData(int templateNumber);
    void restoreHWBackup(int templateNumber);
    void resetFactorySet(int templateNumber);
    void updateDAW();
    void setSelectedBank(CListView* listView);

private slots:
    void updateTemplateNumber();
    void updateImportTemplateNumber();
    void updateTemplateList();
    void updateImportTemplateList();
    void updatePreview();
    void decide(int templateNumber, EResetMenuItems resetMenuItem = ResetNone);
    void decide(EResetMenuItems resetMenuItem = ResetNone);
    void revoke();
    void emulateOKPressing();
    void emulateCancelPressing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static constexpr int kImportBank = 4;
    static constexpr int kLibraryBank = 5;
    static constexpr int kNoDrag = 2;

    int selectedBank() const { return templateListSelected ? kLibraryBank : kImportBank; }
    void fillList(CListView* list, int bank);
    void flashRow(int row);
    void updateKeyActions();
    void reset(int sourceBank, int templateNumber, EResetMenuItems resetMenuItem);
    // The template a document carries, written over a row of the library bank; false (nothing written)
    // when the data holds no whole template.
    bool writeTemplateDocument(const QMimeData* data, int row);
    QMimeData* templateDocument(int bank, int templateNumber);

    bool startDragOnMove(CListView* list, int source, QEvent* event);
    void startDrag(CListView* list, int row, int source, Qt::DropAction action);
    bool dragOverTemplateList(QDragMoveEvent* event);
    bool dropOnTemplateList(QDropEvent* event);
    bool showContextMenu(QEvent* event);
    void stopScrollTimer();

    EditorMainWindow* mainWindow;
    RemoteMemAPI* memAPI;
    bool templateListRefresh = true;
    bool importLoaded = false;
    bool bankAvailable = true;
    bool templateListSelected = true;
    QPoint pressPos{0, 0};
    int scrollTimerId = 0;
    int scrollDirection = 0;
    CSimpleNotifier* libraryEditFlag = nullptr;
    CSimpleNotifier* fileEditFlag = nullptr;
    CSimpleNotifier* currentTemplate = nullptr;
    QList<CSimpleNotifier*> templateNames;
    QList<CSimpleNotifier*> importNames;
    CSimpleNotifier* previewQPXiName = nullptr;
    CSimpleNotifier* previewControlType = nullptr;
    QList<CSimpleNotifier*> previewRemoteNumber;
    QList<CSimpleNotifier*> previewCCNumber;
    QList<CSimpleNotifier*> previewDisplayName;
    QList<CText*> previewText;
    int dragSource = kNoDrag;
    bool keysWanted = true;
};

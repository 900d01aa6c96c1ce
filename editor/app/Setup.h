#pragma once

#include "EditorOverlap.h"
#include "ui_Setup.h"

#include <QString>
#include <QStringList>

// Where the user chooses the synthesizer's port set and the DAW whose instruments the editor offers; OK
// hands both to the main window, which opens the route and starts a scan for a new DAW once this panel is
// gone. Close, Cancel and Escape change nothing. GUI thread only.
class Setup : public EditorOverlap, public Ui::Setup
{
    Q_OBJECT

public:
    explicit Setup(EditorMainWindow* mainWindow);

private slots:
    void decideClose();
    void popupMidiPort();
    void popupDAWName();
    void emulateOKPressing();
    void emulateClosePressing();

private:
    int portIndex = 0;
    QStringList portNameList;
    QString dawName;
    QStringList dawList;
};

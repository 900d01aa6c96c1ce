#include "EditorLibrary.h"

#include "EditorMainWindow.h"

EditorLibrary::EditorLibrary(EditorMainWindow* mainWindow) : CFrame(mainWindow), mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("EditorLibrary"));
    setBackgroundPixmap(QPixmap(QStringLiteral(":/images/bram_bak_library.png")));
}

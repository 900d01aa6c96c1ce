#include "EditorTemplate.h"

#include "EditorMainWindow.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

EditorTemplate::EditorTemplate(EditorMainWindow* mainWindow) : CFrame(mainWindow), mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("EditorTemplate"));
    setBackgroundPixmap(QPixmap(QStringLiteral(":/images/bram_bak_main.png")));
}

void EditorTemplate::initializeEditBuffer()
{
    RemoteMemAPI* memApi = mainWindow->getMemApi();
    if (memApi == nullptr) {
        return;
    }
    memApi->denyToRaiseFileEditFlag();
    for (int templ = 0; templ < 50; ++templ) {
        memApi->initializeTemplate(0, templ);
    }
    memApi->setParam(ParamAddress(ParamAddress::kFileNameBank, -1, -1, -1), QString());
    memApi->allowToRaiseFileEditFlag();
}

void EditorTemplate::updateDAW() {}

void EditorTemplate::focusKnob()
{
    setFocus();
}

int EditorTemplate::currentTemplateNumber() const
{
    RemoteMemAPI* memApi = mainWindow->getMemApi();
    return memApi != nullptr ? static_cast<int>(memApi->getParam(ParamAddress(0, 52, -1, -1)).getCurrentValue()) : 0;
}

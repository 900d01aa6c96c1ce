#pragma once

#include "HostValues.h"

// Host interfaces of commands, panels, menus, message boxes and translation.
namespace Quorvane {

// The host's commands: registration of handlers and actions, and performing a command.
class IActionManager : public FUnknown
{
public:
    virtual tresult registerHandler(IActionHandler* handler) = 0;
    virtual tresult unregisterHandler(IActionHandler* handler) = 0;
    virtual tresult addAction(const char8* category, const char8* action, const char16* title) = 0;
    virtual tresult removeAction(const char8* category, const char8* action) = 0;
    virtual tresult performAction(const char8* category, const char8* action) = 0;

    QUORVANE_IID(0xC5973319, 0x2D59A9DA, 0x09280B05, 0x4E782A69)
protected:
    ~IActionManager() = default;
};

// The host's command catalogue, by category and action index.
class IActionManager2 : public IActionManager
{
public:
    virtual int32 countCategories() = 0;
    virtual const char8* getCategoryName(int32 index) = 0;
    // -1 when unknown.
    virtual int32 getCategoryIndex(const char8* name) = 0;
    virtual int32 countActions(int32 category) = 0;
    virtual const char8* getActionName(int32 category, int32 index) = 0;
    virtual int32 getActionIndex(int32 category, const char8* name) = 0;

    QUORVANE_IID(0x0D7E7D3C, 0x5FD5C71E, 0x6A2C5F4C, 0x5E99F25C)
protected:
    ~IActionManager2() = default;
};

// A host-drawn panel's controller: the panel's parameters and their changes.
class IPlugController : public FUnknown
{
public:
    // kResultOk with the parameter (not referenced), kResultFalse when there is none of that name.
    virtual tresult getParameter(const char8* name, IParameter** parameter) = 0;
    virtual tresult parameterChanged(IParameter* parameter, int32 tag) = 0;

    QUORVANE_IID(0x0C67833B, 0x3FFD5444, 0xCE8833A4, 0xAF87FAEA)
protected:
    ~IPlugController() = default;
};

class IWindow;

// Told when a host window closes.
class ICloseWindowNotification
{
public:
    virtual void windowClosed(IWindow* window) = 0;

protected:
    ~ICloseWindowNotification() = default;
};

class IWindow : public FUnknown
{
public:
    virtual tresult open() = 0;
    virtual tresult close() = 0;
    virtual tresult addCloseNotification(ICloseWindowNotification* notification) = 0;
    virtual tresult removeCloseNotification(ICloseWindowNotification* notification) = 0;

    QUORVANE_IID(0xE0F81438, 0xDD9AB4D1, 0x6F5D0D0B, 0x8D200385)
protected:
    ~IWindow() = default;
};

// Panel descriptions of a module and the windows made from them.
class IGuiDescription : public FUnknown
{
public:
    virtual tresult loadDescription(void* module, const char16* file) = 0;
    // A window of the named panel with controller as its controller (the window keeps a reference to
    // it); null when the panel cannot be made. Not referenced.
    virtual IWindow* createWindow(const char8* panelName, IPlugController* controller) = 0;

    QUORVANE_IID(0xBB3B65FE, 0x93CC449C, 0x3055DA14, 0x99F1D8A8)
protected:
    ~IGuiDescription() = default;
};

// The host's menu bar.
class IHostMenuBar : public FUnknown
{
public:
    virtual tresult addMenuItem(void* module, const char8* menu, const char16* text, const char8* category,
                                const char8* action) = 0;
    virtual tresult removeMenuItems(void* module) = 0;

    QUORVANE_IID(0x1C08E9F5, 0xDE0EC02B, 0x50EA913A, 0xE3152011)
protected:
    ~IHostMenuBar() = default;
};

// The host's desktop (its windows as a whole).
class IDesktop : public FUnknown
{
public:
    QUORVANE_IID(0xB7169285, 0xA8E97DCE, 0xF82671B9, 0x65014956)
protected:
    ~IDesktop() = default;
};

// Message boxes.
class IAlert : public FUnknown
{
public:
    // Shows text with one or two buttons (button2 may be null); the index of the button chosen.
    virtual int32 showMessage(const char16* text, const char16* button1, const char16* button2) = 0;

    QUORVANE_IID(0x15E7319F, 0x7C331D07, 0x54B09073, 0x7906292F)
protected:
    ~IAlert() = default;
};

// Translation of texts into the language of the host's user interface.
class ITranslator : public FUnknown
{
public:
    virtual tresult loadSection(void* module, const char16* file, const char8* section) = 0;
    QUORVANE_RESERVED_SLOT(4)

    QUORVANE_IID(0x48C107A0, 0x2A971C34, 0x1F985EA6, 0x1A190662)
protected:
    ~ITranslator() = default;
};

class ITranslator2 : public ITranslator
{
public:
    // The language code of the user interface (for example "us") into buffer of size bytes.
    virtual tresult getLanguage(char8* buffer, int32 size) = 0;
    QUORVANE_RESERVED_SLOT(6)
    // The translation of text, or text itself when there is none.
    virtual const char16* translate(const char16* text) = 0;

    QUORVANE_IID(0xDB583EA4, 0xBF0C2EB5, 0x6C95C80D, 0xBDBD53D4)
protected:
    ~ITranslator2() = default;
};

} // namespace Quorvane

#include "SimGuiDescription.h"

#include "SimValue.h"

#include <algorithm>
#include <fstream>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

using namespace Quorvane;

namespace simhost {

namespace {

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Read in large pieces straight into the text (a panel's controller loads its description each time it
// begins, and a copy through a string stream was a good part of that).
bool readFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.clear();
    char piece[4096];
    while (in.read(piece, sizeof piece) || in.gcount() > 0)
        text.append(piece, static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

} // namespace

SimGuiDescription::SimGuiDescription(HostContextRef host) : HostObject(std::move(host), "GuiDescription") {}

SimGuiDescription::~SimGuiDescription()
{
    for (SimPanelWindow* window : m_windows)
        window->release();
}

std::string SimGuiDescription::findFile(void* module, const std::string& file)
{
    std::vector<std::string> folders;
    // The module handle is the one its bundle entry was given: the library's own dlopen handle.
    link_map* map = nullptr;
    if (module && dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0])
        folders.push_back(folderOf(map->l_name));
    {
        std::lock_guard lock(m_mutex);
        folders.insert(folders.end(), m_folders.begin(), m_folders.end());
    }
    for (const std::string& folder : folders) {
        const std::string path = folder.empty() ? file : folder + "/" + file;
        if (::access(path.c_str(), R_OK) == 0)
            return path;
    }
    return {};
}

tresult SimGuiDescription::loadDescription(void* module, const char16_t* file)
{
    hostThreadOnly("IGuiDescription::loadDescription");
    const std::string name = file ? asciiText8(file) : std::string();
    std::string error;
    std::string text;
    std::vector<SimPanelDescription> panels;
    const std::string path = name.empty() ? std::string() : (name[0] == '/' ? name : findFile(module, name));
    if (path.empty())
        error = "no panel description \"" + name + "\" beside the module or in the host's resource folders";
    else if (!readFile(path, text))
        error = path + ": cannot be read";
    else if (!readPanelDescriptions(text, panels, &error))
        error = path + ": " + error;
    std::lock_guard lock(m_mutex);
    m_lastError = error;
    if (!error.empty())
        return kResultFalse;
    for (SimPanelDescription& panel : panels) {
        std::erase_if(m_panels, [&](const SimPanelDescription& known) { return known.name == panel.name; });
        m_panels.push_back(std::move(panel));
    }
    return kResultOk;
}

IWindow* SimGuiDescription::createWindow(const char* panelName, IPlugController* controller)
{
    hostThreadOnly("IGuiDescription::createWindow");
    if (!panelName || !controller)
        return nullptr;
    SimPanelDescription description;
    {
        std::lock_guard lock(m_mutex);
        const auto panel = std::find_if(m_panels.begin(), m_panels.end(),
                                        [&](const SimPanelDescription& known) { return known.name == panelName; });
        if (panel == m_panels.end())
            return nullptr;
        description = *panel;
    }
    // The window takes its reference to the controller outside the lock: that calls into the extension.
    auto* window =
        makeHostObject<SimPanelWindow>(registry().shared_from_this(), this, std::move(description), controller);
    std::lock_guard lock(m_mutex);
    m_windows.push_back(window);
    return window;
}

void SimGuiDescription::addResourceFolder(const std::string& folder)
{
    std::lock_guard lock(m_mutex);
    m_folders.push_back(folder);
}

std::string SimGuiDescription::lastError()
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

SimPanelWindow* SimGuiDescription::window(const std::string& panelName)
{
    std::vector<SimPanelWindow*> windows;
    {
        std::lock_guard lock(m_mutex);
        windows = m_windows;
    }
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if ((*it)->isOpen() && (panelName.empty() || (*it)->description().name == panelName))
            return *it;
    return nullptr;
}

int SimGuiDescription::windowCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_windows.size());
}

void SimGuiDescription::closeAll()
{
    std::vector<SimPanelWindow*> windows;
    {
        std::lock_guard lock(m_mutex);
        windows = m_windows;
    }
    for (SimPanelWindow* window : windows)
        window->close();
}

void SimGuiDescription::forget(SimPanelWindow* window)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find(m_windows.begin(), m_windows.end(), window);
        if (it == m_windows.end())
            return;
        m_windows.erase(it);
    }
    window->release();
}

} // namespace simhost

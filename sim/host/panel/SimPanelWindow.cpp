#include "SimPanelWindow.h"

#include "SimGuiDescription.h"
#include "SimValue.h"

#include <algorithm>

using namespace Quorvane;

namespace simhost {

namespace {

bool fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

SimPanelWindow::SimPanelWindow(HostContextRef host, SimGuiDescription* owner, SimPanelDescription panel,
                               IPlugController* controller)
    : HostObject(std::move(host), "PanelWindow"), m_owner(owner), m_panel(std::move(panel)),
      m_controller(HostRef<IPlugController>::share(controller))
{
}

SimPanelWindow::~SimPanelWindow() = default;

tresult SimPanelWindow::open()
{
    hostThreadOnly("IWindow::open");
    HostRef<IPlugController> controller;
    {
        std::lock_guard lock(m_mutex);
        if (m_open || m_closed)
            return kResultFalse;
        m_open = true;
        controller = m_controller;
    }
    std::vector<Bound> bound;
    bound.reserve(m_panel.views.size());
    for (const SimPanelView& view : m_panel.views) {
        IParameter* parameter = nullptr;
        if (controller->getParameter(view.parameter.c_str(), &parameter) != kResultOk)
            parameter = nullptr;
        bound.push_back({&view, HostRef<IValue>::share(parameter)});
    }
    std::lock_guard lock(m_mutex);
    m_bound = std::move(bound);
    return kResultOk;
}

tresult SimPanelWindow::close()
{
    hostThreadOnly("IWindow::close");
    HostRef<IWindow> self = HostRef<IWindow>::share(this); // the owner lets go of the window below
    std::vector<ICloseWindowNotification*> notifications;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return kResultFalse;
        m_closed = true;
        m_open = false;
        notifications = m_notifications;
    }
    for (ICloseWindowNotification* notification : notifications)
        notification->windowClosed(this);
    std::vector<Bound> bound;
    HostRef<IPlugController> controller;
    {
        std::lock_guard lock(m_mutex);
        bound.swap(m_bound);
        std::swap(controller, m_controller);
        m_notifications.clear();
    }
    bound.clear(); // the parameters before their controller
    controller.reset();
    m_owner->forget(this);
    return kResultOk;
}

tresult SimPanelWindow::addCloseNotification(ICloseWindowNotification* notification)
{
    hostThreadOnly("IWindow::addCloseNotification");
    if (!notification)
        return kInvalidArgument;
    std::lock_guard lock(m_mutex);
    m_notifications.push_back(notification);
    return kResultOk;
}

tresult SimPanelWindow::removeCloseNotification(ICloseWindowNotification* notification)
{
    hostThreadOnly("IWindow::removeCloseNotification");
    std::lock_guard lock(m_mutex);
    const auto it = std::find(m_notifications.begin(), m_notifications.end(), notification);
    if (it == m_notifications.end())
        return kResultFalse;
    m_notifications.erase(it);
    return kResultOk;
}

bool SimPanelWindow::isOpen()
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

int SimPanelWindow::closeNotificationCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_notifications.size());
}

SimPanelWindow::Bound* SimPanelWindow::find(const std::string& view, std::string* error)
{
    if (!isOpen()) {
        fail(error, "the panel is not open");
        return nullptr;
    }
    for (Bound& bound : m_bound)
        if (bound.view->parameter == view) {
            if (!bound.value) {
                fail(error, "the panel's controller has no parameter \"" + view + "\"");
                return nullptr;
            }
            return &bound;
        }
    fail(error, "the panel has no view \"" + view + "\"");
    return nullptr;
}

SimPanelValueCore* SimPanelWindow::value(const std::string& view)
{
    Bound* bound = find(view, nullptr);
    return bound ? panelValue(bound->value.get()) : nullptr;
}

bool SimPanelWindow::press(const std::string& view, std::string* error)
{
    Bound* bound = find(view, error);
    if (!bound)
        return false;
    SimPanelValueCore* value = panelValue(bound->value.get());
    if (!value || !value->enabled())
        return fail(error, view + " is disabled");
    // The controller may change the panel meanwhile: the value stays ours until the press is done.
    HostRef<IValue> held = bound->value;
    switch (bound->view->kind) {
    case SimPanelView::Kind::Button:
        value->userSetNumber(1);
        value->userSetNumber(0);
        return true;
    case SimPanelView::Kind::Toggle:
        value->userSetNumber(value->number() > 0 ? 0 : 1);
        return true;
    case SimPanelView::Kind::Radio:
        value->userSetNumber(1);
        return true;
    default:
        return fail(error, view + " is a " + viewKindName(bound->view->kind) + ", not something to press");
    }
}

bool SimPanelWindow::select(const std::string& view, const std::string& entry, std::string* error)
{
    Bound* bound = find(view, error);
    if (!bound)
        return false;
    if (bound->view->kind != SimPanelView::Kind::Menu)
        return fail(error, view + " is a " + std::string(viewKindName(bound->view->kind)) + ", not a menu");
    HostRef<IValue> held = bound->value;
    SimPanelValueCore* value = panelValue(held.get());
    if (!value || !value->enabled())
        return fail(error, view + " is disabled");
    const std::vector<std::u16string> entries = value->entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (asciiText8(entries[i]) == entry) {
            value->userSetNumber(static_cast<int32>(i));
            return true;
        }
    if (!entry.empty() && entry.find_first_not_of("0123456789") == std::string::npos && entry.size() < 6) {
        const std::size_t number = std::stoul(entry);
        if (number >= 1 && number <= entries.size()) {
            value->userSetNumber(static_cast<int32>(number - 1));
            return true;
        }
    }
    return fail(error, view + " has no entry \"" + entry + "\"");
}

bool SimPanelWindow::setText(const std::string& view, const std::u16string& text, std::string* error)
{
    Bound* bound = find(view, error);
    if (!bound)
        return false;
    if (bound->view->kind != SimPanelView::Kind::Field)
        return fail(error, view + " is a " + std::string(viewKindName(bound->view->kind)) + ", not a text field");
    HostRef<IValue> held = bound->value;
    SimPanelValueCore* value = panelValue(held.get());
    if (!value || !value->enabled())
        return fail(error, view + " is disabled");
    value->userSetText(text);
    return true;
}

std::string SimPanelWindow::line(const Bound& bound)
{
    const SimPanelView& view = *bound.view;
    std::string shown = std::string(viewKindName(view.kind)) + " " + view.parameter + " \"" + view.caption + "\": ";
    SimPanelValueCore* value = panelValue(bound.value.get());
    if (!value)
        return shown + "(no parameter)";
    switch (view.kind) {
    case SimPanelView::Kind::Button:
    case SimPanelView::Kind::Toggle:
    case SimPanelView::Kind::Radio:
        shown += value->number() > 0 ? "on" : "off";
        break;
    case SimPanelView::Kind::Menu:
        shown += "\"" + asciiText8(value->text()) + "\" (" + std::to_string(value->number() + 1) + " of " +
                 std::to_string(value->entries().size()) + ")";
        break;
    case SimPanelView::Kind::Number:
        shown += std::to_string(value->number());
        break;
    case SimPanelView::Kind::Field:
    case SimPanelView::Kind::Label:
        shown += "\"" + asciiText8(value->text()) + "\"";
        break;
    }
    if (!value->enabled())
        shown += " (disabled)";
    return shown;
}

std::string SimPanelWindow::describe()
{
    if (!isOpen())
        return "panel " + m_panel.name + ": closed\n";
    int selected = -1;
    if (!m_panel.viewSelector.empty()) {
        if (SimPanelValueCore* selector = value(m_panel.viewSelector))
            selected = selector->number();
    }
    std::string text = "panel " + m_panel.name + " \"" + m_panel.title + "\"";
    if (selected >= 0)
        text += ", view " + std::to_string(selected);
    text += "\n";
    for (const Bound& bound : m_bound)
        if (bound.view->shownIn < 0 || bound.view->shownIn == selected)
            text += "  " + line(bound) + "\n";
    return text;
}

std::string SimPanelWindow::entries(const std::string& view, std::string* error)
{
    Bound* bound = find(view, error);
    SimPanelValueCore* value = bound ? panelValue(bound->value.get()) : nullptr;
    if (!value)
        return {};
    std::string text;
    const std::vector<std::u16string> entries = value->entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        text += "  " + std::to_string(i + 1) + " " + asciiText8(entries[i]) + "\n";
    return text;
}

} // namespace simhost

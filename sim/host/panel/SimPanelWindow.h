#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"
#include "SimPanelDescription.h"
#include "SimPanelValue.h"

#include <mutex>
#include <string>
#include <vector>

namespace simhost {

class SimGuiDescription;

// A window the host draws from a panel description with an extension's controller: while open, each
// view is bound by name to the controller's parameter and shows it; what the user does in a view (press,
// choose an entry, type a text) changes the parameter, which tells the controller. Closing tells the
// close notifications, then lets go of the parameters and the controller. Host thread.
class SimPanelWindow : public HostObject<Quorvane::IWindow>
{
public:
    SimPanelWindow(HostContextRef host, SimGuiDescription* owner, SimPanelDescription panel,
                   Quorvane::IPlugController* controller);
    ~SimPanelWindow() override;

    tresult open() override;
    tresult close() override;
    tresult addCloseNotification(Quorvane::ICloseWindowNotification* notification) override;
    tresult removeCloseNotification(Quorvane::ICloseWindowNotification* notification) override;

    // Host side: what the user does; false with a reason in error.
    bool press(const std::string& view, std::string* error = nullptr);
    // entry: the entry's text, or its number counted from 1.
    bool select(const std::string& view, const std::string& entry, std::string* error = nullptr);
    bool setText(const std::string& view, const std::u16string& text, std::string* error = nullptr);
    // The panel as the user sees it: its title, then one line per view shown.
    std::string describe();
    // The entries of a menu, one per line, numbered from 1.
    std::string entries(const std::string& view, std::string* error = nullptr);

    bool isOpen();
    const SimPanelDescription& description() const { return m_panel; }
    // The parameter a view is bound to; null when the window is closed or the controller has none.
    SimPanelValueCore* value(const std::string& view);
    int closeNotificationCount();

private:
    struct Bound
    {
        const SimPanelView* view;
        HostRef<Quorvane::IValue> value;
    };
    // The bound view of that parameter name, or null with a reason in error.
    Bound* find(const std::string& view, std::string* error);
    std::string line(const Bound& bound);

    SimGuiDescription* m_owner; // not referenced: it outlives its windows
    const SimPanelDescription m_panel;
    std::mutex m_mutex;
    HostRef<Quorvane::IPlugController> m_controller;
    std::vector<Bound> m_bound;
    std::vector<Quorvane::ICloseWindowNotification*> m_notifications;
    bool m_open = false;
    bool m_closed = false;
};

} // namespace simhost

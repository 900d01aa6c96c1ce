#pragma once

#include <string>
#include <vector>

namespace simhost {

// One view of a host-drawn panel, bound by name to a parameter of the panel's controller.
struct SimPanelView
{
    enum class Kind
    {
        Button, // pressed and let go: the value is 1, then 0
        Toggle, // each press switches it on or off
        Radio,  // a press switches it on
        Menu,   // a list to choose an entry from
        Field,  // a text to edit
        Label,  // a text shown
        Number, // a number shown
    };

    Kind kind = Kind::Label;
    std::string parameter;
    // The value of the panel's view selector in which the view is shown; -1: always shown.
    int shownIn = -1;
    std::string caption;
};

// A panel as its description file describes it: a name, a title, the parameter whose value selects the
// views shown (empty: every view is always shown), and its views in drawing order.
struct SimPanelDescription
{
    std::string name;
    std::string title;
    std::string viewSelector;
    std::vector<SimPanelView> views;
};

// Reads a panel description file of the host:
//
//   # a comment
//   panel <name> "<title>"
//   shows <parameter>                     the parameter that selects the views shown
//   <kind> <parameter> <shown in> "<caption>"
//
// kind: button, toggle, radio, menu, field, label or number; shown in: * (always) or the value of the
// view selector. A file may describe several panels. False with a reason (and the line) in error.
bool readPanelDescriptions(const std::string& text, std::vector<SimPanelDescription>& panels, std::string* error);

const char* viewKindName(SimPanelView::Kind kind);

} // namespace simhost

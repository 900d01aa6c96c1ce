#pragma once

#include <string>

// One user command of the synthesizer's function buttons: the host command (category and action) and the
// short name the synthesizer shows for it. A value type.
struct SUserCommandInfo
{
    std::string category;
    std::string action;
    std::string displayName;

    // A command is complete when it names both a category and an action.
    bool isComplete() const { return !category.empty() && !action.empty(); }
};

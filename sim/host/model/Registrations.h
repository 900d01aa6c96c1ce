#pragma once

#include "QuorvaneTypes.h"

#include <algorithm>
#include <vector>

namespace simhost {

// The host's lists of what an extension registers (idle handlers, project notifications, action
// handlers): a second registration of the same object and the removal of one never made are refused.
// The caller holds the lock that guards the list.
template <class T> Quorvane::tresult addRegistration(std::vector<T*>& list, T* item)
{
    if (!item)
        return Quorvane::kInvalidArgument;
    if (std::find(list.begin(), list.end(), item) != list.end())
        return Quorvane::kResultFalse;
    list.push_back(item);
    return Quorvane::kResultOk;
}

template <class T> Quorvane::tresult removeRegistration(std::vector<T*>& list, T* item)
{
    const auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return Quorvane::kResultFalse;
    list.erase(it);
    return Quorvane::kResultOk;
}

} // namespace simhost

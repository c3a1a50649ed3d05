#pragma once

#include "platform/critical_section.h"

#include <algorithm>
#include <vector>

namespace vexlo {

// A list of plain pointers shared between threads, kept together with the lock
// that guards it. The one-step operations below take the lock themselves; a
// caller that reads and then changes the list as one step holds `lock` and
// works on `items`. The list never owns what it points to.
template <typename T> struct LockedList
{
    std::vector<T*> items;
    CriticalSection lock;

    std::vector<T*> snapshot()
    {
        CriticalSectionLock hold(lock);
        return items;
    }
    void assign(std::vector<T*> list)
    {
        CriticalSectionLock hold(lock);
        items = std::move(list);
    }
    void clear()
    {
        CriticalSectionLock hold(lock);
        items.clear();
    }
    void add(T* item)
    {
        CriticalSectionLock hold(lock);
        items.push_back(item);
    }
    // Adds `item` unless it is already there.
    void addOnce(T* item)
    {
        CriticalSectionLock hold(lock);
        if (std::find(items.begin(), items.end(), item) == items.end())
            items.push_back(item);
    }
    // Removes the first occurrence of `item`; later entries move up. Returns
    // whether it was there.
    bool remove(const T* item)
    {
        CriticalSectionLock hold(lock);
        auto it = std::find(items.begin(), items.end(), item);
        if (it == items.end())
            return false;
        items.erase(it);
        return true;
    }
    bool contains(const T* item)
    {
        CriticalSectionLock hold(lock);
        return std::find(items.begin(), items.end(), item) != items.end();
    }
    bool empty()
    {
        CriticalSectionLock hold(lock);
        return items.empty();
    }
};

} // namespace vexlo

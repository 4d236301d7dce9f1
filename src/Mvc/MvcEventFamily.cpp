#include "Mvc/MvcEventFamily.h"

#include <mutex>

quint32 allocateEventFamilyAfter(quint32 &lastIssued)
{
    if (lastIssued >= 0xFFFFFFFEu)
        return 0;
    return ++lastIssued;
}

namespace {
std::mutex allocatorMutex;
quint32 lastIssuedFamily = 0;
}

quint32 allocateMvcEventFamily()
{
    // The family statics take their ids on first use, possibly on two threads
    // at a time; the allocator is public, so it guards its own state.
    std::lock_guard<std::mutex> lock(allocatorMutex);
    return allocateEventFamilyAfter(lastIssuedFamily);
}

quint32 mvcEventFamily()
{
    static const quint32 family = allocateMvcEventFamily();
    return family;
}

quint32 settingsEventFamily()
{
    static const quint32 family = allocateMvcEventFamily();
    return family;
}

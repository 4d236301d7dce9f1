#pragma once

#include <QtGlobal>

// Event families tell apart events that share event type numbers: the base
// family of the model/view/controller framework and the settings family.
// Each family id is taken once per process, at its first use.

// Issues the next family id after `lastIssued` (ids already issued are
// exactly 1..lastIssued, since none is ever returned) and records it there.
// Returns 0, and issues nothing, once 0xFFFFFFFE ids are out.
quint32 allocateEventFamilyAfter(quint32 &lastIssued);

// The process-wide allocator; 0 when no id is left.
quint32 allocateMvcEventFamily();

quint32 mvcEventFamily();
quint32 settingsEventFamily();

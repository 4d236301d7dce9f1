#ifndef APP_EVENTWAIT_H
#define APP_EVENTWAIT_H

#include <functional>

// Processes pending events other than user input, at most 100 ms at a time,
// until `done` answers true or `timeoutMs` has passed; returns what `done`
// answered last. Start-up waits this way for helpers that get ready on their
// own threads, without hanging when one never does.
bool processEventsUntil(const std::function<bool()> &done, int timeoutMs);

#endif

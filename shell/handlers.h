#pragma once
// Handlers the course's screens bind to their controls' signals; each returns 0.

#include <cstdint>

#include "framework/window/control.h"
#include "framework/window/events.h"
#include "framework/window/timers.h"

// Hides the cursor n + 1 times (nothing for a negative n), then clears the flag.
long RestoreCursorAndClear(bool* flag, int n);
// Space, Esc, or any key closes the target and clears the flag.
long CloseOnSpaceKey(const IMKeyboardEvent& e, IMControl* target, bool* flag);
long CloseOnEscapeKey(const IMKeyboardEvent& e, IMControl* target, bool* flag);
long CloseOnAnyKey(IMControl* target, bool* flag);
// Shows the target when hidden, else hides it. The stopper is bound only so that its deletion
// cuts the handler too.
long BlinkControl(IMControl* target, IMControl* stopper);
// Blinks the target every 500 ms until it or the stopper closes; the timer goes with them.
void StartBlinking(IMControl* target, IMControl* stopper);
// A new main-window timer for `handler`, removed when `owner` closes, or once the handler has
// been cut by the deletion of a control it is bound to: no timer outlives what it serves.
std::uint32_t AddTimerFor(IMControl* owner, std::uint32_t intervalMs, const IMTimers::TimerSignal::slot_type& handler);
// Scrolls a panel so that `position` pixels of it lie above its parent's top.
long ScrollPanelTo(int position, IMControl* panel);

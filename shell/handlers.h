#pragma once
// Handlers the course's screens bind to their controls' signals; each returns 0.

#include "framework/window/control.h"
#include "framework/window/events.h"

// Hides the cursor n + 1 times (nothing for a negative n), then clears the flag.
long RestoreCursorAndClear(bool* flag, int n);
// Space, Esc, or any key closes the target and clears the flag.
long CloseOnSpaceKey(const IMKeyboardEvent& e, IMControl* target, bool* flag);
long CloseOnEscapeKey(const IMKeyboardEvent& e, IMControl* target, bool* flag);
long CloseOnAnyKey(IMControl* target, bool* flag);
// Toggles the target every 500 ms until the stopper is gone; the timer re-arms itself.
long BlinkControl(std::uint32_t timerId, IMControl* target, IMControl* stopper);
// Scrolls a panel so that `position` pixels of it lie above its parent's top.
long ScrollPanelTo(int position, IMControl* panel);

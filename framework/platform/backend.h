#pragma once
// What the shared platform core asks of the linked backend. Not for use above the platform.

namespace platform::backend {

// Show or hide the system cursor (the core keeps the display counter).
void SetCursorVisible(bool visible);
// Called when a message is posted from any thread, so a backend blocked waiting for
// system events can wake.
void WakeUp();

}  // namespace platform::backend

#pragma once
// What the shared platform core asks of the linked backend. Not for use above the platform.

#include <string>

#include "framework/platform/win_types.h"

namespace platform {
struct WindowSpec;
}

namespace platform::backend {

// The native window behind the one HWND; false with *error set on failure.
bool CreateNativeWindow(const WindowSpec& spec, std::string* error);
void DestroyNativeWindow();
// Makes the window visible; the core then sends the messages a shown window gets.
void ShowNativeWindow();
// The pointer in client coordinates, and the client rectangle.
POINT CursorPos();
RECT ClientRect();


// Show or hide the system cursor (the core keeps the display counter).
void SetCursorVisible(bool visible);
// Called when a message is posted from any thread, so a backend blocked waiting for
// system events can wake.
void WakeUp();

}  // namespace platform::backend

#pragma once
// What the shared platform core asks of the linked backend. Not for use above the platform.

#include <cstddef>
#include <cstdint>
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
// The same from a signal handler: async-signal-safe.
void WakeFromSignal();

// The shared data folder an installed package made (UTF-8), "" where there is none.
std::string SharedDataFolder();
// The program that alone writes the workbook in that folder, "" where there is none.
std::string WorkbookWriterProgram();

// --- The software device's surroundings --------------------------------------------------------
// Whether the display is taken away from the device (it then reports itself lost and no new
// device can be made).
bool DeviceLost();
// Bytes of texture memory the devices may hold in all.
std::size_t VideoMemoryBudget();
// A presented frame of 0xAARRGGBB pixels, rows of `width` pixels, of which only `changed`
// differs from the frame presented before.
void PresentFrame(const std::uint32_t* pixels, int width, int height, const RECT& changed);

}  // namespace platform::backend

#pragma once
// What the shared platform core asks of the linked backend. Not for use above the platform.

#include <cstddef>
#include <cstdint>

namespace platform::backend {

// Show or hide the system cursor (the core keeps the display counter).
void SetCursorVisible(bool visible);
// Called when a message is posted from any thread, so a backend blocked waiting for
// system events can wake.
void WakeUp();

// --- The software device's surroundings --------------------------------------------------------
// Whether the display is taken away from the device (it then reports itself lost and no new
// device can be made).
bool DeviceLost();
// Bytes of texture memory the devices may hold in all.
std::size_t VideoMemoryBudget();
// A presented frame of 0xAARRGGBB pixels, rows of `width` pixels.
void PresentFrame(const std::uint32_t* pixels, int width, int height);

}  // namespace platform::backend

// The desktop surroundings of the software device. The display is never taken away and
// memory is not limited. Frames are not shown yet: the window's presenter takes them over.

#include <cstdint>

#include "framework/platform/backend.h"
#include "framework/platform/device.h"

namespace platform {

namespace backend {

bool DeviceLost() { return false; }
std::size_t VideoMemoryBudget() { return static_cast<std::size_t>(-1); }
void PresentFrame(const std::uint32_t* /*pixels*/, int /*width*/, int /*height*/) {}

}  // namespace backend

bool GetClientRect(HWND /*window*/, RECT* out) {
  if (!out) return false;
  *out = RECT{0, 0, 800, 600};
  return true;
}

}  // namespace platform

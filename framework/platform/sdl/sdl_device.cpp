// The desktop surroundings of the software device: the display is taken away only when it goes
// away for good, and memory is not limited. Frames go to the window's presenter.

#include <cstdint>

#include "framework/platform/backend.h"
#include "framework/platform/device.h"
#include "framework/platform/session_end.h"

namespace platform {

namespace backend {

bool DeviceLost() { return DisplayLost(); }
std::size_t VideoMemoryBudget() { return static_cast<std::size_t>(-1); }

}  // namespace backend

}  // namespace platform

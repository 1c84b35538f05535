// The headless surroundings of the software device: a scriptable display that can be taken
// away, a video-memory budget, a window client size, and the last presented frame kept for
// inspection.

#include <algorithm>
#include <atomic>
#include <functional>

#include "framework/platform/backend.h"
#include "framework/platform/device.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/session_end.h"

namespace platform {

namespace {
std::atomic<bool> g_lost{false};
std::atomic<std::size_t> g_budget{headless::kUnlimitedVideoMemory};
int g_clientWidth = 800;
int g_clientHeight = 600;
headless::Frame g_frame;
std::function<void()> g_presentHook;
}  // namespace

namespace backend {

bool DeviceLost() { return g_lost.load() || DisplayLost(); }
std::size_t VideoMemoryBudget() { return g_budget.load(); }

void PresentFrame(const std::uint32_t* pixels, int width, int height, const RECT& changed) {
  // Only the changed part is taken over, as the desktop uploads it: the rest must still be
  // what the last frame showed.
  if (g_frame.width == width && g_frame.height == height) {
    for (int y = changed.top; y < changed.bottom; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * width;
      std::copy(pixels + row + changed.left, pixels + row + changed.right, g_frame.pixels.begin() + row + changed.left);
    }
  } else {
    g_frame.width = width;
    g_frame.height = height;
    g_frame.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
  }
  g_frame.changed = changed;
  ++g_frame.presentCount;
  if (g_presentHook) g_presentHook();
}

}  // namespace backend

bool GetClientRect(HWND /*window*/, RECT* out) {
  if (!out) return false;
  *out = RECT{0, 0, g_clientWidth, g_clientHeight};
  return true;
}

namespace headless {

void SetDeviceLost(bool lost) { g_lost = lost; }
void SetVideoMemoryBudget(std::size_t bytes) { g_budget = bytes; }
void SetClientSize(int width, int height) {
  g_clientWidth = width;
  g_clientHeight = height;
}
const Frame& PresentedFrame() { return g_frame; }
void SetPresentHook(std::function<void()> hook) { g_presentHook = std::move(hook); }

void ResetDevice() {
  g_lost = false;
  g_budget = kUnlimitedVideoMemory;
  g_clientWidth = 800;
  g_clientHeight = 600;
  g_frame = Frame{};
  g_presentHook = nullptr;
}

}  // namespace headless
}  // namespace platform

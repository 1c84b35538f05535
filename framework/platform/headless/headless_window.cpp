// The headless window: no pixels on a screen, a pointer that tests place by hand.

#include <atomic>
#include <mutex>
#include <vector>

#include "framework/platform/backend.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/window.h"

namespace platform {

namespace {
std::atomic<bool> g_created{false};
std::atomic<bool> g_visible{false};
std::atomic<bool> g_failNextCreate{false};
std::atomic<int> g_width{800};
std::atomic<int> g_height{600};
std::atomic<int> g_cursorX{-1};
std::atomic<int> g_cursorY{-1};
std::mutex g_frameMutex;
std::vector<std::uint32_t> g_frame;
int g_frameWidth = 0;
int g_frameHeight = 0;
std::atomic<int> g_presented{0};
}  // namespace

void PresentFrame(const std::uint32_t* pixels, int width, int height) {
  std::lock_guard lock(g_frameMutex);
  g_frame.assign(pixels, pixels + static_cast<size_t>(width) * height);
  g_frameWidth = width;
  g_frameHeight = height;
  ++g_presented;
}

namespace backend {

bool CreateNativeWindow(const WindowSpec& spec, std::string* error) {
  if (g_failNextCreate.exchange(false)) {
    *error = "the window cannot be created";
    return false;
  }
  g_width = spec.width;
  g_height = spec.height;
  g_created = true;
  g_visible = false;
  return true;
}

void DestroyNativeWindow() {
  g_created = false;
  g_visible = false;
}

void ShowNativeWindow() { g_visible = true; }

POINT CursorPos() { return POINT{g_cursorX.load(), g_cursorY.load()}; }

RECT ClientRect() { return RECT{0, 0, g_width.load(), g_height.load()}; }

}  // namespace backend

namespace headless {

void SetCursorPos(int x, int y) {
  g_cursorX = x;
  g_cursorY = y;
}

bool IsWindowVisible() { return g_created && g_visible; }

void FailNextWindowCreation() { g_failNextCreate = true; }

Frame LastFrame() {
  std::lock_guard lock(g_frameMutex);
  return Frame{g_frame, g_frameWidth, g_frameHeight};
}

int PresentCount() { return g_presented.load(); }

}  // namespace headless
}  // namespace platform

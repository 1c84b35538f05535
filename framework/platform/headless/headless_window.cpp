// The headless window: no pixels on a screen, a pointer that tests place by hand.

#include <atomic>

#include "framework/platform/backend.h"
#include "framework/platform/device.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/session_end.h"
#include "framework/platform/system_window.h"

namespace platform {

namespace {
std::atomic<bool> g_created{false};
std::atomic<bool> g_visible{false};
std::atomic<bool> g_failNextCreate{false};
std::atomic<int> g_cursorX{-1};
std::atomic<int> g_cursorY{-1};
}  // namespace

namespace backend {

bool CreateNativeWindow(const WindowSpec& spec, std::string* error) {
  if (g_failNextCreate.exchange(false)) {
    *error = "the window cannot be created";
    return false;
  }
  headless::SetClientSize(spec.width, spec.height);
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

RECT ClientRect() {
  RECT client{};
  GetClientRect(nullptr, &client);
  return client;
}

}  // namespace backend

namespace headless {

void SetCursorPos(int x, int y) {
  const bool wasInside = PtInRect(backend::ClientRect(), backend::CursorPos());
  g_cursorX = x;
  g_cursorY = y;
  // Crossing the client area's edge posts what the desktop posts, which wakes a sleeping loop.
  const bool inside = PtInRect(backend::ClientRect(), POINT{x, y});
  if (HWND window = MainWindowHandle(); window && inside != wasInside) {
    PostMessage(window, inside ? WM_MOUSEMOVE : WM_MOUSELEAVE, 0, inside ? MAKELPARAM(x, y) : 0);
  }
}

bool IsWindowVisible() { return g_created && g_visible; }

void FailNextWindowCreation() { g_failNextCreate = true; }

void LoseDisplay() { NoteDisplayLost(); }

}  // namespace headless
}  // namespace platform

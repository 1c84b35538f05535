#include "framework/platform/system_window.h"

#include <map>
#include <mutex>

#include "framework/platform/backend.h"
#include "framework/platform/message_queue.h"
#include "framework/platform/session_end.h"

namespace platform {

namespace {

struct WindowState {
  std::mutex mutex;
  std::map<std::wstring, WindowClass> classes;
  WindowProc proc = nullptr;
  bool alive = false;
  std::string lastError;
};

WindowState& State() {
  static WindowState state;
  return state;
}

// The handle is a token: there is only one window.
HWND TheHandle() {
  static int token;
  return reinterpret_cast<HWND>(&token);
}

}  // namespace

bool RegisterClass(const WindowClass& windowClass) {
  WindowState& s = State();
  std::lock_guard lock(s.mutex);
  if (windowClass.name.empty() || !windowClass.proc || s.classes.count(windowClass.name)) {
    s.lastError = "window class cannot be registered";
    return false;
  }
  s.classes.emplace(windowClass.name, windowClass);
  return true;
}

void UnregisterClass(const std::wstring& name) {
  WindowState& s = State();
  std::lock_guard lock(s.mutex);
  s.classes.erase(name);
}

HWND CreateWindow(const WindowSpec& spec) {
  WindowState& s = State();
  {
    std::lock_guard lock(s.mutex);
    auto found = s.classes.find(spec.className);
    if (found == s.classes.end()) {
      s.lastError = "window class is not registered";
      return nullptr;
    }
    if (s.alive) {
      s.lastError = "the window already exists";
      return nullptr;
    }
    s.proc = found->second.proc;
  }
  // Before the backend starts: its libraries then find the signals taken.
  WatchSessionEnd();
  std::string error;
  if (!backend::CreateNativeWindow(spec, &error)) {
    StopWatchingSessionEnd();
    std::lock_guard lock(s.mutex);
    s.lastError = error;
    s.proc = nullptr;
    return nullptr;
  }
  std::lock_guard lock(s.mutex);
  s.alive = true;
  return TheHandle();
}

void DestroyWindow(HWND hwnd) {
  WindowState& s = State();
  {
    std::lock_guard lock(s.mutex);
    if (hwnd != TheHandle() || !s.alive) return;
    s.alive = false;
  }
  if (s.proc) s.proc(hwnd, WM_DESTROY, 0, 0);
  backend::DestroyNativeWindow();
  StopWatchingSessionEnd();
  std::lock_guard lock(s.mutex);
  s.proc = nullptr;
}

bool IsWindow(HWND hwnd) {
  WindowState& s = State();
  std::lock_guard lock(s.mutex);
  return hwnd == TheHandle() && s.alive;
}

HWND MainWindowHandle() {
  WindowState& s = State();
  std::lock_guard lock(s.mutex);
  return s.alive ? TheHandle() : nullptr;
}

void ShowWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return;
  backend::ShowNativeWindow();
  SendMessage(hwnd, WM_SHOWWINDOW, 1, 0);
  RECT client = backend::ClientRect();
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top));
  // A window that appears under the pointer hears of it at once, so the first click finds
  // the control it lands on.
  POINT p = backend::CursorPos();
  if (PtInRect(client, p)) PostMessage(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
}

void UpdateWindow(HWND hwnd) { SendMessage(hwnd, WM_PAINT, 0, 0); }

const std::string& LastError() { return State().lastError; }

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowProc proc;
  {
    WindowState& s = State();
    std::lock_guard lock(s.mutex);
    if (hwnd != TheHandle() || !s.alive) return 0;
    proc = s.proc;
  }
  return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

LRESULT DispatchMessage(const Message& m) { return SendMessage(m.hwnd, m.message, m.wParam, m.lParam); }

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  constexpr LPARAM kAltDown = 1 << 29;
  switch (message) {
    case WM_SYSKEYDOWN:
      if (wParam == static_cast<WPARAM>(VK_F4) && (lParam & kAltDown)) PostMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    default:
      return 0;
  }
}

POINT GetCursorPos() { return backend::CursorPos(); }

RECT GetClientRectOnScreen(HWND) { return backend::ClientRect(); }

}  // namespace platform

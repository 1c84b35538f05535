#include "framework/window/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/platform/platform.h"
#include "framework/platform/utf.h"
#include "framework/platform/system_window.h"
#include "framework/resources/resource_manager.h"

IMWindow* IMWindow::instance_ = nullptr;
HWND IMWindow::handle_ = nullptr;
std::uint64_t IMWindow::wakeBy_ = IMTimers::kNever;

namespace {

[[noreturn]] void FailCreation(const char* what) {
  // A fixed non-zero status: a system error code could read as success.
  std::fprintf(stderr, "%s: %s\n", what, platform::LastError().c_str());
  std::exit(IMWindow::kCreateFailedExitCode);
}

bool DeviceLost() {
  IMResourceManager* rm = IMResourceManager::Instance();
  return rm && rm->IsDeviceLost();
}

}  // namespace

IMWindow::IMWindow() : IMDialog(nullptr, nullptr, 0), timers_(this) { instance_ = this; }

IMWindow::~IMWindow() {
  DeletePendingChildren();
  if (ownsSystemWindow_) IMResourceManager::Destroy();
  if (instance_ == this) instance_ = nullptr;
  if (ownsSystemWindow_) {
    platform::DestroyWindow(handle_);
    platform::UnregisterClass(kWindowClassName);
    handle_ = nullptr;
  }
}

IMWindow* IMWindow::Create(const RECT* rect, const std::wstring& caption, bool windowed) {
  if (!platform::RegisterClass(platform::WindowClass{kWindowClassName, &IMWindow::WindowProc, platform::CS_DBLCLKS})) {
    FailCreation("cannot register the window class");
  }
  platform::WindowSpec spec;
  spec.className = kWindowClassName;
  spec.caption = caption;
  spec.windowed = windowed;
  if (rect) {
    spec.x = rect->left;
    spec.y = rect->top;
    spec.width = rect->right - rect->left;
    spec.height = rect->bottom - rect->top;
  }
  HWND hwnd = platform::CreateWindow(spec);
  if (!hwnd) FailCreation("cannot create the window");
  handle_ = hwnd;

  IMResourceManager::Create(windowed, hwnd);
  auto* window = new IMWindow();
  window->ownsSystemWindow_ = true;

  platform::ShowWindow(hwnd);
  platform::UpdateWindow(hwnd);
  return window;
}

LRESULT IMWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  IMWindow* w = instance_;
  // The sound streams' messages come first, and only while the sound system exists.
  if (IMResourceManager* sound = IMResourceManager::Instance(); w && sound && sound->HandleMessage(message, wParam, lParam)) {
    return platform::DefWindowProc(hwnd, message, wParam, lParam);
  }
  if (w) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
      case WM_SYSKEYDOWN:
      case WM_SYSKEYUP:
        w->OnKeyboard(IMKeyboardEvent(w, message, wParam, lParam));
        break;
      case WM_MOUSEMOVE:
        if (!DeviceLost()) w->OnMouseMove(IMMouseEvent(w, message, wParam, x, y));
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
      case WM_MOUSEWHEEL:
        w->OnMouseButton(IMMouseEvent(w, message, wParam, x, y));
        break;
      case WM_PAINT:
        if (DeviceLost()) {
          if (IMResourceManager::Instance()->Restore()) w->SetChanged(true);
        } else {
          w->SetChanged(true);
        }
        break;
      case WM_CLOSE:
        // A close from the system is the same as the Exit button: the close signal fires, so
        // whatever is saved on exit is saved.
        w->Close();
        break;
      case WM_DESTROY:
        platform::PostQuitMessage(0);
        break;
      case WM_SIZE:
        w->suspended_ = wParam == SIZE_MINIMIZED;
        break;
      case WM_SHOWWINDOW:
        w->suspended_ = wParam == 0;
        break;
      case WM_ENTERSIZEMOVE:
        w->suspended_ = true;
        break;
      case WM_EXITSIZEMOVE:
        w->suspended_ = false;
        break;
      default:
        break;
    }
  }
  return platform::DefWindowProc(hwnd, message, wParam, lParam);
}

void IMWindow::Run(IMWindow* window) {
  platform::Message message;
  while (message.message != WM_QUIT) {
    if (platform::PeekMessage(&message)) {
      if (message.message != WM_QUIT) platform::DispatchMessage(message);
      continue;
    }
    wakeBy_ = IMTimers::kNever;
    IMWindow* main = instance_;
    if (main && !DeviceLost()) {
      main->Update(IMEvent(main, IM_EVENT_UPDATE));
      main->RenderFrame();
    }
    if (window) window->PollTimers();
    platform::WaitForInput(IdleWaitMs(window));
  }
}

void IMWindow::WakeBy(std::uint64_t ticks) { wakeBy_ = std::min(wakeBy_, ticks); }

unsigned IMWindow::IdleWaitMs(const IMWindow* window) {
  // A timer's handler may have changed what is shown: draw it on the next pass.
  if (instance_ && instance_->FrameDue()) return 0;
  const std::uint64_t now = platform::QueryPerformanceCounter();
  const std::uint64_t frequency = platform::QueryPerformanceFrequency();
  std::uint64_t wait = window ? window->timers_.TicksUntilDue(now) : IMTimers::kNever;
  if (wakeBy_ != IMTimers::kNever) wait = std::min(wait, wakeBy_ > now ? wakeBy_ - now : 0);
  // Nothing is due: only input or a post (the pointer leaving, a sound's message) ends the wait.
  if (wait == IMTimers::kNever) return INFINITE;
  const std::uint64_t ms = wait / frequency * 1000 + ((wait % frequency) * 1000 + frequency - 1) / frequency;
  return static_cast<unsigned>(std::min<std::uint64_t>(ms, INFINITE - 1));
}

bool IMWindow::FrameDue() const {
  IMResourceManager* rm = IMResourceManager::Instance();
  return !suspended_ && rm && rm->GetDevice() && !rm->IsDeviceLost() && IsChanged();
}

void IMWindow::RenderFrame() {
  if (suspended_) return;
  IMResourceManager* rm = IMResourceManager::Instance();
  if (!rm) return;
  platform::Device* device = rm->GetDevice();
  if (device && IsChanged()) {
    const RECT region = RegionToDraw(device);
    if (!IsRectEmpty(region)) {
      // Only the region is cleared and drawn: the rest of the back buffer still holds the last frame.
      platform::Viewport saved;
      device->GetViewport(&saved);
      device->SetViewport(platform::Viewport{static_cast<DWORD>(region.left), static_cast<DWORD>(region.top),
                                             static_cast<DWORD>(region.right - region.left),
                                             static_cast<DWORD>(region.bottom - region.top), 0.0f, 1.0f});
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
      device->BeginScene();
      Draw(IMEvent(this, IM_EVENT_DRAW));
      device->EndScene();
      device->SetViewport(saved);
      const RECT screen = ScreenRect();
      device->Present(EqualRect(region, screen) ? nullptr : &region);
    }
    ++rm->frameCount;
    SetChanged(false);
  } else {
    ++rm->frameCount;
  }
}

RECT IMWindow::ScreenRect() const {
  const IMResourceManager* rm = IMResourceManager::Instance();
  return RECT{0, 0, rm->GetBackBufferWidth(), rm->GetBackBufferHeight()};
}

RECT IMWindow::RegionToDraw(const platform::Device* device) {
  const RECT screen = ScreenRect();
  RECT region = TakeDamage();
  CollectDamage(screen, POINT{0, 0}, &region);
  IntersectRect(&region, region, screen);
  // A new device's back buffer holds nothing of the last frame.
  if (device != drawnOn_) region = screen;
  drawnOn_ = device;
  // Most of the screen: drawing and presenting the rest as well costs little more.
  const auto area = [](const RECT& r) {
    return static_cast<std::int64_t>(r.right - r.left) * static_cast<std::int64_t>(r.bottom - r.top);
  };
  if (area(region) * 4 >= area(screen) * 3) region = screen;
  return region;
}

void IMWindow::OnUpdate() {
  if (!handle_) return;
  RECT client = platform::GetClientRectOnScreen(handle_);
  POINT cursor = platform::GetCursorPos();
  bool inside = PtInRect(client, cursor);
  if (inside && !hovered_) {
    OnMouseEnter(IMMouseEvent(this, IM_EVENT_MOUSEENTER, 0, cursor.x, cursor.y));
  } else if (!inside && hovered_) {
    OnMouseLeave(IMMouseEvent(this, IM_EVENT_MOUSELEAVE, 0, cursor.x, cursor.y));
  }
}

long IMWindow::Close() {
  if (closeRequested_) return 0;
  closeRequested_ = true;
  return IMDialog::Close();
}

long IMWindow::Destroy() {
  platform::PostQuitMessage(0);
  return 0;
}

#pragma once
// The root of the control tree and the program's only window: it turns window messages into
// framework events, runs the message loop with its idle pass (update, draw, timers) and owns
// the millisecond timers every other part uses for timed callbacks.

#include <cstdint>
#include <string>

#include "framework/controls/dialog.h"
#include "framework/window/timers.h"

namespace platform {
class Device;
}

class IMWindow : public IMDialog {
 public:
  // Exit status when the window class or the window cannot be made.
  static constexpr int kCreateFailedExitCode = 3;

  // Registers the class, makes the window, the resource manager and the main window, and
  // shows it. Null rect: a client area of 800x600. Ends the process when no window can be made.
  static IMWindow* Create(const RECT* rect, const std::wstring& caption, bool windowed);
  // The message loop; returns when WM_QUIT is taken. With nothing to do it sleeps until input
  // or a post arrives or a timer or a WakeBy time is due, however long that is.
  static void Run(IMWindow* window);
  // Asks the current idle wait to end by then (performance-counter ticks): for what the idle
  // pass polls the clock for, such as an animation's next frame. Asked anew on every pass.
  static void WakeBy(std::uint64_t ticks);
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // A main window without a system window, for driving the tree directly.
  IMWindow();
  ~IMWindow() override;

  // The process-wide main window and its handle; null before creation and after destruction.
  static IMWindow* Instance() { return instance_; }
  static HWND Handle() { return handle_; }

  std::uint32_t AddTimer(std::uint32_t intervalMs) { return timers_.AddTimer(intervalMs); }
  void RemoveTimer(std::uint32_t id) { timers_.RemoveTimer(id); }
  IMConnection ConnectTimer(std::uint32_t id, const IMTimers::TimerSignal::slot_type& slot) {
    return timers_.ConnectTimer(id, slot);
  }
  // The idle pass's timer poll.
  void PollTimers() { timers_.Poll(); }
  std::size_t TimerCount() const { return timers_.Count(); }

  // Draws one frame when something changed; counts every call made while not suspended.
  virtual void RenderFrame();
  // The pointer's enter and leave of the client area.
  void OnUpdate() override;
  // The root is never queued for deletion: destroying it asks the loop to quit.
  long Destroy() override;
  // Only the first close counts: a system close that arrives after Exit saves and quits nothing more.
  long Close() override;

  bool IsSuspended() const { return suspended_; }

 protected:
  static IMWindow* instance_;
  static HWND handle_;

  bool suspended_ = false;
  bool closeRequested_ = false;
  IMTimers timers_;
  // Made by Create: the destructor also takes down the resource manager and the window.
  bool ownsSystemWindow_ = false;

 private:
  // How long the idle pass may sleep, in whole milliseconds rounded up; INFINITE when nothing is due.
  static unsigned IdleWaitMs(const IMWindow* window);
  // A change is waiting for the next RenderFrame to draw it.
  bool FrameDue() const;
  // The back buffer's rectangle.
  RECT ScreenRect() const;
  // What the next frame draws: the screen areas every change since the last frame touched,
  // or the whole screen when that is most of it or the device is new.
  RECT RegionToDraw(const platform::Device* device);
  static std::uint64_t wakeBy_;
  // The device the last frame was drawn on.
  const platform::Device* drawnOn_ = nullptr;
};

// The window class name the program registers.
inline constexpr wchar_t kWindowClassName[] = L"IMguiWindowClass";

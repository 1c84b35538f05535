#pragma once
// The root of the control tree and the program's only window. It owns the millisecond timers
// every other part uses for timed callbacks.

#include <cstdint>

#include "framework/controls/dialog.h"
#include "framework/window/timers.h"

class IMWindow : public IMDialog {
 public:
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

  // The root is never queued for deletion: destroying it asks the loop to quit.
  long Destroy() override;

 protected:
  static IMWindow* instance_;
  static HWND handle_;

  bool suspended_ = false;
  IMTimers timers_;
};

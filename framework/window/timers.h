#pragma once
// The main window's millisecond timers, polled once per idle pass of the message loop.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "framework/window/events.h"
#include "framework/window/signals.h"

class IMTimers {
 public:
  using TimerSignal = IMSignal<IMEvent>;

  struct Timer {
    std::uint32_t interval = 0;    // milliseconds
    std::uint64_t lastFiring = 0;  // performance-counter ticks
    TimerSignal signal;
    bool removed = false;          // removed inside a poll; freed when the poll ends
  };

  // Timer events carry `owner` as their sender (the main window).
  explicit IMTimers(IMControl* owner) : owner_(owner) {}
  IMTimers(const IMTimers&) = delete;
  IMTimers& operator=(const IMTimers&) = delete;

  std::uint32_t AddTimer(std::uint32_t intervalMs);
  void RemoveTimer(std::uint32_t id);
  IMConnection ConnectTimer(std::uint32_t id, const TimerSignal::slot_type& slot);
  // Fires each timer that is due, at most once, in ascending id order.
  void Poll();
  // Performance-counter ticks from `now` until the first timer is due: 0 when one is due
  // already, kNever when there is none.
  std::uint64_t TicksUntilDue(std::uint64_t now) const;
  static constexpr std::uint64_t kNever = UINT64_MAX;
  bool Empty() const { return timers_.empty(); }
  std::size_t Count() const { return timers_.size(); }

 private:
  Timer* Find(std::uint32_t id);

  IMControl* owner_;
  std::uint32_t lastId_ = 0;
  std::map<std::uint32_t, std::unique_ptr<Timer>> timers_;
  bool polling_ = false;
};

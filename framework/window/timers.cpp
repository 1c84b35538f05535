#include "framework/window/timers.h"

#include <algorithm>

#include "framework/platform/platform.h"

std::uint32_t IMTimers::AddTimer(std::uint32_t intervalMs) {
  auto timer = std::make_unique<Timer>();
  timer->interval = intervalMs;
  timer->lastFiring = platform::QueryPerformanceCounter();
  timers_.emplace(++lastId_, std::move(timer));
  return lastId_;
}

IMTimers::Timer* IMTimers::Find(std::uint32_t id) {
  auto found = timers_.find(id);
  if (found == timers_.end() || found->second->removed) return nullptr;
  return found->second.get();
}

void IMTimers::RemoveTimer(std::uint32_t id) {
  Timer* timer = Find(id);
  if (!timer) return;
  timer->signal.disconnect_all_slots();
  // A handler may remove its own timer or another one while the poll holds it: mark the
  // record now and free it once the poll has moved on.
  if (polling_) {
    timer->removed = true;
  } else {
    timers_.erase(id);
  }
}

IMConnection IMTimers::ConnectTimer(std::uint32_t id, const TimerSignal::slot_type& slot) {
  Timer* timer = Find(id);
  if (!timer) return IMConnection();
  return timer->signal.connect(slot);
}

std::uint64_t IMTimers::TicksUntilDue(std::uint64_t now) const {
  const std::uint64_t frequency = platform::QueryPerformanceFrequency();
  std::uint64_t soonest = kNever;
  for (const auto& entry : timers_) {
    const Timer& timer = *entry.second;
    if (timer.removed) continue;
    // The first tick at which Poll's whole milliseconds reach the interval.
    const std::uint64_t due = timer.lastFiring + (std::uint64_t{timer.interval} * frequency + 999) / 1000;
    soonest = std::min(soonest, due > now ? due - now : 0);
  }
  return soonest;
}

void IMTimers::Poll() {
  if (timers_.empty() || polling_) return;
  const std::uint64_t now = platform::QueryPerformanceCounter();
  const std::uint64_t frequency = platform::QueryPerformanceFrequency();
  polling_ = true;
  for (auto it = timers_.begin(); it != timers_.end(); it = timers_.upper_bound(it->first)) {
    Timer& timer = *it->second;
    if (timer.removed) continue;
    // A timer added by an earlier handler of this pass may be younger than `now`.
    std::uint64_t ticks = now > timer.lastFiring ? now - timer.lastFiring : 0;
    auto elapsed = static_cast<std::uint32_t>(ticks * 1000 / frequency);
    if (elapsed < timer.interval) continue;
    timer.lastFiring = platform::QueryPerformanceCounter();
    IMFire(timer.signal, IMEvent(owner_, IM_EVENT_NONE));
  }
  polling_ = false;
  std::erase_if(timers_, [](const auto& entry) { return entry.second->removed; });
}

#pragma once
// A control that plays its view's frames at a fixed rate: on every idle pass it turns the time
// since Play into a frame number, shows that frame, and tells its listeners when it starts,
// moves on and has run past its end frame.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <type_traits>

#include "framework/platform/platform.h"
#include "framework/views/sequence_view.h"
#include "framework/views/theora_view.h"
#include "framework/views/view_control.h"
#include "framework/window/events.h"
#include "framework/window/signals.h"
#include "framework/window/window.h"

template <class V>
class IMAnimationBase : public IMViewControl<V> {
 public:
  using EventSignal = IMControl::EventSignal;

  // Frame periods are counted in 1/60000 s: 2400 gives 25 frames a second.
  static constexpr int kDefaultPeriod = 2400;
  static constexpr int kUnitsPerSecond = 60000;
  // Sequences lie over the pictures of their dialog; videos lie with them.
  static constexpr int kLayer = std::is_same_v<V, IMSequenceView> ? 21 : 0;

  explicit IMAnimationBase(IMDialog* parent) : IMViewControl<V>(parent, kLayer) {}
  ~IMAnimationBase() override {
    StartedSignal.disconnect_all_slots();
    FinishedSignal.disconnect_all_slots();
    FrameSignal.disconnect_all_slots();
  }

  // Starts, or starts again from the start frame. The frame shown changes at the next Tick.
  void Play() {
    const IMEvent e(this, 0);
    IMFire(StartedSignal, e);
    IMFire(FrameSignal, e);
    playing_ = true;
    forward_ = true;
    stepped_.reset();
    startTime_ = platform::QueryPerformanceCounter();
    // The first frame is the next idle pass's.
    IMWindow::WakeBy(static_cast<std::uint64_t>(startTime_));
  }

  // Stops where it is; the frame shown stays.
  void Finish() {
    playing_ = false;
    IMFire(FinishedSignal, IMEvent(this, 0));
  }

  IMConnection ConnectOnFinished(const EventSignal::slot_type& slot) { return FinishedSignal.connect(slot); }
  IMConnection ConnectOnFrame(const EventSignal::slot_type& slot) { return FrameSignal.connect(slot); }

  // The tick of every idle pass.
  void OnUpdate() override {
    if (!playing_ || period <= 0) return;
    const auto now = static_cast<std::int64_t>(platform::QueryPerformanceCounter());
    const auto frequency = static_cast<std::int64_t>(platform::QueryPerformanceFrequency());
    const std::int64_t n = (now - startTime_) * kUnitsPerSecond / frequency / period;
    const std::int64_t start = V::GetStartFrame();
    const std::int64_t span = V::GetEndFrame() - start;
    // A run of one frame never moves to another frame, and an end before the start leaves
    // nothing to play: either ends once its one period is over, so its owner can close it.
    if (span <= 0 && n > 0) {
      Finish();
      return;
    }
    IMWindow::WakeBy(static_cast<std::uint64_t>(FrameStart(n + 1)));
    if (span < 0) return;
    std::int64_t pos = n % (span + 1);
    if (!forward_) pos = span - pos;
    const int frame = static_cast<int>(start + pos);
    // A frame the view could not show (an end frame of one past the last) is announced once.
    if (frame == V::GetFrame() || frame == stepped_) return;
    if (n > span) {
      Finish();
      return;
    }
    stepped_ = frame;
    IMFire(FrameSignal, IMEvent(this, 0));
    try {
      V::SetFrame(frame);
    } catch (const std::runtime_error&) {
      // Broken video data: end the animation the ordinary way so its owner closes it.
      Finish();
    }
  }

  // In units of 1/60000 s; owners may set it before Play.
  int period = kDefaultPeriod;

  EventSignal StartedSignal;
  EventSignal FinishedSignal;
  EventSignal FrameSignal;

 private:
  // The first tick at which the run reaches frame number n.
  std::int64_t FrameStart(std::int64_t n) const {
    const std::int64_t units = n * period;
    const auto frequency = static_cast<std::int64_t>(platform::QueryPerformanceFrequency());
    // Whole seconds apart, so that long runs do not overflow.
    return startTime_ + units / kUnitsPerSecond * frequency +
           ((units % kUnitsPerSecond) * frequency + kUnitsPerSecond - 1) / kUnitsPerSecond;
  }

  bool playing_ = false;
  bool forward_ = true;
  // The frame this run last stepped to.
  std::optional<int> stepped_;
  std::int64_t startTime_ = 0;
};

// The silent output: buffers whose play cursor follows the performance counter (the manual
// clock under the headless backend), shared by both backends.

#include <mutex>
#include <vector>

#include "framework/platform/platform.h"
#include "framework/platform/sound_output.h"

namespace platform {

namespace {

class SilentBuffer final : public SoundBuffer {
 public:
  SilentBuffer(const PcmFormat& format, std::uint32_t bytes)
      : format_(format), frames_(bytes / format.BlockAlign()), data_(bytes, 0) {}

  std::uint32_t Size() const override { return static_cast<std::uint32_t>(data_.size()); }

  bool SetCurrentPosition(std::uint32_t bytes) override {
    std::lock_guard lock(mutex_);
    if (bytes >= data_.size()) return false;
    frame_ = bytes / format_.BlockAlign();
    since_ = QueryPerformanceCounter();
    return true;
  }

  bool Lock(std::uint32_t offset, std::uint32_t bytes, void** data) override {
    std::lock_guard lock(mutex_);
    if (locked_ || offset > data_.size() || bytes > data_.size() - offset) return false;
    locked_ = true;
    *data = data_.data() + offset;
    return true;
  }

  void Unlock() override {
    std::lock_guard lock(mutex_);
    locked_ = false;
  }

  bool Play(bool looping) override {
    std::lock_guard lock(mutex_);
    frame_ = Now();
    since_ = QueryPerformanceCounter();
    looping_ = looping;
    playing_ = true;
    return true;
  }

  bool Stop() override {
    std::lock_guard lock(mutex_);
    frame_ = Now();
    playing_ = false;
    return true;
  }

  bool GetCurrentPosition(std::uint32_t* playCursor) override {
    std::lock_guard lock(mutex_);
    *playCursor = static_cast<std::uint32_t>(Now() * format_.BlockAlign());
    return true;
  }

 private:
  // The frame playing now; a buffer that does not loop stops at its start once played out.
  // Under mutex_.
  std::uint64_t Now() {
    if (!playing_) return frame_;
    const std::uint64_t ticks = QueryPerformanceCounter();
    if (ticks < since_) since_ = ticks;  // a clock set back: nothing has played since
    const std::uint64_t frequency = QueryPerformanceFrequency();
    const std::uint64_t elapsed = ticks - since_;
    // In two parts, so that days of ticks times the rate cannot overflow.
    const std::uint64_t played = elapsed / frequency * format_.rate + elapsed % frequency * format_.rate / frequency;
    if (looping_) return (frame_ + played) % frames_;
    if (frame_ + played < frames_) return frame_ + played;
    playing_ = false;
    frame_ = 0;
    return 0;
  }

  const PcmFormat format_;
  const std::uint64_t frames_;
  std::mutex mutex_;
  std::vector<unsigned char> data_;
  std::uint64_t frame_ = 0;  // where the cursor was at since_
  std::uint64_t since_ = 0;
  bool playing_ = false;
  bool looping_ = false;
  bool locked_ = false;
};

class SilentDevice final : public SoundDevice {
 public:
  std::unique_ptr<SoundBuffer> CreateBuffer(const PcmFormat& format, std::uint32_t bytes) override {
    if (!IsBufferFormat(format) || bytes == 0 || bytes % format.BlockAlign() != 0) return nullptr;
    return std::make_unique<SilentBuffer>(format, bytes);
  }
  bool Lost() const override { return false; }
};

}  // namespace

std::unique_ptr<SoundDevice> OpenSilentSoundDevice() { return std::make_unique<SilentDevice>(); }

}  // namespace platform

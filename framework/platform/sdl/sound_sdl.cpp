// The desktop sound output: one SDL audio device in the primary format whose callback mixes
// every playing buffer (linear resampling, mono up-mix, saturating sum). The buffers' bytes and
// play positions belong to the callback's lock; writers stage a half and copy it in under it.

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/platform/sound_output.h"

namespace platform {

namespace {

constexpr int kDeviceSamples = 1024;

class SdlDevice;

class SdlBuffer final : public SoundBuffer {
 public:
  SdlBuffer(SdlDevice* device, const PcmFormat& format, std::uint32_t bytes);
  ~SdlBuffer() override;

  std::uint32_t Size() const override { return static_cast<std::uint32_t>(data_.size()); }
  bool SetCurrentPosition(std::uint32_t bytes) override;
  bool Lock(std::uint32_t offset, std::uint32_t bytes, void** data) override;
  void Unlock() override;
  bool Play(bool looping) override;
  bool Stop() override;
  bool GetCurrentPosition(std::uint32_t* playCursor) override;

  // Adds this buffer's next `frames` output frames into `mix` (stereo). Under the device lock.
  void MixInto(std::int32_t* mix, int frames);

 private:
  std::int32_t Sample(std::uint64_t frame, int channel) const {
    std::int16_t value;
    std::memcpy(&value, data_.data() + (frame * format_.channels + channel) * 2, 2);
    return value;
  }

  SdlDevice* device_;
  PcmFormat format_;
  std::uint64_t frames_;
  std::uint64_t step_;  // source frames per output frame, 32.32 fixed point
  // Under the device lock:
  std::vector<unsigned char> data_;
  std::uint64_t position_ = 0;  // source frame, 32.32 fixed point
  bool playing_ = false;
  bool looping_ = false;
  // The writer's side:
  std::vector<unsigned char> staging_;
  std::uint32_t stagedOffset_ = 0;
  bool locked_ = false;
};

class SdlDevice final : public SoundDevice {
 public:
  SdlDevice() = default;
  ~SdlDevice() override {
    if (id_ == 0) return;
    SDL_CloseAudioDevice(id_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  // False when SDL has no device for us; SDL converts our format to the device's own.
  bool Open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = kPrimaryFormat.rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(kPrimaryFormat.channels);
    wanted.samples = kDeviceSamples;
    wanted.callback = &SdlDevice::Callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    id_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (id_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    SDL_PauseAudioDevice(id_, 0);
    return true;
  }

  std::unique_ptr<SoundBuffer> CreateBuffer(const PcmFormat& format, std::uint32_t bytes) override {
    if (format.channels < 1 || format.channels > 2 || format.rate <= 0 || bytes == 0 ||
        bytes % format.BlockAlign() != 0) {
      return nullptr;
    }
    return std::make_unique<SdlBuffer>(this, format, bytes);
  }

  void Attach(SdlBuffer* buffer) {
    SDL_LockAudioDevice(id_);
    buffers_.push_back(buffer);
    SDL_UnlockAudioDevice(id_);
  }
  void Detach(SdlBuffer* buffer) {
    SDL_LockAudioDevice(id_);
    std::erase(buffers_, buffer);
    SDL_UnlockAudioDevice(id_);
  }
  void LockMixer() { SDL_LockAudioDevice(id_); }
  void UnlockMixer() { SDL_UnlockAudioDevice(id_); }

  static void Callback(void* self, Uint8* stream, int length) {
    static_cast<SdlDevice*>(self)->Mix(reinterpret_cast<std::int16_t*>(stream), length / kPrimaryFormat.BlockAlign());
  }

 private:
  void Mix(std::int16_t* out, int frames) {
    mix_.assign(static_cast<std::size_t>(frames) * 2, 0);
    for (SdlBuffer* buffer : buffers_) buffer->MixInto(mix_.data(), frames);
    for (std::size_t i = 0; i < mix_.size(); ++i) {
      out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(mix_[i], INT16_MIN, INT16_MAX));
    }
  }

  SDL_AudioDeviceID id_ = 0;
  std::vector<SdlBuffer*> buffers_;
  std::vector<std::int32_t> mix_;
};

SdlBuffer::SdlBuffer(SdlDevice* device, const PcmFormat& format, std::uint32_t bytes)
    : device_(device),
      format_(format),
      frames_(bytes / format.BlockAlign()),
      step_((static_cast<std::uint64_t>(format.rate) << 32) / kPrimaryFormat.rate),
      data_(bytes, 0) {
  device_->Attach(this);
}

SdlBuffer::~SdlBuffer() { device_->Detach(this); }

bool SdlBuffer::SetCurrentPosition(std::uint32_t bytes) {
  if (bytes >= data_.size()) return false;
  device_->LockMixer();
  position_ = static_cast<std::uint64_t>(bytes / format_.BlockAlign()) << 32;
  device_->UnlockMixer();
  return true;
}

bool SdlBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** data) {
  if (locked_ || offset > data_.size() || bytes > data_.size() - offset) return false;
  staging_.resize(bytes);
  stagedOffset_ = offset;
  locked_ = true;
  *data = staging_.data();
  return true;
}

void SdlBuffer::Unlock() {
  if (!locked_) return;
  device_->LockMixer();
  std::memcpy(data_.data() + stagedOffset_, staging_.data(), staging_.size());
  device_->UnlockMixer();
  locked_ = false;
}

bool SdlBuffer::Play(bool looping) {
  device_->LockMixer();
  playing_ = true;
  looping_ = looping;
  device_->UnlockMixer();
  return true;
}

bool SdlBuffer::Stop() {
  device_->LockMixer();
  playing_ = false;
  device_->UnlockMixer();
  return true;
}

bool SdlBuffer::GetCurrentPosition(std::uint32_t* playCursor) {
  device_->LockMixer();
  *playCursor = static_cast<std::uint32_t>((position_ >> 32) * format_.BlockAlign());
  device_->UnlockMixer();
  return true;
}

void SdlBuffer::MixInto(std::int32_t* mix, int frames) {
  const std::uint64_t end = frames_ << 32;
  for (int i = 0; i < frames && playing_; ++i) {
    const std::uint64_t frame = position_ >> 32;
    const std::int64_t fraction = static_cast<std::int64_t>(position_ & 0xFFFFFFFFu);
    std::uint64_t next = frame + 1;
    if (next == frames_) next = looping_ ? 0 : frame;
    for (int channel = 0; channel < 2; ++channel) {
      const int source = std::min(channel, format_.channels - 1);  // mono goes to both sides
      const std::int64_t a = Sample(frame, source);
      const std::int64_t b = Sample(next, source);
      mix[i * 2 + channel] += static_cast<std::int32_t>(a + (((b - a) * fraction) >> 32));
    }
    position_ += step_;
    if (position_ >= end) {
      if (looping_) {
        position_ -= end;
      } else {
        position_ = 0;
        playing_ = false;
      }
    }
  }
}

class SdlWakeEvent final : public WakeEvent {
 public:
  void Set() override {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_one();
  }

  bool Wait(unsigned ms) override {
    std::unique_lock lock(mutex_);
    const bool signalled = changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return signalled_; });
    signalled_ = false;
    return signalled;
  }

  void WorkerStarting() override {}
  void WorkerEnded() override {}

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace

std::unique_ptr<SoundDevice> OpenSoundDevice() {
  auto device = std::make_unique<SdlDevice>();
  if (!device->Open()) return nullptr;
  return device;
}

std::unique_ptr<WakeEvent> CreateWakeEvent() { return std::make_unique<SdlWakeEvent>(); }

}  // namespace platform

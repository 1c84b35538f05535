// The desktop sound output: one SDL audio device in the primary format whose callback mixes
// every playing buffer (each through its own SDL audio stream, which resamples band-limited and
// up-mixes mono; saturating sum). The buffers' bytes, streams and play positions belong to the
// callback's lock; writers stage a half and copy it in under it.

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/platform/platform.h"
#include "framework/platform/sound_output.h"

namespace platform {

namespace {

constexpr int kDeviceSamples = 1024;
// Source frames handed to a buffer's stream at a time. The stream reads ahead of the play
// cursor by about this and its filter's reach, far less than the half a worker refills.
constexpr std::uint64_t kFeedFrames = 256;

// libasound, which SDL loads for its ALSA driver, prints its own complaints on stderr (eight
// lines when the machine has no card); they are left to it only when debug output is wanted.
void IgnoreAlsaError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                     const char* /*format*/, ...) {}

// Called once SDL's audio is initialised: only then is libasound loaded, and it forgets the
// handler when SDL unloads it. Looked up rather than linked, so no other library is needed.
void QuietAlsa() {
  if (DebugOutputWanted()) return;
  const char* driver = SDL_GetCurrentAudioDriver();
  if (!driver || std::strcmp(driver, "alsa") != 0) return;
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (!alsa) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(&IgnoreAlsaError);
  dlclose(alsa);  // SDL's own reference keeps it loaded
}

class SdlDevice;

class SdlBuffer final : public SoundBuffer {
 public:
  SdlBuffer(SdlDevice* device, const PcmFormat& format, std::uint32_t bytes, SDL_AudioStream* stream);
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
  // Hands the stream source frames until it has `bytes` to give or has had the last frame of a
  // buffer that does not loop.
  void Feed(int bytes);
  // Starts the stream afresh at a source frame.
  void Restart(std::uint64_t frame);

  SdlDevice* device_;
  PcmFormat format_;
  std::uint64_t frames_;
  // Under the device lock:
  std::vector<unsigned char> data_;
  SDL_AudioStream* stream_;
  std::vector<std::int16_t> converted_;
  std::uint64_t fed_ = 0;      // the next source frame for the stream
  std::uint64_t started_ = 0;  // the source frame the stream began at
  std::uint64_t heard_ = 0;    // output frames taken from the stream since
  bool drained_ = false;       // a buffer that does not loop has fed its last frame
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
    QuietAlsa();
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
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16LSB, static_cast<Uint8>(format.channels), format.rate,
                                                 AUDIO_S16SYS, static_cast<Uint8>(kPrimaryFormat.channels),
                                                 kPrimaryFormat.rate);
    if (!stream) return nullptr;
    return std::make_unique<SdlBuffer>(this, format, bytes, stream);
  }

  // SDL marks a device that went away as stopped (and goes on calling its callback).
  bool Lost() const override { return SDL_GetAudioDeviceStatus(id_) == SDL_AUDIO_STOPPED; }

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

SdlBuffer::SdlBuffer(SdlDevice* device, const PcmFormat& format, std::uint32_t bytes, SDL_AudioStream* stream)
    : device_(device), format_(format), frames_(bytes / format.BlockAlign()), data_(bytes, 0), stream_(stream) {
  device_->Attach(this);
}

SdlBuffer::~SdlBuffer() {
  device_->Detach(this);
  SDL_FreeAudioStream(stream_);
}

bool SdlBuffer::SetCurrentPosition(std::uint32_t bytes) {
  if (bytes >= data_.size()) return false;
  device_->LockMixer();
  Restart(bytes / format_.BlockAlign());
  device_->UnlockMixer();
  return true;
}

void SdlBuffer::Restart(std::uint64_t frame) {
  SDL_AudioStreamClear(stream_);
  fed_ = frame;
  started_ = frame;
  heard_ = 0;
  drained_ = false;
}

bool SdlBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** data) {
  if (locked_ || offset > data_.size() || bytes > data_.size() - offset) return false;
  device_->LockMixer();
  staging_.assign(data_.begin() + offset, data_.begin() + offset + bytes);
  device_->UnlockMixer();
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
  // Where the output taken so far has got to in the source, not how far the stream has read
  // ahead of it.
  const std::uint64_t frame = (started_ + heard_ * static_cast<std::uint64_t>(format_.rate) / kPrimaryFormat.rate) %
                              frames_;
  *playCursor = static_cast<std::uint32_t>(frame * format_.BlockAlign());
  device_->UnlockMixer();
  return true;
}

void SdlBuffer::Feed(int bytes) {
  while (!drained_ && SDL_AudioStreamAvailable(stream_) < bytes) {
    const std::uint64_t count = std::min(kFeedFrames, frames_ - fed_);
    const auto align = static_cast<std::uint64_t>(format_.BlockAlign());
    if (SDL_AudioStreamPut(stream_, data_.data() + fed_ * align, static_cast<int>(count * align)) != 0) return;
    fed_ += count;
    if (fed_ < frames_) continue;
    fed_ = 0;
    if (looping_) continue;
    // The filter's last reach of the source comes out only when the stream is told it ends.
    SDL_AudioStreamFlush(stream_);
    drained_ = true;
  }
}

void SdlBuffer::MixInto(std::int32_t* mix, int frames) {
  if (!playing_) return;
  const int bytes = frames * kPrimaryFormat.BlockAlign();
  Feed(bytes);
  converted_.resize(static_cast<std::size_t>(frames) * 2);
  const int got = std::max(SDL_AudioStreamGet(stream_, converted_.data(), bytes), 0);
  const int samples = got / 2;
  for (int i = 0; i < samples; ++i) mix[i] += converted_[static_cast<std::size_t>(i)];
  heard_ += static_cast<std::uint64_t>(got / kPrimaryFormat.BlockAlign());
  if (got < bytes && drained_) {
    // A buffer that does not loop has played out: it stops at its start.
    playing_ = false;
    Restart(0);
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

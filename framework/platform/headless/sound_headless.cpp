// The headless sound output: buffers whose play cursor follows the manual clock, a record of
// what each buffer has played, and worker waits that a test releases one pass at a time. A
// device that goes away keeps its buffers' cursors moving but is heard no more, as SDL keeps
// calling a lost device's callback.

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>

#include "framework/platform/headless/headless.h"
#include "framework/platform/sound_output.h"

namespace platform {

namespace {

std::mutex g_soundMutex;  // guards every buffer and the record
bool g_deviceAvailable = true;
std::uint64_t g_deviceGeneration = 0;  // one more each time the device goes away

struct Record {
  PcmFormat format;
  bool playing = false;
  std::vector<unsigned char> bytes;
};
std::vector<std::shared_ptr<Record>> g_records;

class HeadlessBuffer;
std::set<HeadlessBuffer*> g_liveBuffers;

class HeadlessBuffer final : public SoundBuffer {
 public:
  HeadlessBuffer(const PcmFormat& format, std::uint32_t bytes, std::uint64_t generation)
      : format_(format), data_(bytes, 0), record_(std::make_shared<Record>()), generation_(generation) {
    record_->format = format;
    std::lock_guard lock(g_soundMutex);
    g_records.push_back(record_);
    g_liveBuffers.insert(this);
  }

  ~HeadlessBuffer() override {
    std::lock_guard lock(g_soundMutex);
    CatchUp();
    record_->playing = false;
    g_liveBuffers.erase(this);
  }

  std::uint32_t Size() const override { return static_cast<std::uint32_t>(data_.size()); }

  bool SetCurrentPosition(std::uint32_t bytes) override {
    std::lock_guard lock(g_soundMutex);
    if (bytes >= data_.size()) return false;
    CatchUp();
    frame_ = bytes / format_.BlockAlign();
    return true;
  }

  bool Lock(std::uint32_t offset, std::uint32_t bytes, void** data) override {
    std::lock_guard lock(g_soundMutex);
    if (locked_ || offset > data_.size() || bytes > data_.size() - offset) return false;
    // What played up to now must be heard before the region changes.
    CatchUp();
    locked_ = true;
    *data = data_.data() + offset;
    return true;
  }

  void Unlock() override {
    std::lock_guard lock(g_soundMutex);
    locked_ = false;
  }

  bool Play(bool looping) override {
    std::lock_guard lock(g_soundMutex);
    CatchUp();
    looping_ = looping;
    record_->playing = true;
    return true;
  }

  bool Stop() override {
    std::lock_guard lock(g_soundMutex);
    CatchUp();
    record_->playing = false;
    return true;
  }

  bool GetCurrentPosition(std::uint32_t* playCursor) override {
    std::lock_guard lock(g_soundMutex);
    CatchUp();
    *playCursor = static_cast<std::uint32_t>(frame_ * format_.BlockAlign());
    return true;
  }

  // Plays from the last catch-up to the manual clock's now. Called with g_soundMutex held.
  void CatchUp() {
    const std::uint64_t now = QueryPerformanceCounter();
    if (now < lastTicks_) {  // the clock was set back: nothing has played since
      since_ = lastTicks_ = now;
      return;
    }
    if (record_->playing) {
      const std::uint64_t frames = (now - since_) * format_.rate / headless::kTicksPerSecond -
                                   (lastTicks_ - since_) * format_.rate / headless::kTicksPerSecond;
      const std::uint64_t bufferFrames = data_.size() / format_.BlockAlign();
      const bool heard = generation_ == g_deviceGeneration;
      for (std::uint64_t i = 0; i < frames && record_->playing; ++i) {
        const unsigned char* frame = data_.data() + frame_ * format_.BlockAlign();
        if (heard) record_->bytes.insert(record_->bytes.end(), frame, frame + format_.BlockAlign());
        if (++frame_ == bufferFrames) {
          frame_ = 0;
          if (!looping_) record_->playing = false;
        }
      }
    } else {
      since_ = now;
    }
    lastTicks_ = now;
  }

 private:
  PcmFormat format_;
  std::vector<unsigned char> data_;
  std::shared_ptr<Record> record_;
  std::uint64_t frame_ = 0;  // the next frame to play
  bool looping_ = false;
  bool locked_ = false;
  std::uint64_t since_ = QueryPerformanceCounter();  // where frame counting started
  std::uint64_t lastTicks_ = since_;
  std::uint64_t generation_;  // of the device the buffer was made on
};

class HeadlessDevice final : public SoundDevice {
 public:
  std::unique_ptr<SoundBuffer> CreateBuffer(const PcmFormat& format, std::uint32_t bytes) override {
    if (!IsBufferFormat(format) || bytes == 0 || bytes % format.BlockAlign() != 0) {
      return nullptr;
    }
    return std::make_unique<HeadlessBuffer>(format, bytes, generation_);
  }

  bool Lost() const override {
    std::lock_guard lock(g_soundMutex);
    return generation_ != g_deviceGeneration;
  }

 private:
  std::uint64_t generation_ = g_deviceGeneration;  // made under g_soundMutex
};

// The stepping gate shared by every headless worker.
std::mutex g_gateMutex;
std::condition_variable g_gateChanged;
std::uint64_t g_generation = 0;  // one more per step
int g_running = 0;               // workers in a pass (or on their way to their first wait)
int g_parked = 0;                // workers waiting for a step
int g_live = 0;

class HeadlessWakeEvent final : public WakeEvent {
 public:
  void Set() override {
    std::lock_guard lock(g_gateMutex);
    signalled_ = true;
    g_gateChanged.notify_all();
  }

  bool Wait(unsigned /*ms*/) override {
    std::unique_lock lock(g_gateMutex);
    --g_running;
    ++g_parked;
    g_gateChanged.notify_all();
    const std::uint64_t generation = g_generation;
    g_gateChanged.wait(lock, [&] { return signalled_ || g_generation != generation; });
    if (g_generation == generation) {
      // Woken by the event alone: the step did not count this worker as running.
      --g_parked;
      ++g_running;
    }
    const bool signalled = signalled_;
    signalled_ = false;
    return signalled;
  }

  void WorkerStarting() override {
    std::lock_guard lock(g_gateMutex);
    ++g_running;
    ++g_live;
  }

  void WorkerEnded() override {
    std::lock_guard lock(g_gateMutex);
    --g_running;
    --g_live;
    g_gateChanged.notify_all();
  }

 private:
  bool signalled_ = false;  // guarded by g_gateMutex
};

}  // namespace

std::unique_ptr<SoundDevice> OpenSoundDevice() {
  std::lock_guard lock(g_soundMutex);
  if (!g_deviceAvailable) return nullptr;
  return std::make_unique<HeadlessDevice>();
}

std::unique_ptr<WakeEvent> CreateWakeEvent() { return std::make_unique<HeadlessWakeEvent>(); }

namespace headless {

void SetSoundDeviceAvailable(bool available) {
  std::lock_guard lock(g_soundMutex);
  g_deviceAvailable = available;
}

void RemoveSoundDevice() {
  std::lock_guard lock(g_soundMutex);
  // What played until now was heard.
  for (HeadlessBuffer* buffer : g_liveBuffers) buffer->CatchUp();
  ++g_deviceGeneration;
}

void StepSoundWorkers() {
  std::unique_lock lock(g_gateMutex);
  g_gateChanged.wait(lock, [] { return g_running == 0; });
  ++g_generation;
  g_running += g_parked;
  g_parked = 0;
  g_gateChanged.notify_all();
  g_gateChanged.wait(lock, [] { return g_running == 0; });
}

int LiveSoundWorkers() {
  std::lock_guard lock(g_gateMutex);
  return g_live;
}

std::vector<HeardSound> SoundsHeard() {
  std::lock_guard lock(g_soundMutex);
  for (HeadlessBuffer* buffer : g_liveBuffers) buffer->CatchUp();
  std::vector<HeardSound> heard;
  for (const auto& record : g_records) {
    HeardSound sound;
    sound.channels = record->format.channels;
    sound.rate = record->format.rate;
    sound.playing = record->playing;
    sound.samples.resize(record->bytes.size() / 2);
    // A buffer that never played has no bytes, and memcpy must not see its null data.
    if (!sound.samples.empty()) std::memcpy(sound.samples.data(), record->bytes.data(), sound.samples.size() * 2);
    heard.push_back(std::move(sound));
  }
  return heard;
}

void ClearSoundsHeard() {
  std::lock_guard lock(g_soundMutex);
  g_records.clear();
}

}  // namespace headless
}  // namespace platform

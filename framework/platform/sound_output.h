#pragma once
// Sound output: one device playing the primary format, streaming buffers that loop over their
// bytes while the program refills the half that is not playing, and the wake-up event a
// stream's worker thread waits on. Both backends implement this header.

#include <cstdint>
#include <memory>

namespace platform {

// 16-bit signed little-endian PCM, interleaved.
struct PcmFormat {
  int channels = 2;
  int rate = 44100;

  int BlockAlign() const { return channels * 2; }
  int BytesPerSecond() const { return BlockAlign() * rate; }
};

// The format the device plays and mixes into.
constexpr PcmFormat kPrimaryFormat{2, 44100};

// What a streaming buffer can hold: mono or stereo at the rates a DirectSound buffer takes. Our
// sounds are 11.025 to 44.1 kHz; anything outside this is damaged data, and its one-second
// buffer (800 KB at most here) must never be asked for.
constexpr int kMaxBufferChannels = 2;
constexpr int kMinBufferRate = 100;
constexpr int kMaxBufferRate = 200000;

constexpr bool IsBufferFormat(const PcmFormat& format) {
  return format.channels >= 1 && format.channels <= kMaxBufferChannels && format.rate >= kMinBufferRate &&
         format.rate <= kMaxBufferRate;
}

class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;  // detaches the buffer from the device first

  virtual std::uint32_t Size() const = 0;
  virtual bool SetCurrentPosition(std::uint32_t bytes) = 0;
  // Hands out the `bytes` bytes at `offset` (no wrap-around) to read and write; Unlock makes
  // what was written audible. False when the region lies outside the buffer.
  virtual bool Lock(std::uint32_t offset, std::uint32_t bytes, void** data) = 0;
  virtual void Unlock() = 0;
  virtual bool Play(bool looping) = 0;
  virtual bool Stop() = 0;
  // The play cursor in bytes, always on a frame boundary.
  virtual bool GetCurrentPosition(std::uint32_t* playCursor) = 0;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;  // every buffer must be gone by then
  // Null when the buffer cannot be made (the size is not a whole number of frames, or the
  // format is not one the device can mix).
  virtual std::unique_ptr<SoundBuffer> CreateBuffer(const PcmFormat& format, std::uint32_t bytes) = 0;
  // True once the device has gone away (unplugged, its sound server ended): nothing is heard
  // through its buffers any more. Any thread may ask.
  virtual bool Lost() const = 0;
};

// Opens the one audio device in the primary format; null when there is none.
std::unique_ptr<SoundDevice> OpenSoundDevice();
// An output that plays nothing but consumes its buffers at the real rate, by the platform's
// clock, so that whatever waits on a sound's progress is not held up when there is no device.
std::unique_ptr<SoundDevice> OpenSilentSoundDevice();

// An auto-reset event for a sound worker. The desktop backend waits on real time; the headless
// backend lets a pass run only when a test steps the workers (or the event is set).
class WakeEvent {
 public:
  virtual ~WakeEvent() = default;
  virtual void Set() = 0;
  // True when the event was set (and resets it); false when the wait timed out.
  virtual bool Wait(unsigned ms) = 0;
  // Called by the starting thread before the worker starts, and by the worker as its last act,
  // so that a test stepping the workers knows which to wait for.
  virtual void WorkerStarting() = 0;
  virtual void WorkerEnded() = 0;
};

std::unique_ptr<WakeEvent> CreateWakeEvent();

}  // namespace platform

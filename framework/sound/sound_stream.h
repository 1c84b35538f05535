#pragma once
// One sound id's playback: a one-second streaming buffer split in two halves, refilled from the
// decoder by a worker thread while the other half plays, and timed labels that tell the GUI
// thread when a time of the sound has been reached.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/platform/sound_output.h"
#include "framework/window/signals.h"

class CSoundSystem;
class IMSoundDecoder;

template <typename... Args>
using IMSoundSignalOf =
    boost::signals2::signal<long(Args...), IMLastValue<long>, int, std::less<int>, boost::function<long(Args...)>,
                            boost::function<long(const boost::signals2::connection&, Args...)>,
                            boost::signals2::dummy_mutex>;
// (sound id)
using IMSoundSignal = IMSoundSignalOf<unsigned long>;
// (sound id, label time in ms)
using IMLabelSignal = IMSoundSignalOf<unsigned long, unsigned long>;

class CSoundStream {
 public:
  static constexpr int kStopped = 0;
  static constexpr int kPlaying = 1;
  static constexpr int kPaused = 2;  // reserved: nothing pauses a stream
  static constexpr int kControlEnd = 3;
  static constexpr unsigned kWakeMs = 20;

  CSoundStream(CSoundSystem* owner, IMSoundDecoder* decoder, unsigned long id);
  ~CSoundStream();
  CSoundStream(const CSoundStream&) = delete;
  CSoundStream& operator=(const CSoundStream&) = delete;

  // From the first frame; false (and nothing posted) while playing or without a buffer.
  bool Play();
  // Returns once the worker thread has ended; false when not playing.
  bool Stop();

  // Only while stopped; a time already present is kept once.
  bool AddLabel(unsigned long timeMs);
  IMConnection ConnectLabelSlot(unsigned long timeMs, const IMLabelSignal::slot_type& slot);
  // Removes the scheduled label timers; labels that have not fired stay for the next Play.
  void CancelLabels();
  // The label timer's handler: the label fires once and is gone.
  long OnLabel(std::uint32_t timerId, unsigned long timeMs);
  // Carries the buffer over to another device (the one before went away): what it holds, where
  // it is playing, and whether it plays. Labels are timers and stay as they are.
  void MoveTo(platform::SoundDevice* device);

  int GetState() const { return state_.load(); }
  unsigned long GetId() const { return id_; }
  IMSoundDecoder* GetDecoder() const { return decoder_; }
  bool HasBuffer() const { return buffer_ != nullptr; }
  std::uint32_t GetBufferBytes() const { return bufferBytes_; }
  std::uint32_t GetHalfBytes() const { return halfBytes_; }
  const std::vector<unsigned long>& GetLabels() const { return labels_; }
  std::size_t ScheduledLabelCount() const { return labelTimers_.size(); }
  // Null when no slot was ever connected for that time.
  IMLabelSignal* FindLabelSignal(unsigned long timeMs);

  IMSoundSignal PlaySignal;
  IMSoundSignal PauseSignal;
  IMSoundSignal StopSignal;

 private:
  void CreateBuffer();
  bool FillFirstHalf();
  void FillHalf(std::uint32_t offset);
  void ScheduleLabels();
  void StreamThread();
  // One wake-up of the worker; false when the worker is to end.
  bool RunPass(bool signalled);

  CSoundSystem* owner_;
  IMSoundDecoder* decoder_;
  std::atomic<int> state_{kStopped};
  int control_ = 0;
  std::unique_ptr<platform::WakeEvent> wakeEvent_;
  std::thread thread_;
  std::uint32_t bufferBytes_ = 0;
  bool fillSecondHalf_ = false;
  std::uint32_t halfBytes_ = 0;
  platform::SoundDevice* device_ = nullptr;
  std::unique_ptr<platform::SoundBuffer> buffer_;
  bool lossReported_ = false;  // the worker has told the GUI thread the device went away
  int endCount_ = 0;
  std::map<unsigned long, std::unique_ptr<IMLabelSignal>> labelSignals_;
  std::vector<unsigned long> labels_;
  std::vector<std::uint32_t> labelTimers_;
  unsigned long id_;
  // State changes, control_, endCount_, fillSecondHalf_, the device and buffer, the decoder.
  std::mutex lock_;
};

#include "framework/sound/sound_stream.h"

#include <algorithm>
#include <cstring>

#include "framework/platform/platform.h"
#include "framework/sound/sound_decoder.h"
#include "framework/sound/sound_system.h"
#include "framework/window/window.h"

CSoundStream::CSoundStream(CSoundSystem* owner, IMSoundDecoder* decoder, unsigned long id)
    : owner_(owner), decoder_(decoder), wakeEvent_(platform::CreateWakeEvent()), id_(id) {
  CreateBuffer();
}

CSoundStream::~CSoundStream() {
  {
    std::lock_guard guard(lock_);
    if (state_ != kStopped) control_ = kControlEnd;
  }
  if (thread_.joinable()) {
    wakeEvent_->Set();
    thread_.join();
  }
  CancelLabels();
}

void CSoundStream::CreateBuffer() {
  platform::SoundDevice* device = owner_->GetDevice();
  device_ = device;
  const platform::PcmFormat format{decoder_->channels, decoder_->rate};
  // One second of sound in two halves of whole frames: a half that split a frame would shift
  // every sample of the next half by a byte.
  const auto framesPerHalf = static_cast<std::uint32_t>(format.rate / 2);
  const std::uint32_t halfBytes = framesPerHalf * static_cast<std::uint32_t>(format.BlockAlign());
  bufferBytes_ = 2 * halfBytes;
  halfBytes_ = halfBytes;
  if (!device || halfBytes == 0) return;
  buffer_ = device->CreateBuffer(format, bufferBytes_);
}

bool CSoundStream::Play() {
  // A device that went away while nothing played is noticed here, before its buffer is used.
  if (device_ && device_->Lost()) owner_->ReplaceLostDevice();
  if (!buffer_) return false;
  {
    std::lock_guard guard(lock_);
    if (state_ != kStopped) return false;
  }
  // A worker that ended by itself has set the state but may still be on its way out.
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard guard(lock_);
    fillSecondHalf_ = true;
    platform::OutputDebugString(L" звук играет\n");
    if (!FillFirstHalf()) return false;
    control_ = 0;
    state_ = kPlaying;
  }
  CancelLabels();
  ScheduleLabels();
  // Posted before the worker starts, so the play message always comes before its end.
  platform::PostMessage(owner_->GetWindow(), owner_->WM_IM_ONSOUNDPLAY, id_, 0);
  wakeEvent_->WorkerStarting();
  thread_ = std::thread(&CSoundStream::StreamThread, this);
  return true;
}

bool CSoundStream::FillFirstHalf() {
  buffer_->SetCurrentPosition(0);
  void* data = nullptr;
  if (!buffer_->Lock(0, halfBytes_, &data)) return false;
  decoder_->Rewind();
  const unsigned got = decoder_->ReadPcm(data, halfBytes_);
  endCount_ = 0;
  if (got < halfBytes_) std::memset(static_cast<char*>(data) + got, 0, halfBytes_ - got);
  buffer_->Unlock();
  return true;
}

void CSoundStream::FillHalf(std::uint32_t offset) {
  if (endCount_ == 2) {
    // The half holding the last data has played out.
    buffer_->Stop();
    control_ = kControlEnd;
    endCount_ = 0;
    wakeEvent_->Set();
  }
  void* data = nullptr;
  if (!buffer_->Lock(offset, halfBytes_, &data)) return;
  const unsigned got = decoder_->ReadPcm(data, halfBytes_);
  if (got < halfBytes_) {
    std::memset(static_cast<char*>(data) + got, 0, halfBytes_ - got);
    ++endCount_;
  }
  buffer_->Unlock();
}

bool CSoundStream::RunPass(bool signalled) {
  bool lost = false;
  {
    std::lock_guard guard(lock_);
    if (!lossReported_ && device_->Lost()) lost = lossReported_ = true;
    std::uint32_t cursor = 0;
    if (buffer_ && buffer_->GetCurrentPosition(&cursor)) {
      if (cursor < halfBytes_ && fillSecondHalf_) {
        FillHalf(halfBytes_);
        fillSecondHalf_ = false;
      } else if (cursor > halfBytes_ && !fillSecondHalf_) {
        FillHalf(0);
        fillSecondHalf_ = true;
      }
    }
    if (!signalled || control_ != kControlEnd) {
      // The GUI thread moves every stream to another device; this one plays on meanwhile.
      if (lost) platform::PostMessage(owner_->GetWindow(), owner_->WM_IM_ONSOUNDDEVICELOST, id_, 0);
      return true;
    }
    control_ = 0;
    endCount_ = 0;
    state_ = kStopped;
  }
  platform::OutputDebugString(L" звук остановился\n");
  platform::PostMessage(owner_->GetWindow(), owner_->WM_IM_ONSOUNDPOUSE, id_, 0);
  return false;
}

void CSoundStream::StreamThread() {
  {
    std::lock_guard guard(lock_);
    if (buffer_) buffer_->Play(true);
  }
  while (RunPass(wakeEvent_->Wait(kWakeMs))) {
  }
  wakeEvent_->WorkerEnded();
}

bool CSoundStream::Stop() {
  {
    std::lock_guard guard(lock_);
    if (state_ != kPlaying && state_ != kPaused) return false;
    platform::OutputDebugString(L" звук стой\n");
    if (buffer_) buffer_->Stop();
    control_ = kControlEnd;
  }
  CancelLabels();
  wakeEvent_->Set();
  // The worker still touches the stream after it has set the state: wait for its end.
  if (thread_.joinable()) thread_.join();
  return true;
}

void CSoundStream::MoveTo(platform::SoundDevice* device) {
  std::lock_guard guard(lock_);
  std::unique_ptr<platform::SoundBuffer> fresh =
      device->CreateBuffer(platform::PcmFormat{decoder_->channels, decoder_->rate}, bufferBytes_);
  void* from = nullptr;
  if (fresh && buffer_ && buffer_->Lock(0, bufferBytes_, &from)) {
    void* to = nullptr;
    if (fresh->Lock(0, bufferBytes_, &to)) {
      std::memcpy(to, from, bufferBytes_);
      fresh->Unlock();
    }
    buffer_->Unlock();
    std::uint32_t cursor = 0;
    if (buffer_->GetCurrentPosition(&cursor)) fresh->SetCurrentPosition(cursor);
  }
  // A buffer that has played out (control_ is set) stays stopped; its worker ends as it would.
  const bool playing = state_ == kPlaying && control_ != kControlEnd;
  if (fresh && playing) fresh->Play(true);
  if (!fresh && playing) {
    // Nowhere to play: the sound ends now rather than never.
    control_ = kControlEnd;
    wakeEvent_->Set();
  }
  buffer_ = std::move(fresh);
  device_ = device;
  lossReported_ = false;
}

bool CSoundStream::AddLabel(unsigned long timeMs) {
  if (state_ != kStopped) return false;
  if (std::find(labels_.begin(), labels_.end(), timeMs) == labels_.end()) labels_.push_back(timeMs);
  return true;
}

IMConnection CSoundStream::ConnectLabelSlot(unsigned long timeMs, const IMLabelSignal::slot_type& slot) {
  auto& signal = labelSignals_[timeMs];
  if (!signal) signal = std::make_unique<IMLabelSignal>();
  return signal->connect(slot);
}

IMLabelSignal* CSoundStream::FindLabelSignal(unsigned long timeMs) {
  auto found = labelSignals_.find(timeMs);
  return found == labelSignals_.end() ? nullptr : found->second.get();
}

void CSoundStream::ScheduleLabels() {
  IMWindow* window = IMWindow::Instance();
  if (!window) return;
  for (unsigned long timeMs : labels_) {
    const std::uint32_t timerId = window->AddTimer(static_cast<std::uint32_t>(timeMs));
    window->ConnectTimer(timerId, [this, timerId, timeMs](const IMEvent&) { return OnLabel(timerId, timeMs); });
    labelTimers_.push_back(timerId);
  }
}

long CSoundStream::OnLabel(std::uint32_t timerId, unsigned long timeMs) {
  if (auto it = std::find(labelTimers_.begin(), labelTimers_.end(), timerId); it != labelTimers_.end()) {
    labelTimers_.erase(it);
  }
  if (auto it = std::find(labels_.begin(), labels_.end(), timeMs); it != labels_.end()) labels_.erase(it);
  platform::PostMessage(owner_->GetWindow(), owner_->WM_IM_ONLABEL, id_, static_cast<LPARAM>(timeMs));
  // Removing the timer from its own handler is safe: the poll frees it once it has moved on.
  if (IMWindow* window = IMWindow::Instance()) window->RemoveTimer(timerId);
  return 0;
}

void CSoundStream::CancelLabels() {
  IMWindow* window = IMWindow::Instance();
  if (window) {
    for (std::uint32_t timerId : labelTimers_) window->RemoveTimer(timerId);
  }
  labelTimers_.clear();
}

#include "framework/sound/sound_system.h"

#include <cstdio>

#include "framework/platform/platform.h"
#include "framework/sound/sound_decoder.h"

CSoundSystem::CSoundSystem() = default;

CSoundSystem::~CSoundSystem() { Shutdown(); }

long CSoundSystem::Init(HWND hwnd) {
  hwnd_ = hwnd;
  UINT* const messages[] = {&WM_IM_ONSOUNDPLAY, &WM_IM_ONLABEL, &WM_IM_ONSOUNDSTOP, &WM_IM_ONSOUNDPOUSE,
                            &WM_IM_ONSOUNDDEVICELOST};
  const wchar_t* const names[] = {L"WM_IM_ONSOUNDPLAY", L"WM_IM_ONLABEL", L"WM_IM_ONSOUNDSTOP",
                                  L"WM_IM_ONSOUNDPOUSE", L"WM_IM_ONSOUNDDEVICELOST"};
  for (int i = 0; i < 5; ++i) {
    *messages[i] = platform::RegisterWindowMessage(names[i]);
    if (*messages[i] == 0) break;
  }
  device_ = platform::OpenSoundDevice();
  if (device_) return 0;
  device_ = OpenSilentDevice();
  return kNoDevice;
}

std::unique_ptr<platform::SoundDevice> CSoundSystem::OpenSilentDevice() {
  std::fputs("No sound device could be opened: the program runs without sound\n", stderr);
  return platform::OpenSilentSoundDevice();
}

void CSoundSystem::ReplaceLostDevice() {
  if (!device_ || !device_->Lost()) return;
  std::unique_ptr<platform::SoundDevice> fresh = platform::OpenSoundDevice();
  if (!fresh) fresh = OpenSilentDevice();
  for (auto& [id, stream] : streams_) stream->MoveTo(fresh.get());
  // The old device goes after its buffers.
  device_ = std::move(fresh);
}

void CSoundSystem::Shutdown() {
  // Streams first: each joins its worker and releases its buffer before the device goes.
  streams_.clear();
  decoders_.clear();
  device_.reset();
}

unsigned CSoundSystem::AddSound(const std::wstring& name) {
  return AddSoundWith(name, [&name](IMSoundDecoder& decoder) { return decoder.OpenResourceName(name); });
}

unsigned CSoundSystem::AddSoundFromMemory(const std::wstring& name, const void* data, unsigned size) {
  return AddSoundWith(name, [data, size](IMSoundDecoder& decoder) { return decoder.OpenMemory(data, size); });
}

unsigned CSoundSystem::AddSoundWith(const std::wstring& name, const std::function<bool(IMSoundDecoder&)>& open) {
  if (const unsigned id = FindSound(name)) {
    GetStream(id)->PauseSignal.disconnect_all_slots();
    return id;
  }
  IMSoundDecoder* decoder = nullptr;
  for (DecoderEntry& entry : decoders_) {
    if (entry.name != name) continue;
    ++entry.useCount;
    decoder = entry.decoder.get();
    break;
  }
  if (!decoder) {
    auto fresh = std::make_unique<IMSoundDecoder>();
    if (!open(*fresh)) return 0;
    decoder = fresh.get();
    decoders_.push_back(DecoderEntry{std::move(fresh), 1, name});
  }
  const unsigned id = ++lastSoundId_;
  if (streams_.count(id)) return 0;
  streams_.emplace(id, std::make_unique<CSoundStream>(this, decoder, id));
  return id;
}

unsigned CSoundSystem::FindSound(const std::wstring& name) const {
  for (const DecoderEntry& entry : decoders_) {
    if (entry.name != name) continue;
    for (const auto& [id, stream] : streams_) {
      if (stream->GetDecoder() == entry.decoder.get()) return id;
    }
  }
  return 0;
}

CSoundStream* CSoundSystem::GetStream(unsigned id) {
  auto found = streams_.find(id);
  return found == streams_.end() ? nullptr : found->second.get();
}

bool CSoundSystem::Play(unsigned id) {
  CSoundStream* stream = id ? GetStream(id) : nullptr;
  if (!stream) return false;
  stream->Play();
  return true;
}

bool CSoundSystem::Stop(unsigned id) {
  CSoundStream* stream = id ? GetStream(id) : nullptr;
  if (!stream) return false;
  stream->Stop();
  return true;
}

bool CSoundSystem::IsPlaying(unsigned id) {
  CSoundStream* stream = id ? GetStream(id) : nullptr;
  return stream && stream->GetState() == CSoundStream::kPlaying;
}

void CSoundSystem::OnLabelMessage(unsigned id, unsigned long label) {
  CSoundStream* stream = GetStream(id);
  if (!stream) return;
  IMLabelSignal* signal = stream->FindLabelSignal(label);
  if (signal && !signal->empty()) (*signal)(id, label);
}

bool CSoundSystem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == 0) return false;
  CSoundStream* stream = GetStream(wParam);
  if (message == WM_IM_ONSOUNDPLAY) {
    if (stream && !stream->PlaySignal.empty()) stream->PlaySignal(wParam);
    return true;
  }
  if (message == WM_IM_ONSOUNDPOUSE) {
    if (!stream) return true;
    // A stream that ended by itself still has its later labels scheduled; one that was
    // started again since is playing and keeps them.
    if (stream->GetState() == CSoundStream::kStopped) stream->CancelLabels();
    if (!stream->PauseSignal.empty()) stream->PauseSignal(wParam);
    return true;
  }
  if (message == WM_IM_ONSOUNDSTOP) {
    if (stream && !stream->StopSignal.empty()) stream->StopSignal(wParam);
    return true;
  }
  if (message == WM_IM_ONLABEL) {
    OnLabelMessage(wParam, static_cast<unsigned long>(static_cast<std::uint32_t>(lParam)));
    return true;
  }
  if (message == WM_IM_ONSOUNDDEVICELOST) {
    ReplaceLostDevice();
    return true;
  }
  return false;
}

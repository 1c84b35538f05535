#pragma once
// The program's audio: the output device, one decoder per distinct sound name and one stream
// per sound id. Streams report through registered messages posted to the main window; the
// window procedure hands them back here on the GUI thread. Without a device, or once it has
// gone away and no other opens, sounds play on a silent output at the real rate, so that their
// labels and ends come on time.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/platform/sound_output.h"
#include "framework/platform/win_types.h"
#include "framework/sound/sound_stream.h"

class IMSoundDecoder;

class CSoundSystem {
 public:
  // Init's result when no output device could be opened.
  static constexpr long kNoDevice = 1;

  CSoundSystem();
  ~CSoundSystem();
  CSoundSystem(const CSoundSystem&) = delete;
  CSoundSystem& operator=(const CSoundSystem&) = delete;

  // 0, or kNoDevice: the program then runs silent, its sounds still play.
  long Init(HWND hwnd);
  void Shutdown();

  // 0 on failure. The same name gives the same id again, and then disconnects what the
  // earlier user connected to that sound's PauseSignal.
  unsigned AddSound(const std::wstring& name);
  // The data is not copied: it must stay valid while the system lives.
  unsigned AddSoundFromMemory(const std::wstring& name, const void* data, unsigned size);

  // False only for 0 or an id that names no sound; the stream's own answer is not passed on.
  bool Play(unsigned id);
  bool Stop(unsigned id);
  bool IsPlaying(unsigned id);
  void OnLabelMessage(unsigned id, unsigned long label);
  // When the device has gone away: opens the default one again, else the silent output, and
  // moves every stream onto it.
  void ReplaceLostDevice();

  // The window procedure's dispatch of the sound messages; false for any other message.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Null when the id names no sound.
  CSoundStream* GetStream(unsigned id);
  // The id of the sound registered under the name, or 0.
  unsigned FindSound(const std::wstring& name) const;
  platform::SoundDevice* GetDevice() const { return device_.get(); }
  HWND GetWindow() const { return hwnd_; }

  // Registered by Init; 0 until then (0 never matches a message).
  UINT WM_IM_ONSOUNDPLAY = 0;
  UINT WM_IM_ONSOUNDSTOP = 0;
  UINT WM_IM_ONSOUNDPOUSE = 0;
  UINT WM_IM_ONLABEL = 0;
  // Posted by a stream's worker that finds the device gone.
  UINT WM_IM_ONSOUNDDEVICELOST = 0;

 private:
  struct DecoderEntry {
    std::unique_ptr<IMSoundDecoder> decoder;
    int useCount = 0;
    std::wstring name;
  };

  unsigned AddSoundWith(const std::wstring& name, const std::function<bool(IMSoundDecoder&)>& open);
  // The silent output, with the one line on stderr that says so.
  static std::unique_ptr<platform::SoundDevice> OpenSilentDevice();

  std::map<unsigned, std::unique_ptr<CSoundStream>> streams_;
  std::vector<DecoderEntry> decoders_;
  std::unique_ptr<platform::SoundDevice> device_;
  unsigned lastSoundId_ = 0;
  HWND hwnd_ = nullptr;
};

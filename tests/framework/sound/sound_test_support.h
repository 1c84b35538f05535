#pragma once
// A sound system over the headless backend with a main window for the label timers, a manual
// clock moved in worker-sized steps, and the dispatch the window procedure will do.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/sound/sound_decoder.h"
#include "framework/sound/sound_system.h"
#include "framework/window/window.h"

inline std::filesystem::path SoundDataDir() { return std::filesystem::path(__FILE__).parent_path() / "data"; }
inline std::filesystem::path ModuleDataDir() {
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "platform" / "data";
}

inline std::vector<unsigned char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every sample of a clip, decoded in one go.
inline std::vector<std::int16_t> DecodeAll(const std::filesystem::path& path) {
  IMSoundDecoder decoder;
  EXPECT_TRUE(decoder.OpenFile(path.wstring()));
  std::vector<std::int16_t> samples(static_cast<std::size_t>(decoder.totalFrames) * decoder.channels);
  const unsigned got = decoder.ReadPcm(samples.data(), static_cast<unsigned>(samples.size() * 2));
  EXPECT_EQ(got, samples.size() * 2);
  return samples;
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Reset();
    platform::headless::ClearSoundsHeard();
    platform::headless::SetSoundDeviceAvailable(deviceAvailable_);
    platform::SetDebugSink([this](const std::wstring& text) {
      std::lock_guard lock(debugMutex_);
      debugLines_.push_back(text);
    });
    window_ = std::make_unique<IMWindow>();
    system_ = std::make_unique<CSoundSystem>();
    initResult_ = system_->Init(IMWindow::Handle());
  }

  void TearDown() override {
    system_.reset();
    window_.reset();
    EXPECT_EQ(platform::headless::LiveSoundWorkers(), 0);
    platform::headless::SetSoundDeviceAvailable(true);
    platform::headless::Reset();
  }

  unsigned AddClip(const std::string& file) { return system_->AddSound((SoundDataDir() / file).wstring()); }

  // The window procedure's part: every queued message goes to the sound system.
  void Pump() {
    platform::Message message;
    while (platform::PeekMessage(&message)) {
      messages_.push_back(message);
      system_->HandleMessage(message.message, message.wParam, message.lParam);
    }
  }

  // Moves the clock by `ms` in steps of one worker wake-up, like the idle loop would.
  void Run(unsigned ms, unsigned step = 20) {
    for (unsigned t = 0; t < ms; t += step) {
      platform::headless::AdvanceMs(step);
      platform::headless::StepSoundWorkers();
      window_->PollTimers();
      Pump();
    }
  }

  // Runs until a message arrives (or `limitMs` passed); returns the clock's time then.
  std::uint64_t RunUntil(UINT message, unsigned limitMs = 5000) {
    for (unsigned t = 0; t < limitMs; t += 20) {
      const std::size_t seen = messages_.size();
      Run(20);
      for (std::size_t i = seen; i < messages_.size(); ++i) {
        if (messages_[i].message == message) return platform::headless::NowMs();
      }
    }
    ADD_FAILURE() << "message " << message << " did not arrive";
    return 0;
  }

  int Count(UINT message, WPARAM id) const {
    int n = 0;
    for (const auto& m : messages_) n += (m.message == message && m.wParam == id);
    return n;
  }

  std::vector<std::wstring> DebugLines() {
    std::lock_guard lock(debugMutex_);
    return debugLines_;
  }

  bool deviceAvailable_ = true;
  long initResult_ = -1;
  std::unique_ptr<IMWindow> window_;
  std::unique_ptr<CSoundSystem> system_;
  std::vector<platform::Message> messages_;
  std::mutex debugMutex_;
  std::vector<std::wstring> debugLines_;
};

// The sound output end to end: SDL's disk audio driver writes what the mixer produced to a
// file, which must hold the clip the sound system played, resampled to the device's format.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "framework/platform/platform.h"
#include "framework/sound/sound_decoder.h"
#include "framework/sound/sound_system.h"

namespace {

std::filesystem::path ClipPath() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "sound" / "data" /
         "short_22k_mono.ogg";
}

struct Span {
  std::size_t first = 0;
  std::size_t last = 0;  // one past
  double rms = 0;
};

// Where the samples of one channel (taken every `stride`) exceed a quarter of the peak, and
// their level in between.
Span Loud(const std::vector<std::int16_t>& samples, std::size_t stride) {
  int peak = 0;
  for (std::size_t i = 0; i < samples.size(); i += stride) peak = std::max(peak, std::abs(int{samples[i]}));
  Span span;
  bool found = false;
  for (std::size_t i = 0; i < samples.size(); i += stride) {
    if (std::abs(int{samples[i]}) * 4 < peak) continue;
    if (!found) span.first = i / stride;
    span.last = i / stride + 1;
    found = true;
  }
  double sum = 0;
  for (std::size_t f = span.first; f < span.last; ++f) sum += double(samples[f * stride]) * samples[f * stride];
  span.rms = span.last > span.first ? std::sqrt(sum / double(span.last - span.first)) : 0;
  return span;
}

TEST(SoundSdlTest, APlayedClipComesOutOfTheMixer) {
  const auto output = std::filesystem::temp_directory_path() / ("sound_sdl_test_" + std::to_string(getpid()) + ".raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);

  auto system = std::make_unique<CSoundSystem>();
  ASSERT_EQ(system->Init(nullptr), 0) << "SDL could not open its disk audio driver";
  const unsigned id = system->AddSound(ClipPath().wstring());
  ASSERT_EQ(id, 1u);
  int played = 0;
  int ended = 0;
  system->GetStream(id)->PlaySignal.connect([&](unsigned long) { return long(++played); });
  system->GetStream(id)->PauseSignal.connect([&](unsigned long) { return long(++ended); });
  ASSERT_TRUE(system->Play(id));

  // The disk driver plays at real-time pace: wait for the end message, within a bound.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ended == 0 && std::chrono::steady_clock::now() < deadline) {
    platform::WaitForInput(50);
    platform::Message message;
    while (platform::PeekMessage(&message)) system->HandleMessage(message.message, message.wParam, message.lParam);
  }
  EXPECT_EQ(played, 1);
  EXPECT_EQ(ended, 1);
  system.reset();  // closes the device, which completes the file

  std::ifstream file(output, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::filesystem::remove(output);
  std::vector<std::int16_t> mixed(bytes.size() / 2);
  std::memcpy(mixed.data(), bytes.data(), mixed.size() * 2);

  IMSoundDecoder decoder;
  ASSERT_TRUE(decoder.OpenFile(ClipPath().wstring()));
  std::vector<std::int16_t> decoded(decoder.totalFrames);
  ASSERT_EQ(decoder.ReadPcm(decoded.data(), decoder.totalFrames * 2), decoder.totalFrames * 2);

  const Span clip = Loud(decoded, 1);
  EXPECT_GT(clip.rms, 5000);
  for (std::ptrdiff_t channel = 0; channel < 2; ++channel) {
    SCOPED_TRACE(channel);
    const Span heard = Loud(std::vector<std::int16_t>(mixed.begin() + channel, mixed.end()), 2);
    // 22.05 kHz up to 44.1 kHz: twice the frames, the same level.
    const double length = double(heard.last - heard.first) / 2;
    EXPECT_NEAR(length, double(clip.last - clip.first), 22050 * 0.01);
    EXPECT_NEAR(heard.rms, clip.rms, clip.rms * 0.03);
  }
}

}  // namespace

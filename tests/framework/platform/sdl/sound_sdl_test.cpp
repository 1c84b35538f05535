// The sound output end to end: SDL's disk audio driver writes what the mixer produced to a
// file, which must hold the clip the sound system played, resampled to the device's format.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>

#include <unistd.h>

#include "framework/platform/platform.h"
#include "framework/sound/sound_decoder.h"
#include "framework/sound/sound_system.h"
#include "media/embedded.h"

namespace {

std::filesystem::path ClipPath() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "sound" / "data" /
         "short_22k_mono.ogg";
}

struct Played {
  std::vector<std::int16_t> mixed;  // interleaved stereo at the device's rate
  int starts = 0;
  int ends = 0;
};

// Plays the sound `add` registers to its end through the disk driver, which writes a device
// buffer every `delayMs` (23 is real time). A `firstFile` the device cannot write makes SDL
// drop it at its first write; the output is then the device opened in its place.
Played PlayThroughDisk(const std::function<unsigned(CSoundSystem&)>& add, const char* delayMs,
                       const char* firstFile = nullptr) {
  const auto output = std::filesystem::temp_directory_path() / ("sound_sdl_test_" + std::to_string(getpid()) + ".raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", firstFile ? firstFile : output.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", delayMs, 1);

  Played played;
  auto system = std::make_unique<CSoundSystem>();
  EXPECT_EQ(system->Init(nullptr), 0) << "SDL could not open its disk audio driver";
  setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  const unsigned id = add(*system);
  EXPECT_EQ(id, 1u);
  if (id != 1u) return played;
  system->GetStream(id)->PlaySignal.connect([&](unsigned long) { return long(++played.starts); });
  system->GetStream(id)->PauseSignal.connect([&](unsigned long) { return long(++played.ends); });
  EXPECT_TRUE(system->Play(id));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (played.ends == 0 && std::chrono::steady_clock::now() < deadline) {
    platform::WaitForInput(50);
    platform::Message message;
    while (platform::PeekMessage(&message)) system->HandleMessage(message.message, message.wParam, message.lParam);
  }
  system.reset();  // closes the device, which completes the file

  std::ifstream file(output, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::filesystem::remove(output);
  played.mixed.resize(bytes.size() / 2);
  std::memcpy(played.mixed.data(), bytes.data(), played.mixed.size() * 2);
  return played;
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

void Fft(std::vector<std::complex<double>>& x) {
  const std::size_t n = x.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi / double(len));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (std::size_t k = 0; k < len / 2; ++k, w *= turn) {
        const std::complex<double> a = x[i + k];
        const std::complex<double> b = x[i + k + len / 2] * w;
        x[i + k] = a + b;
        x[i + k + len / 2] = a - b;
      }
    }
  }
}

// The power spectrum of interleaved stereo at 44.1 kHz (both channels summed), added up over
// Hann-windowed blocks; bin k is k * 44100 / kBlock Hz.
constexpr std::size_t kBlock = 4096;
std::vector<double> Spectrum(const std::vector<std::int16_t>& stereo) {
  std::vector<double> hann(kBlock);
  for (std::size_t i = 0; i < kBlock; ++i) hann[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / kBlock);
  std::vector<double> power(kBlock / 2, 0.0);
  std::vector<std::complex<double>> block(kBlock);
  for (std::size_t start = 0; (start + kBlock) * 2 <= stereo.size(); start += kBlock) {
    for (std::size_t i = 0; i < kBlock; ++i) {
      block[i] = hann[i] * (double(stereo[(start + i) * 2]) + stereo[(start + i) * 2 + 1]);
    }
    Fft(block);
    for (std::size_t k = 0; k < power.size(); ++k) power[k] += std::norm(block[k]);
  }
  return power;
}

double BandEnergy(const std::vector<double>& power, double fromHz, double toHz) {
  double sum = 0;
  for (std::size_t k = 0; k < power.size(); ++k) {
    const double hz = double(k) * 44100.0 / double(kBlock);
    if (hz >= fromHz && hz < toHz) sum += power[k];
  }
  return sum;
}

TEST(SoundSdlTest, APlayedClipComesOutOfTheMixer) {
  const Played played = PlayThroughDisk([](CSoundSystem& s) { return s.AddSound(ClipPath().wstring()); }, "23");
  EXPECT_EQ(played.starts, 1);
  EXPECT_EQ(played.ends, 1);

  IMSoundDecoder decoder;
  ASSERT_TRUE(decoder.OpenFile(ClipPath().wstring()));
  std::vector<std::int16_t> decoded(decoder.totalFrames);
  ASSERT_EQ(decoder.ReadPcm(decoded.data(), decoder.totalFrames * 2), decoder.totalFrames * 2);

  const Span clip = Loud(decoded, 1);
  EXPECT_GT(clip.rms, 5000);
  for (std::ptrdiff_t channel = 0; channel < 2; ++channel) {
    SCOPED_TRACE(channel);
    const Span heard = Loud(std::vector<std::int16_t>(played.mixed.begin() + channel, played.mixed.end()), 2);
    // 22.05 kHz up to 44.1 kHz: twice the frames, the same level.
    const double length = double(heard.last - heard.first) / 2;
    EXPECT_NEAR(length, double(clip.last - clip.first), 22050 * 0.01);
    EXPECT_NEAR(heard.rms, clip.rms, clip.rms * 0.03);
  }
}

// SDL drops a device it cannot write to (here at its first write, as the clip starts): the
// default device opened in its place plays the clip.
TEST(SoundSdlTest, ADeviceThatGoesAwayIsReplaced) {
  const Played played =
      PlayThroughDisk([](CSoundSystem& s) { return s.AddSound(ClipPath().wstring()); }, "23", "/dev/full");
  EXPECT_EQ(played.starts, 1);
  EXPECT_EQ(played.ends, 1);
  IMSoundDecoder decoder;
  ASSERT_TRUE(decoder.OpenFile(ClipPath().wstring()));
  const Span heard = Loud(std::vector<std::int16_t>(played.mixed.begin(), played.mixed.end()), 2);
  // The lost device goes on taking a buffer of 1024 frames (512 of the clip's) every 23 ms until
  // the loop, which wakes at least every 50 ms, replaces it: a few buffers, eight on a loaded
  // machine.
  const double heardFrames = double(heard.last - heard.first) / 2;
  EXPECT_LE(heardFrames, double(decoder.totalFrames));
  EXPECT_GT(heardFrames, double(decoder.totalFrames) - 8 * 512);
}

// Up-sampling must not add the mirror image of speech above the source's band, which children
// still hear. The driver runs about five times faster than real time here.
TEST(SoundSdlTest, TheInstructionVoiceGainsNoMirrorImagesAboveItsBand) {
  const auto voice = media::FindResource(110);
  ASSERT_FALSE(voice.empty());
  const Played played = PlayThroughDisk(
      [&](CSoundSystem& s) {
        return s.AddSoundFromMemory(L"110", voice.data(), static_cast<unsigned>(voice.size()));
      },
      "5");
  ASSERT_EQ(played.ends, 1);
  // The voice is half a minute long.
  ASSERT_GT(played.mixed.size(), std::size_t{44100 * 2 * 25});
  const std::vector<double> power = Spectrum(played.mixed);
  const double below = 10 * std::log10(BandEnergy(power, 300, 6000) / BandEnergy(power, 15000, 21000));
  std::printf("15-21 kHz energy lies %.1f dB below the 300-6000 Hz band\n", below);
  EXPECT_GT(below, 60);
}

}  // namespace

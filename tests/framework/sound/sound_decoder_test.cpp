#include "framework/sound/sound_decoder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "ogg_test_data.h"
#include "sound_test_support.h"

namespace {

// Runs a body with the current folder moved, and moves it back.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST(SoundDecoderTest, FileAndMemorySoundsKeepTheirLengthResourceSoundsLoseTwentyMs) {
  const auto path = SoundDataDir() / "short_44k_stereo.ogg";
  IMSoundDecoder file;
  ASSERT_TRUE(file.OpenResourceName(path.wstring()));
  EXPECT_EQ(file.channels, 2);
  EXPECT_EQ(file.rate, 44100);
  EXPECT_EQ(file.bytesPerFrame, 4);
  EXPECT_EQ(file.totalFrames, 13230u);

  const auto bytes = ReadBytes(path);
  IMSoundDecoder memory;
  ASSERT_TRUE(memory.OpenMemory(bytes.data(), static_cast<unsigned>(bytes.size())));
  EXPECT_EQ(memory.totalFrames, 13230u);

  // The companion module in the current folder holds the same clip as RCDATA 4001.
  InFolder folder(ModuleDataDir());
  IMSoundDecoder resource;
  ASSERT_TRUE(resource.OpenResourceName(L"4001"));
  EXPECT_EQ(resource.totalFrames, 13230u - 882u);
  std::vector<std::int16_t> samples(13230 * 2);
  EXPECT_EQ(resource.ReadPcm(samples.data(), static_cast<unsigned>(samples.size() * 2)), (13230u - 882u) * 4);
  EXPECT_EQ(resource.ReadPcm(samples.data(), 4), 0u);

  IMSoundDecoder notOgg;
  EXPECT_FALSE(notOgg.OpenResourceName(L"4002"));
  IMSoundDecoder missing;
  EXPECT_FALSE(missing.OpenResourceName(L"4999"));
  EXPECT_FALSE(missing.OpenResourceName(L"-5"));
  EXPECT_FALSE(missing.OpenResourceName(L"4001.ogg"));  // not a number: a file, and there is none
}

TEST(SoundDecoderTest, ReadsWholeFramesAndDecodesTheSameFromEverySource) {
  const auto path = SoundDataDir() / "long_11k_stereo.ogg";
  const auto bytes = ReadBytes(path);
  IMSoundDecoder memory;
  ASSERT_TRUE(memory.OpenMemory(bytes.data(), static_cast<unsigned>(bytes.size())));
  std::vector<std::int16_t> fromMemory(memory.totalFrames * 2);
  unsigned got = 0;
  // Odd request sizes never split a frame.
  while (true) {
    const unsigned n = memory.ReadPcm(fromMemory.data() + got / 2, 1001);
    EXPECT_EQ(n % 4, 0u);
    if (n == 0) break;
    got += n;
  }
  EXPECT_EQ(got, memory.totalFrames * 4);
  EXPECT_EQ(fromMemory, DecodeAll(path));

  ASSERT_TRUE(memory.Rewind());
  std::int16_t first[2];
  EXPECT_EQ(memory.ReadPcm(first, 4), 4u);
  EXPECT_EQ(first[0], fromMemory[0]);
}

std::filesystem::path FuzzRegressionDir() {
  return SoundDataDir().parent_path().parent_path().parent_path() / "fuzz" / "regressions" / "vorbis";
}

// Everything the decoder gives, read half a second of 44.1 kHz stereo at a time.
std::vector<std::int16_t> ReadToEnd(IMSoundDecoder& decoder) {
  std::vector<std::int16_t> samples;
  std::vector<std::int16_t> half(44100);
  while (const unsigned got = decoder.ReadPcm(half.data(), static_cast<unsigned>(half.size() * 2))) {
    samples.insert(samples.end(), half.begin(), half.begin() + got / 2);
  }
  return samples;
}

TEST(SoundDecoderTest, DataMissingAfterTheHeadersPlaysTheSoundUpToTheGap) {
  const OggBytes whole = EncodeTone(1, 22050, 2.0, 7, 128);
  IMSoundDecoder undamaged;
  ASSERT_TRUE(undamaged.OpenMemory(whole.data(), static_cast<unsigned>(whole.size())));
  const std::vector<std::int16_t> expected = ReadToEnd(undamaged);
  ASSERT_EQ(expected.size(), undamaged.totalFrames);
  const std::vector<OggPageAt> pages = OggPages(whole);
  ASSERT_GT(pages.size(), 12u);
  // A page taken out a third of the way in, and the data cut in the middle of a page later on.
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut" : "page taken out");
    const std::size_t k = cut ? pages.size() * 2 / 3 : pages.size() / 3;
    OggBytes bytes = whole;
    const auto page = bytes.begin() + static_cast<std::ptrdiff_t>(pages[k].offset);
    if (cut) {
      bytes.erase(page + static_cast<std::ptrdiff_t>(pages[k].size / 2), bytes.end());
    } else {
      bytes.erase(page, page + static_cast<std::ptrdiff_t>(pages[k].size));
    }
    IMSoundDecoder decoder;
    ASSERT_TRUE(decoder.OpenMemory(bytes.data(), static_cast<unsigned>(bytes.size())));
    const std::vector<std::int16_t> got = ReadToEnd(decoder);
    EXPECT_GE(static_cast<std::int64_t>(got.size()), Granule(whole, pages[k - 1])) << "all that comes before the gap";
    ASSERT_LT(got.size(), expected.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin())) << "and nothing after it";
  }
}

// Runs `body` in a child process that a watchdog ends after 20 s, so that a hang fails the
// test instead of stalling the run; the body fails by exiting with a nonzero code.
void ExpectFinishes(const std::function<void()>& body) {
  EXPECT_EXIT(
      {
        alarm(20);
        body();
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(SoundDecoderDeathTest, ADamagedLengthNeverSendsTheRewindPastTheData) {
  // The last page, 64 KiB after the first audio page, says the sound is empty: vorbisfile's
  // search for the first frame then divides by zero and aims near 2^63.
  OggBytes bytes = ReadBytes(SoundDataDir() / "short_22k_mono.ogg");
  const OggPageAt last = OggPages(bytes).back();
  SetGranule(bytes, last, 0);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(last.offset), 65536, 0);
  ExpectFinishes([&] {
    IMSoundDecoder decoder;
    if (!decoder.OpenMemory(bytes.data(), static_cast<unsigned>(bytes.size()))) std::_Exit(1);
    decoder.Rewind();
    if (!ReadToEnd(decoder).empty()) std::_Exit(2);
  });
}

TEST(SoundDecoderTest, PagesOfAnotherStreamNeverReachTheVorbisLibrary) {
  // Found by fuzzing: with a page of another stream among its own, vorbisfile's seek to the
  // first frame laid one page's segment table over another page's body and the next read
  // crashed in libogg; damaged chains also leaked in its open. Such data is refused first.
  const auto spliced = ReadBytes(FuzzRegressionDir() / "rewind-splices-two-pages.ogg");
  IMSoundDecoder decoder;
  EXPECT_FALSE(decoder.OpenMemory(spliced.data(), static_cast<unsigned>(spliced.size())));
}

TEST(SoundDecoderTest, DamagedPagesEndTheSoundWithinItsAnnouncedLength) {
  const OggBytes tone = EncodeTone(1, 11025, 2.0, 7, 200);
  const std::vector<OggPageAt> pages = OggPages(tone);
  ASSERT_GT(pages.size(), 8u);

  // A page in the middle fails its checksum: the sound ends at the hole, and again after a rewind.
  OggBytes holed = tone;
  holed[pages[pages.size() / 2].body + 10] ^= 0xff;
  IMSoundDecoder decoder;
  ASSERT_TRUE(decoder.OpenMemory(holed.data(), static_cast<unsigned>(holed.size())));
  const auto beforeHole = ReadToEnd(decoder);
  EXPECT_GT(beforeHole.size(), decoder.totalFrames / 4);
  EXPECT_LT(beforeHole.size(), decoder.totalFrames * 3 / 4);
  ASSERT_TRUE(decoder.Rewind());
  EXPECT_EQ(ReadToEnd(decoder), beforeHole);

  // The last pages claim 2000 frames fewer than they hold: no more than that is read.
  OggBytes shortened = tone;
  for (std::size_t i = pages.size() - 5; i < pages.size(); ++i) {
    SetGranule(shortened, pages[i], Granule(tone, pages[i]) - 2000);
  }
  IMSoundDecoder shorter;
  ASSERT_TRUE(shorter.OpenMemory(shortened.data(), static_cast<unsigned>(shortened.size())));
  EXPECT_EQ(shorter.totalFrames, 22050u - 2000u);
  EXPECT_EQ(ReadToEnd(shorter).size(), shorter.totalFrames);
}

TEST(SoundDecoderTest, OnlySoundsTheOutputCanPlayOpen) {
  const auto opens = [](const OggBytes& bytes) {
    IMSoundDecoder decoder;
    return decoder.OpenMemory(bytes.data(), static_cast<unsigned>(bytes.size()));
  };
  const OggBytes mono = EncodeTone(1, 22050, 0.5, 1);
  EXPECT_TRUE(opens(mono));
  // Rates and channel counts a buffer cannot hold (a one-second buffer at 1 GHz is 4 GB).
  for (std::uint32_t rate : {1000000000u, 3000000000u, 250000u, 50u}) {
    SCOPED_TRACE(rate);
    OggBytes retimed = mono;
    SetHeaderRate(retimed, rate);
    EXPECT_FALSE(opens(retimed));
  }
  OggBytes fast = mono;
  SetHeaderRate(fast, 192000);
  EXPECT_TRUE(opens(fast));
  EXPECT_FALSE(opens(EncodeTone(3, 22050, 0.5, 2)));

  // A chain's links each have their own format; one buffer plays one.
  const auto chain = [&mono](const OggBytes& second) {
    OggBytes both = mono;
    both.insert(both.end(), second.begin(), second.end());
    return both;
  };
  EXPECT_FALSE(opens(chain(EncodeTone(2, 44100, 0.5, 3))));
  EXPECT_FALSE(opens(chain(EncodeTone(1, 22050, 0.5, 4))));
}

}  // namespace

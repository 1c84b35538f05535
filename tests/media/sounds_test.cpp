#include <gtest/gtest.h>

#include <string>

#include "media/embedded.h"
#include "media_decoders.h"

namespace {

using media_test::DecodeVorbis;
using media_test::Vorbis;

Vorbis MustDecode(std::span<const unsigned char> data, const std::string& what) {
  std::string error;
  auto sound = DecodeVorbis(data, &error);
  if (!sound) {
    ADD_FAILURE() << what << ": " << error;
    return {};
  }
  return *sound;
}

// The loader plays resource sounds 20 ms short of their end.
constexpr double kResourceTrimSeconds = 0.020;

TEST(Voices, PraiseWordsAreShortVoices) {
  for (const wchar_t* name :
       {L"bravo_sound", L"gotovo_sound", L"molodec_sound", L"otlichno_sound", L"ura_sound"}) {
    const std::string label(name, name + std::wstring(name).size());
    SCOPED_TRACE(label);
    const auto data = media::FindBuiltIn(name);
    ASSERT_FALSE(data.empty());
    const Vorbis voice = MustDecode(data, label);
    EXPECT_EQ(voice.decodedFrames, voice.totalFrames);
    EXPECT_GT(voice.Seconds(), 0.4);
    EXPECT_LT(voice.Seconds(), 3.0);
    EXPECT_GT(voice.Peak(0, voice.Seconds()), 0.3) << "audible";
  }
}

TEST(Voices, ClosingInvitationLastsAFewSeconds) {
  const Vorbis voice = MustDecode(media::FindBuiltIn(L"ENDHELPSOUND"), "ENDHELPSOUND");
  EXPECT_EQ(voice.decodedFrames, voice.totalFrames);
  EXPECT_GT(voice.Seconds(), 2.0);
  EXPECT_LT(voice.Seconds(), 8.0);
  EXPECT_GT(voice.Peak(0, voice.Seconds()), 0.3);
}

TEST(Voices, ClickIsShortAndSoft) {
  const Vorbis click = MustDecode(media::FindBuiltIn(L"MOUSE_CLICK_SOUND"), "MOUSE_CLICK_SOUND");
  EXPECT_EQ(click.decodedFrames, click.totalFrames);
  // It restarts on every click frame, 333 ms apart at the fastest.
  EXPECT_GT(click.Seconds(), 0.03);
  EXPECT_LT(click.Seconds(), 0.3);
  const double peak = click.Peak(0, click.Seconds());
  EXPECT_GT(peak, 0.05);
  EXPECT_LT(peak, 0.6);
}

class Instruction : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto data = media::FindResource(110);
    ASSERT_FALSE(data.empty()) << "resource 110 is missing";
    voice_ = MustDecode(data, "110");
  }
  Vorbis voice_;
};

TEST_F(Instruction, StillPlaysWhenTheEndingIsDue) {
  EXPECT_EQ(voice_.decodedFrames, voice_.totalFrames);
  EXPECT_GE(voice_.Seconds(), 29.5);
  EXPECT_LE(voice_.Seconds(), 31.0);
  // The ending is scheduled at 29000 ms and is cancelled if the stream has ended by then.
  EXPECT_GT(voice_.Seconds() - kResourceTrimSeconds, 29.0 + 0.25);
}

TEST_F(Instruction, SpeaksAlongTheDemonstrationAndIsSilentBeforeTheEnding) {
  // Each action of the demonstration is being talked about while it happens.
  const struct {
    double from, to;
    const char* what;
  } spoken[] = {
      {1.0, 3.0, "the scene"},
      {12.3, 13.5, "the magnet going up and down"},
      {14.3, 15.8, "the crane going right and back"},
      {19.9, 21.0, "the wheel press"},
      {23.4, 26.0, "the task card"},
  };
  for (const auto& part : spoken) {
    EXPECT_GT(voice_.Rms(part.from, part.to), 0.02) << part.what;
  }
  // The closing voice starts at 29 s: the instruction must be done speaking by then.
  EXPECT_LT(voice_.Peak(28.5, voice_.Seconds()), 0.01);
}

}  // namespace

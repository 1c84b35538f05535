#include "framework/sound/sound_system.h"

#include <algorithm>

#include "ogg_test_data.h"
#include "sound_test_support.h"

namespace {

TEST_F(SoundTest, SoundMessagesHaveFixedRegisteredNumbers) {
  const UINT numbers[] = {system_->WM_IM_ONSOUNDPLAY, system_->WM_IM_ONSOUNDPOUSE, system_->WM_IM_ONSOUNDSTOP,
                          system_->WM_IM_ONLABEL};
  for (int i = 0; i < 4; ++i) {
    EXPECT_GE(numbers[i], WM_REGISTERED_FIRST);
    EXPECT_LE(numbers[i], WM_REGISTERED_LAST);
    for (int j = 0; j < i; ++j) EXPECT_NE(numbers[i], numbers[j]);
  }
  EXPECT_EQ(platform::RegisterWindowMessage(L"WM_IM_ONSOUNDPOUSE"), system_->WM_IM_ONSOUNDPOUSE);
  // Other names never take one of these numbers.
  const UINT other = platform::RegisterWindowMessage(L"SomeOtherMessage");
  for (UINT n : numbers) EXPECT_NE(other, n);
  EXPECT_FALSE(system_->HandleMessage(other, 1, 0));
}

TEST_F(SoundTest, IdsCountFromOneAndTheSameNameGivesTheSameId) {
  EXPECT_EQ(initResult_, 0);
  const unsigned first = AddClip("short_44k_stereo.ogg");
  const unsigned second = AddClip("short_22k_mono.ogg");
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 2u);

  int earlier = 0;
  int later = 0;
  system_->GetStream(first)->PauseSignal.connect([&](unsigned long) { return long(++earlier); });
  EXPECT_EQ(AddClip("short_44k_stereo.ogg"), first);
  system_->GetStream(first)->PauseSignal.connect([&](unsigned long) { return long(++later); });
  EXPECT_EQ(AddClip("long_11k_mono.ogg"), 3u);  // not reused, not skipped

  system_->Play(first);
  RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_EQ(earlier, 0);
  EXPECT_EQ(later, 1);
}

TEST_F(SoundTest, FailedLoadsAndUnknownIds) {
  EXPECT_EQ(AddClip("missing.ogg"), 0u);
  EXPECT_EQ(system_->AddSound((SoundDataDir() / "make_clips.sh").wstring()), 0u);  // not Ogg Vorbis
  EXPECT_EQ(system_->AddSound(L"4999"), 0u);  // a number no module holds
  const unsigned char junk[] = {1, 2, 3};
  EXPECT_EQ(system_->AddSoundFromMemory(L"junk", junk, sizeof junk), 0u);
  // Well formed, but in a format no buffer holds: refused like a broken sound.
  const OggBytes surround = EncodeTone(3, 22050, 0.5, 1);
  EXPECT_EQ(system_->AddSoundFromMemory(L"surround", surround.data(), static_cast<unsigned>(surround.size())), 0u);
  EXPECT_FALSE(system_->Play(0));
  EXPECT_FALSE(system_->Stop(0));
  EXPECT_FALSE(system_->Play(7));
  EXPECT_FALSE(system_->IsPlaying(7));
  EXPECT_EQ(AddClip("short_44k_stereo.ogg"), 1u);  // failures took no id
  // Messages for ids that name no sound are taken and ignored.
  EXPECT_TRUE(system_->HandleMessage(system_->WM_IM_ONSOUNDPLAY, 9, 0));
  EXPECT_TRUE(system_->HandleMessage(system_->WM_IM_ONSOUNDPOUSE, 9, 0));
  EXPECT_TRUE(system_->HandleMessage(system_->WM_IM_ONLABEL, 9, 100));
}

TEST_F(SoundTest, BufferHoldsOneSecondInHalvesOfWholeFrames) {
  const unsigned stereo44 = AddClip("short_44k_stereo.ogg");
  const unsigned mono22 = AddClip("short_22k_mono.ogg");
  const unsigned mono11 = AddClip("long_11k_mono.ogg");
  const unsigned stereo11 = AddClip("long_11k_stereo.ogg");
  EXPECT_EQ(system_->GetStream(stereo44)->GetBufferBytes(), 176400u);
  EXPECT_EQ(system_->GetStream(stereo44)->GetHalfBytes(), 88200u);
  EXPECT_EQ(system_->GetStream(mono22)->GetBufferBytes(), 44100u);
  EXPECT_EQ(system_->GetStream(mono22)->GetHalfBytes(), 22050u);
  // 11025 Hz: half a second is 5512.5 frames, so a half takes 5512.
  EXPECT_EQ(system_->GetStream(mono11)->GetHalfBytes(), 5512u * 2);
  EXPECT_EQ(system_->GetStream(stereo11)->GetHalfBytes(), 5512u * 4);
  EXPECT_EQ(system_->GetStream(stereo11)->GetBufferBytes(), 2 * 5512u * 4);
}

TEST_F(SoundTest, PlayAndStopAnswerForTheIdNotForTheStream) {
  const unsigned id = AddClip("long_11k_mono.ogg");
  EXPECT_TRUE(system_->Stop(id));  // the stream refused: it was not playing
  EXPECT_TRUE(system_->Play(id));
  EXPECT_TRUE(system_->IsPlaying(id));
  EXPECT_TRUE(system_->Play(id));  // already playing: the stream refused, nothing posted again
  Pump();
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPLAY, id), 1);
  EXPECT_FALSE(system_->GetStream(id)->Play());
  EXPECT_TRUE(system_->Stop(id));
  EXPECT_FALSE(system_->IsPlaying(id));
  EXPECT_FALSE(system_->GetStream(id)->Stop());
}

TEST_F(SoundTest, DispatchTurnsMessagesIntoTheStreamsSignals) {
  const unsigned id = AddClip("short_44k_stereo.ogg");
  CSoundStream* stream = system_->GetStream(id);
  std::vector<std::string> events;
  stream->PlaySignal.connect([&](unsigned long i) { events.push_back("play " + std::to_string(i)); return 0L; });
  stream->PauseSignal.connect([&](unsigned long i) { events.push_back("pause " + std::to_string(i)); return 0L; });
  stream->StopSignal.connect([&](unsigned long i) { events.push_back("stop " + std::to_string(i)); return 0L; });
  stream->ConnectLabelSlot(250, [&](unsigned long i, unsigned long t) {
    events.push_back("label " + std::to_string(i) + " " + std::to_string(t));
    return 0L;
  });
  // Nobody posts the stop message, but it is dispatched.
  EXPECT_TRUE(system_->HandleMessage(system_->WM_IM_ONSOUNDSTOP, id, 0));
  // A label message for a time without slots does nothing.
  EXPECT_TRUE(system_->HandleMessage(system_->WM_IM_ONLABEL, id, 999));
  ASSERT_TRUE(stream->AddLabel(250));
  system_->Play(id);
  RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_EQ(events, (std::vector<std::string>{"stop 1", "play 1", "label 1 250", "pause 1"}));
}

class SilentSoundTest : public SoundTest {
 protected:
  SilentSoundTest() {
    deviceAvailable_ = false;
    testing::internal::CaptureStderr();  // Init's, in SetUp
  }
};

TEST_F(SilentSoundTest, WithoutADeviceSoundsPlayUnheardAndEndOnTime) {
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "No sound device could be opened: the program runs without sound\n");
  EXPECT_EQ(initResult_, CSoundSystem::kNoDevice);
  const unsigned id = AddClip("short_44k_stereo.ogg");
  CSoundStream* stream = system_->GetStream(id);
  ASSERT_TRUE(stream->AddLabel(100));
  ASSERT_TRUE(stream->Play());
  EXPECT_TRUE(system_->IsPlaying(id));
  const std::uint64_t end = RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_GE(end, 1000u);  // as with a device
  EXPECT_LE(end, 1060u);
  Run(2000);
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPLAY, id), 1);
  EXPECT_EQ(Count(system_->WM_IM_ONLABEL, id), 1);
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPOUSE, id), 1);
  EXPECT_TRUE(platform::headless::SoundsHeard().empty());
}

// Unplugged mid-sound: the sound goes on through the device opened in its place from where it
// was, its labels and its end come once. Unplugged with nothing to take over, the next sound
// plays on the silent output.
TEST_F(SoundTest, ALostDeviceIsReplacedAndTheSoundsGoOn) {
  const unsigned id = AddClip("long_11k_mono.ogg");
  CSoundStream* stream = system_->GetStream(id);
  std::vector<unsigned long> fired;
  for (unsigned long t : {500ul, 1500ul, 2000ul}) {
    stream->ConnectLabelSlot(t, [&](unsigned long, unsigned long label) { return fired.push_back(label), 0L; });
  }
  ASSERT_TRUE(stream->AddLabel(500));
  ASSERT_TRUE(stream->AddLabel(2000));
  ASSERT_TRUE(system_->Play(id));
  Run(1000);
  platform::headless::RemoveSoundDevice();
  RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  Run(1500);
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPOUSE, id), 1);
  EXPECT_EQ(fired, (std::vector<unsigned long>{500, 2000}));

  const auto decoded = DecodeAll(SoundDataDir() / "long_11k_mono.ogg");
  auto heard = platform::headless::SoundsHeard();
  ASSERT_EQ(heard.size(), 2u) << "a second device took over";
  const std::vector<std::int16_t>& before = heard[0].samples;
  const std::vector<std::int16_t>& after = heard[1].samples;
  ASSERT_LT(before.size(), decoded.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), decoded.begin()));
  // What the lost device took before its worker noticed (a pass or so) is not heard again.
  ASSERT_GE(after.size(), 64u);
  const auto from = decoded.begin() + static_cast<std::ptrdiff_t>(before.size());
  const auto resumed = std::search(from, from + 11025 / 25 + 64, after.begin(), after.begin() + 64);
  ASSERT_NE(resumed, from + 11025 / 25 + 64) << "the second device did not go on where the first stopped";
  const auto rest = static_cast<std::size_t>(decoded.end() - resumed);
  EXPECT_TRUE(std::equal(resumed, decoded.end(), after.begin()));
  EXPECT_TRUE(std::all_of(after.begin() + static_cast<std::ptrdiff_t>(rest), after.end(), [](auto s) { return !s; }));

  platform::headless::SetSoundDeviceAvailable(false);
  platform::headless::RemoveSoundDevice();
  testing::internal::CaptureStderr();
  ASSERT_TRUE(stream->AddLabel(1500));
  const std::uint64_t start = platform::headless::NowMs();
  ASSERT_TRUE(system_->Play(id));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "No sound device could be opened: the program runs without sound\n");
  const std::uint64_t end = RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_GE(end - start, 2500u);
  EXPECT_LE(end - start, 2500u + 1100);
  EXPECT_EQ(fired, (std::vector<unsigned long>{500, 2000, 1500}));
  const std::size_t heardAfter = after.size();
  heard = platform::headless::SoundsHeard();
  EXPECT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[1].samples.size(), heardAfter);
}

}  // namespace

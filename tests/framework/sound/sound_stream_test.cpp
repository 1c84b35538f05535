#include "framework/sound/sound_stream.h"

#include <algorithm>

#include "ogg_test_data.h"
#include "sound_test_support.h"

namespace {

using platform::headless::LiveSoundWorkers;
using platform::headless::NowMs;
using platform::headless::SoundsHeard;

bool AllZero(const std::vector<std::int16_t>& samples, std::size_t from) {
  return std::all_of(samples.begin() + static_cast<std::ptrdiff_t>(std::min(from, samples.size())), samples.end(),
                     [](std::int16_t s) { return s == 0; });
}

TEST_F(SoundTest, AShortSoundPlaysOnceAndEndsAboutASecondAfterPlay) {
  const unsigned id = AddClip("short_44k_stereo.ogg");
  ASSERT_TRUE(system_->Play(id));
  const std::uint64_t end = RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_GE(end, 1000u);
  EXPECT_LE(end, 1060u);
  EXPECT_FALSE(system_->IsPlaying(id));
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPLAY, id), 1);
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPOUSE, id), 1);
  EXPECT_EQ(messages_.front().message, system_->WM_IM_ONSOUNDPLAY);

  // Heard: the clip once, then silence until the buffer stopped.
  const auto decoded = DecodeAll(SoundDataDir() / "short_44k_stereo.ogg");
  const auto heard = SoundsHeard();
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_FALSE(heard[0].playing);
  ASSERT_GE(heard[0].samples.size(), decoded.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), heard[0].samples.begin()));
  EXPECT_TRUE(AllZero(heard[0].samples, decoded.size()));
  EXPECT_NEAR(heard[0].samples.size() / 2.0, 44100.0, 44100 * 0.03);

  EXPECT_EQ(DebugLines(), (std::vector<std::wstring>{L" звук играет\n", L" звук остановился\n"}));

  // It starts again from the beginning.
  messages_.clear();
  ASSERT_TRUE(system_->Play(id));
  RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  const auto again = SoundsHeard()[0].samples;
  ASSERT_GE(again.size(), heard[0].samples.size() + decoded.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), again.begin() + heard[0].samples.size()));
}

TEST_F(SoundTest, StopAndTheDestructorWaitForTheWorkerToEnd) {
  const unsigned first = AddClip("long_11k_mono.ogg");
  const unsigned second = AddClip("long_11k_stereo.ogg");
  system_->Play(first);
  system_->Play(second);
  Run(200);
  EXPECT_EQ(LiveSoundWorkers(), 2);

  ASSERT_TRUE(system_->GetStream(first)->Stop());
  // Nothing of the worker is left once Stop has returned: its end message is already queued.
  EXPECT_EQ(LiveSoundWorkers(), 1);
  platform::Message message;
  ASSERT_TRUE(platform::PeekMessage(&message));
  EXPECT_EQ(message.message, system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_EQ(message.wParam, first);
  const auto lines = DebugLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L" звук стой\n"), 1);
  EXPECT_EQ(lines.back(), L" звук остановился\n");
  EXPECT_FALSE(SoundsHeard()[0].playing);

  // Stop then Play at once: the new worker starts after the old one has gone.
  ASSERT_TRUE(system_->GetStream(second)->Stop());
  ASSERT_TRUE(system_->GetStream(second)->Play());
  EXPECT_EQ(LiveSoundWorkers(), 1);

  // Shutting down with a stream still playing joins its worker (TearDown checks none is left).
  system_->Shutdown();
  EXPECT_EQ(LiveSoundWorkers(), 0);
}

// At odd rates half a second is not a whole number of frames; the halves still hold whole
// frames, so every half is heard as decoded and nothing is cut.
TEST_F(SoundTest, OddRateSoundsAreHeardWholeAndUngarbled) {
  for (const char* clip : {"long_11k_mono.ogg", "long_11k_stereo.ogg"}) {
    SCOPED_TRACE(clip);
    platform::headless::ClearSoundsHeard();
    const unsigned id = AddClip(clip);
    const std::uint64_t start = NowMs();
    system_->Play(id);
    const std::uint64_t end = RunUntil(system_->WM_IM_ONSOUNDPOUSE);
    const auto decoded = DecodeAll(SoundDataDir() / clip);
    const auto heard = SoundsHeard();
    ASSERT_EQ(heard.size(), 1u);
    ASSERT_GE(heard[0].samples.size(), decoded.size());
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), heard[0].samples.begin()));
    EXPECT_TRUE(AllZero(heard[0].samples, decoded.size()));
    const double seconds = static_cast<double>(decoded.size()) / heard[0].channels / 11025;
    EXPECT_GE(end - start, seconds * 1000);
    EXPECT_LE(end - start, seconds * 1000 + 1100);
  }
}

// A page in the middle fails its checksum: what decoded before it is heard whole, then the
// stream ends once, as at the end of its data.
TEST_F(SoundTest, ADecodeErrorEndsTheSoundAsTheEndOfItsDataWould) {
  OggBytes holed = EncodeTone(1, 11025, 3.0, 9, 200);
  const std::vector<OggPageAt> pages = OggPages(holed);
  holed[pages[pages.size() / 2].body + 10] ^= 0xff;
  IMSoundDecoder reference;
  ASSERT_TRUE(reference.OpenMemory(holed.data(), static_cast<unsigned>(holed.size())));
  std::vector<std::int16_t> decoded(reference.totalFrames);
  decoded.resize(reference.ReadPcm(decoded.data(), static_cast<unsigned>(decoded.size() * 2)) / 2);
  ASSERT_LT(decoded.size(), reference.totalFrames * 3 / 4);

  const unsigned id = system_->AddSoundFromMemory(L"holed", holed.data(), static_cast<unsigned>(holed.size()));
  const std::uint64_t start = NowMs();
  ASSERT_TRUE(system_->Play(id));
  const std::uint64_t end = RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  Run(2000);
  EXPECT_EQ(Count(system_->WM_IM_ONSOUNDPOUSE, id), 1);
  const auto heard = SoundsHeard();
  ASSERT_EQ(heard.size(), 1u);
  ASSERT_GE(heard[0].samples.size(), decoded.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), heard[0].samples.begin()));
  EXPECT_TRUE(AllZero(heard[0].samples, decoded.size()));
  const double ms = decoded.size() * 1000.0 / 11025;
  EXPECT_GE(end - start, ms);
  EXPECT_LE(end - start, ms + 1100);
  system_->Shutdown();  // before the data goes
}

TEST_F(SoundTest, LabelsFireOnceAndStopKeepsTheUnfiredOnesForTheNextPlay) {
  const unsigned id = AddClip("long_11k_mono.ogg");
  CSoundStream* stream = system_->GetStream(id);
  std::vector<std::pair<std::uint64_t, unsigned long>> fired;
  for (unsigned long t : {1000ul, 3000ul}) {
    stream->ConnectLabelSlot(t, [&](unsigned long, unsigned long label) {
      fired.emplace_back(NowMs(), label);
      return 0L;
    });
  }
  EXPECT_TRUE(stream->AddLabel(1000));
  EXPECT_TRUE(stream->AddLabel(3000));
  EXPECT_TRUE(stream->AddLabel(1000));
  EXPECT_EQ(stream->GetLabels(), (std::vector<unsigned long>{1000, 3000}));

  ASSERT_TRUE(stream->Play());
  EXPECT_FALSE(stream->AddLabel(500));
  EXPECT_EQ(stream->ScheduledLabelCount(), 2u);
  Run(2000);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0].second, 1000u);
  EXPECT_GE(fired[0].first, 1000u);
  EXPECT_LE(fired[0].first, 1020u);
  EXPECT_EQ(stream->GetLabels(), (std::vector<unsigned long>{3000}));

  ASSERT_TRUE(stream->Stop());
  EXPECT_EQ(stream->ScheduledLabelCount(), 0u);
  Run(3000);
  EXPECT_EQ(fired.size(), 1u);

  // The next Play schedules the 3000 ms label again, measured from that Play, and not the fired one.
  const std::uint64_t start = NowMs();
  ASSERT_TRUE(stream->Play());
  EXPECT_EQ(stream->ScheduledLabelCount(), 1u);
  Run(3500);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[1].second, 3000u);
  EXPECT_GE(fired[1].first - start, 3000u);
  EXPECT_LE(fired[1].first - start, 3020u);
  EXPECT_EQ(Count(system_->WM_IM_ONLABEL, id), 2);
  EXPECT_TRUE(stream->GetLabels().empty());
}

TEST_F(SoundTest, EndMessageCancelsLabelsOnlyOfAStreamStoppedWhenItIsDispatched) {
  const unsigned id = AddClip("short_44k_stereo.ogg");
  CSoundStream* stream = system_->GetStream(id);
  int pauses = 0;
  stream->PauseSignal.connect([&](unsigned long) { return long(++pauses); });
  ASSERT_TRUE(stream->AddLabel(5000));

  // Ended by itself: the label still scheduled is cancelled, and kept for the next Play.
  system_->Play(id);
  RunUntil(system_->WM_IM_ONSOUNDPOUSE);
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(stream->ScheduledLabelCount(), 0u);
  EXPECT_EQ(stream->GetLabels(), (std::vector<unsigned long>{5000}));

  // Stopped and started again before the end message is dispatched: the new run keeps its label.
  system_->Play(id);
  Run(100);
  system_->Stop(id);
  system_->Play(id);
  EXPECT_EQ(stream->ScheduledLabelCount(), 1u);
  Pump();
  EXPECT_EQ(pauses, 2);
  EXPECT_EQ(stream->ScheduledLabelCount(), 1u);
  EXPECT_TRUE(system_->IsPlaying(id));
}

TEST_F(SoundTest, ALabelFiresWhileAnotherIsCancelledInTheSamePoll) {
  const unsigned a = AddClip("long_11k_mono.ogg");
  const unsigned b = AddClip("long_11k_stereo.ogg");
  CSoundStream* streamA = system_->GetStream(a);
  CSoundStream* streamB = system_->GetStream(b);
  ASSERT_TRUE(streamA->AddLabel(1000));
  ASSERT_TRUE(streamB->AddLabel(1000));
  streamA->Play();  // its label timer comes first in the poll
  // Due at the same moment, after A's label: stops both streams, cancelling B's label timer
  // in the middle of the poll and A's timer after it removed itself.
  const std::uint32_t stopper = window_->AddTimer(1000);
  window_->ConnectTimer(stopper, [&](const IMEvent&) {
    streamA->Stop();
    streamB->Stop();
    window_->RemoveTimer(stopper);
    return 0L;
  });
  streamB->Play();

  Run(1000, 1000);
  EXPECT_EQ(Count(system_->WM_IM_ONLABEL, a), 1);
  EXPECT_EQ(Count(system_->WM_IM_ONLABEL, b), 0);
  EXPECT_TRUE(streamA->GetLabels().empty());
  EXPECT_EQ(streamB->GetLabels(), (std::vector<unsigned long>{1000}));
  EXPECT_EQ(streamB->ScheduledLabelCount(), 0u);
  Run(2000);
  EXPECT_EQ(Count(system_->WM_IM_ONLABEL, a), 1);
  EXPECT_EQ(Count(system_->WM_IM_ONLABEL, b), 0);
}

}  // namespace

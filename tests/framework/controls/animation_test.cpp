#include "framework/controls/animation.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/dialog.h"
#include "framework/platform/headless/headless.h"
#include "framework/resources/test_support.h"
#include "framework/views/ogg_test_clip.h"
#include "framework/views/theora_decoder.h"
#include "framework/views/yuv_conversion.h"
#include "media/embedded.h"

namespace {

using platform::headless::SetTimeMs;

class AnimationTest : public test_support::ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    root = std::make_unique<IMDialog>(nullptr, nullptr, 0);
  }
  void TearDown() override {
    root->OnClose(IMEvent(root.get(), IM_EVENT_CLOSE));
    root.reset();
    ManagerTest::TearDown();
  }

  // A sequence of `count` pictures F0, F1, ... on the root.
  IMAnimationBase<IMSequenceView>* Sequence(int count) {
    auto* animation = new IMAnimationBase<IMSequenceView>(root.get());
    for (int i = 0; i < count; ++i) {
      const std::wstring name = L"F" + std::to_wstring(i);
      if (rm->FindTexture(name) == kNoTexture) {
        test_support::MakeTexture(name, 4, 4, [](int, int) { return 0xFF000000u; });
      }
      animation->AddFrame(name);
    }
    return animation;
  }
  // Records every signal with the frame shown at that moment.
  template <class A>
  void Listen(A* animation) {
    animation->StartedSignal.connect([this, animation](const IMEvent& e) {
      EXPECT_EQ(e.sender, animation);
      log.push_back("started");
      return 0L;
    });
    animation->ConnectOnFrame([this, animation](const IMEvent& e) {
      EXPECT_EQ(e.message, 0u);
      log.push_back("frame while " + std::to_string(animation->GetFrame()));
      return 0L;
    });
    animation->ConnectOnFinished([this](const IMEvent&) {
      log.push_back("finished");
      return 0L;
    });
  }
  void UpdateAt(std::uint64_t ms) {
    SetTimeMs(ms);
    root->Update(IMEvent(root.get(), IM_EVENT_UPDATE));
  }

  std::unique_ptr<IMDialog> root;
  std::vector<std::string> log;
};

TEST_F(AnimationTest, FramesFollowTheClockOnePeriodEach) {
  auto* animation = Sequence(10);
  EXPECT_EQ(root->GetChildLayer(animation), 21);
  EXPECT_EQ(animation->period, 2400) << "25 frames a second";
  animation->SetEndFrame(9);
  Listen(animation);
  SetTimeMs(1000);
  animation->Play();
  EXPECT_EQ(log, (std::vector<std::string>{"started", "frame while 0"}));

  log.clear();
  UpdateAt(1000);
  UpdateAt(1039);
  EXPECT_TRUE(log.empty()) << "frame 0 is already shown";
  UpdateAt(1200);
  EXPECT_EQ(animation->GetFrame(), 5);
  EXPECT_EQ(log, (std::vector<std::string>{"frame while 0"})) << "announced before it is shown";
  log.clear();
  for (std::uint64_t t = 1200; t < 1400; t += 8) UpdateAt(t);
  EXPECT_EQ(animation->GetFrame(), 9);
  EXPECT_EQ(log, (std::vector<std::string>{"frame while 5", "frame while 6", "frame while 7", "frame while 8"}))
      << "each new frame once, however many passes it lasts";
}

TEST_F(AnimationTest, FinishesOnceAfterItsEndFrameAndPlaysAgainFromItsStart) {
  auto* animation = Sequence(6);
  animation->SetStartFrame(2);
  animation->SetEndFrame(5);
  animation->period = 20000;  // 3 frames a second
  Listen(animation);
  animation->Play();
  std::vector<int> shown;
  for (std::uint64_t t = 10; t < 3000; t += 50) {
    UpdateAt(t);
    if (shown.empty() || shown.back() != animation->GetFrame()) shown.push_back(animation->GetFrame());
  }
  EXPECT_EQ(shown, (std::vector<int>{2, 3, 4, 5})) << "the last frame stays";
  EXPECT_EQ(std::count(log.begin(), log.end(), "finished"), 1);
  EXPECT_EQ(log.back(), "finished");

  // Played again, and again in the middle of the run: each time from the start frame.
  log.clear();
  animation->Play();
  UpdateAt(3000);
  EXPECT_EQ(animation->GetFrame(), 2);
  UpdateAt(3700);
  EXPECT_EQ(animation->GetFrame(), 4);
  animation->Play();
  UpdateAt(3710);
  EXPECT_EQ(animation->GetFrame(), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "finished"), 0);

  // An end before the start leaves nothing to play.
  animation->SetStartFrame(5);
  animation->SetEndFrame(4);
  animation->Play();
  UpdateAt(9000);
  EXPECT_EQ(animation->GetFrame(), 2);
}

TEST_F(AnimationTest, AnEndFrameOnePastTheLastIsAnnouncedOnce) {
  auto* animation = Sequence(4);
  animation->SetEndFrame(4);
  ASSERT_EQ(animation->GetEndFrame(), 4) << "the frame count itself is a valid end";
  Listen(animation);
  animation->Play();
  for (std::uint64_t t = 0; t < 400; t += 5) UpdateAt(t);
  EXPECT_EQ(log, (std::vector<std::string>{"started", "frame while 0", "frame while 0", "frame while 1",
                                           "frame while 2", "frame while 3", "finished"}))
      << "the missing fifth frame once, however many passes its period lasts";
  EXPECT_EQ(animation->GetFrame(), 3);
}

// FNV-1a over the top-left width x height pixels, the fourth byte left out.
std::uint64_t Fingerprint(const void* bits, int pitch, int width, int height) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(bits) + y * pitch);
    for (int x = 0; x < width; ++x) hash = (hash ^ (row[x] & 0xFFFFFFu)) * 0x100000001B3u;
  }
  return hash;
}

class VideoAnimationTest : public AnimationTest {
 protected:
  IMAnimationBase<IMTheoraView>* Video(std::span<const unsigned char> clip) {
    auto* animation = new IMAnimationBase<IMTheoraView>(root.get());
    animation->Open(clip.data(), static_cast<int>(clip.size()));
    Listen(animation);
    return animation;
  }
  // Frames seen, passes every 10 ms from `from` until the animation finishes or 3 s pass.
  std::vector<int> Run(IMAnimationBase<IMTheoraView>* animation, std::uint64_t from) {
    std::vector<int> shown;
    for (std::uint64_t t = from; t < from + 3000 && (log.empty() || log.back() != "finished"); t += 10) {
      UpdateAt(t);
      if (shown.empty() || shown.back() != animation->GetFrame()) shown.push_back(animation->GetFrame());
    }
    return shown;
  }
};

// A fingerprint of each frame of the clip, decoded on its own, to tell which frame is on screen.
std::map<std::uint64_t, int> FrameFingerprints(std::span<const unsigned char> clip, int width, int height) {
  IMTheoraDecoder decoder;
  decoder.Open(clip.data(), static_cast<int>(clip.size()));
  std::map<std::uint64_t, int> frames;
  std::vector<std::uint32_t> pixels;
  for (int n = 0; decoder.DecodeNext(); ++n) {
    const yuv_buffer& yuv = decoder.Picture();
    pixels.assign(static_cast<std::size_t>(yuv.y_width) * yuv.y_height, 0);
    ConvertYuv420ToX8R8G8B8(IMYuvPlanes{yuv.y, yuv.u, yuv.v, yuv.y_stride, yuv.uv_stride}, yuv.y_width,
                            yuv.y_height, pixels.data(), yuv.y_width * 4);
    frames[Fingerprint(pixels.data(), yuv.y_width * 4, width, height)] = n;
  }
  return frames;
}

TEST_F(VideoAnimationTest, APraiseClipShowsItsFirstFrameAtOnceAndEveryFrameForOnePeriodInOrder) {
  const auto clip = media::FindBuiltIn(L"praise_clip_3");
  const std::map<std::uint64_t, int> frames = FrameFingerprints(clip, 320, 200);
  ASSERT_EQ(frames.size(), 30u) << "thirty frames, each its own picture";
  auto* animation = Video(clip);
  EXPECT_EQ(root->GetChildLayer(animation), 0);
  animation->period = 5000;  // the praise's 12 frames a second
  // The frame on screen, -1 for a picture that is no frame of the clip.
  auto shown = [&] {
    std::uint64_t print = 0;
    rm->LockTexture(animation->GetTextureId(),
                    [&](void* bits, int pitch, int) { print = Fingerprint(bits, pitch, 320, 200); });
    const auto it = frames.find(print);
    return it == frames.end() ? -1 : it->second;
  };
  EXPECT_EQ(shown(), 0) << "on screen before the first idle pass";

  SetTimeMs(500);
  animation->Play();
  // Four idle passes a period, until it finishes; each period shows the frame of its number.
  std::vector<int> seen;
  std::vector<int> expected;
  std::uint64_t t = 0;
  for (; t < 4000 && log.back() != "finished"; t += 20) {
    UpdateAt(500 + t);
    const int period = static_cast<int>(t * 60 / 5000);
    if (period >= 30) break;
    seen.push_back(shown());
    expected.push_back(period);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(animation->GetEndFrame(), 29);
  EXPECT_EQ(log.back(), "finished");
  EXPECT_EQ(t, 2500u) << "at the first pass after thirty periods";
  EXPECT_EQ(std::count(log.begin(), log.end(), "frame while 0"), 2) << "Play, then the step to frame 1";
}

TEST_F(VideoAnimationTest, ABrokenFrameFinishesTheAnimationInsteadOfEndingTheProgram) {
  std::vector<ogg_test::Bytes> packets = ogg_test::Packets(media::FindBuiltIn(L"praise_clip_1"));
  packets[3 + 10][0] |= 0x80;  // frame 10 cannot be decoded
  const ogg_test::Bytes clip = ogg_test::Pack(packets);
  auto* animation = Video(clip);
  animation->Play();
  const std::vector<int> shown = Run(animation, 0);
  EXPECT_EQ(shown.back(), 9);
  EXPECT_EQ(std::count(log.begin(), log.end(), "finished"), 1);

  // A clip that could not be opened finishes at its first step, so its owner can close it.
  log.clear();
  const unsigned char junk[] = "not a clip";
  auto* unopened = new IMAnimationBase<IMTheoraView>(root.get());
  EXPECT_THROW(unopened->Open(junk, sizeof junk), std::runtime_error);
  Listen(unopened);
  SetTimeMs(5000);
  unopened->Play();
  UpdateAt(5040);
  UpdateAt(9000);
  EXPECT_EQ(log, (std::vector<std::string>{"started", "frame while 0", "frame while 0", "finished"}));
}

TEST_F(VideoAnimationTest, AClipWhoseEndIsFoundWhenItOpensEndsAfterOnePeriod) {
  std::vector<ogg_test::Bytes> packets = ogg_test::Packets(media::FindBuiltIn(L"praise_clip_2"));
  // The headers and one frame, then the headers alone: nothing to step to either way.
  for (const std::size_t frames : {1u, 0u}) {
    packets.resize(3 + frames);
    const ogg_test::Bytes clip = ogg_test::Pack(packets);
    log.clear();
    auto* animation = Video(clip);
    EXPECT_EQ(animation->GetEndFrame(), static_cast<int>(frames) - 1);
    animation->period = 5000;
    SetTimeMs(1000);
    animation->Play();
    for (std::uint64_t t = 1000; t <= 1083; ++t) UpdateAt(t);
    EXPECT_EQ(std::count(log.begin(), log.end(), "finished"), 0) << frames << " frames: within its period";
    UpdateAt(1084);
    EXPECT_EQ(std::count(log.begin(), log.end(), "finished"), 1) << frames << " frames: after its period";
  }
}

}  // namespace

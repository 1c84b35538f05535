#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/platform/headless/headless.h"
#include "framework/platform/sound_output.h"

namespace {

using namespace platform;

TEST(HeadlessSoundTest, BufferPlaysWithTheManualClock) {
  headless::Reset();
  headless::ClearSoundsHeard();
  auto device = OpenSoundDevice();
  ASSERT_TRUE(device);
  EXPECT_FALSE(device->CreateBuffer(PcmFormat{1, 11025}, 11025));  // not whole frames
  auto buffer = device->CreateBuffer(PcmFormat{1, 1000}, 2000);    // 1000 frames, 1 s
  ASSERT_TRUE(buffer);
  void* data = nullptr;
  EXPECT_FALSE(buffer->Lock(1000, 1002, &data));
  ASSERT_TRUE(buffer->Lock(0, 2000, &data));
  for (int i = 0; i < 1000; ++i) static_cast<std::int16_t*>(data)[i] = static_cast<std::int16_t>(i);
  buffer->Unlock();

  std::uint32_t cursor = 1;
  headless::AdvanceMs(300);  // not playing yet: the cursor stays
  ASSERT_TRUE(buffer->GetCurrentPosition(&cursor));
  EXPECT_EQ(cursor, 0u);
  buffer->Play(true);
  headless::AdvanceMs(1250);
  ASSERT_TRUE(buffer->GetCurrentPosition(&cursor));
  EXPECT_EQ(cursor, 250u * 2);
  buffer->Stop();
  headless::AdvanceMs(500);
  const auto heard = headless::SoundsHeard();
  ASSERT_EQ(heard.size(), 1u);
  ASSERT_EQ(heard[0].samples.size(), 1250u);
  EXPECT_EQ(heard[0].samples[999], 999);
  EXPECT_EQ(heard[0].samples[1000], 0);  // looped
  EXPECT_EQ(heard[0].samples[1249], 249);

  headless::SetSoundDeviceAvailable(false);
  EXPECT_FALSE(OpenSoundDevice());
  headless::SetSoundDeviceAvailable(true);
}

TEST(HeadlessSoundTest, WorkersRunOnePassPerStepOrWhenTheirEventIsSet) {
  auto event = CreateWakeEvent();
  std::atomic<int> passes{0};
  std::atomic<int> signalled{0};
  event->WorkerStarting();
  std::thread worker([&] {
    while (true) {
      const bool set = event->Wait(20);
      signalled += set;
      if (++passes == 4) break;
    }
    event->WorkerEnded();
  });
  EXPECT_EQ(headless::LiveSoundWorkers(), 1);
  headless::StepSoundWorkers();
  EXPECT_EQ(passes.load(), 1);
  headless::StepSoundWorkers();
  EXPECT_EQ(passes.load(), 2);
  EXPECT_EQ(signalled.load(), 0);
  event->Set();  // runs a pass without a step
  while (passes.load() < 3) std::this_thread::yield();
  headless::StepSoundWorkers();  // and this one ends the worker
  worker.join();
  EXPECT_EQ(passes.load(), 4);
  EXPECT_EQ(signalled.load(), 1);
  EXPECT_EQ(headless::LiveSoundWorkers(), 0);
  headless::StepSoundWorkers();  // nobody left: returns at once
}

}  // namespace

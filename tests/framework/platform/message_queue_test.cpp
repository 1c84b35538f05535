#include "framework/platform/message_queue.h"

#include <gtest/gtest.h>

#include <thread>

#include "framework/platform/headless/headless.h"

namespace {

class MessageQueueTest : public ::testing::Test {
 protected:
  MessageQueueTest() { platform::headless::Reset(); }
  ~MessageQueueTest() override { platform::headless::Reset(); }
};

TEST_F(MessageQueueTest, QuitComesAfterEveryPostedMessage) {
  platform::PostMessage(nullptr, WM_APP, 1, 0);
  platform::PostQuitMessage(3);
  platform::PostMessage(nullptr, WM_APP, 2, 0);

  platform::Message m;
  ASSERT_TRUE(platform::PeekMessage(&m));
  EXPECT_EQ(m.wParam, 1u);
  ASSERT_TRUE(platform::PeekMessage(&m));
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(platform::PeekMessage(&m));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(platform::PeekMessage(&m));  // the quit is taken once
}

TEST_F(MessageQueueTest, PostsFromOtherThreadsArriveInOrderAndWakeTheWait) {
  platform::MessageQueue queue;
  constexpr int kPerThread = 500;
  std::thread a([&] {
    for (int i = 0; i < kPerThread; ++i) queue.Post(platform::Message{nullptr, WM_APP, static_cast<WPARAM>(i), 1});
  });
  std::thread b([&] {
    for (int i = 0; i < kPerThread; ++i) queue.Post(platform::Message{nullptr, WM_APP, static_cast<WPARAM>(i), 2});
  });

  int next[3] = {0, 0, 0};
  int taken = 0;
  while (taken < 2 * kPerThread) {
    // Each wait returns as soon as a post lands; a long timeout only bounds a broken wake-up.
    ASSERT_TRUE(queue.Wait(std::chrono::seconds(10)));
    platform::Message m;
    while (queue.Peek(&m)) {
      EXPECT_EQ(m.wParam, static_cast<WPARAM>(next[m.lParam]++));
      ++taken;
    }
  }
  a.join();
  b.join();
  EXPECT_TRUE(queue.Empty());
}

TEST_F(MessageQueueTest, RegisteredMessagesAreStablePerNameAndInTheRegisteredRange) {
  UINT play = platform::RegisterWindowMessage(L"test.play");
  UINT label = platform::RegisterWindowMessage(L"test.label");
  EXPECT_GE(play, WM_REGISTERED_FIRST);
  EXPECT_LE(label, WM_REGISTERED_LAST);
  EXPECT_NE(play, label);
  EXPECT_EQ(platform::RegisterWindowMessage(L"test.play"), play);
  EXPECT_EQ(platform::RegisterWindowMessage(L""), 0u);
}

}  // namespace

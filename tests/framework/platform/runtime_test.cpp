#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/platform/utf.h"

namespace {

TEST(RuntimeTest, RandFollowsTheCRuntimeSequence) {
  platform::SeedRand(1);
  std::vector<int> first;
  for (int i = 0; i < 5; ++i) first.push_back(platform::Rand());
  EXPECT_EQ(first, (std::vector<int>{41, 18467, 6334, 26500, 19169}));

  platform::SeedRand(12345);
  for (int i = 0; i < 10000; ++i) {
    int r = platform::Rand();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, platform::kRandMax);
  }
}

TEST(RuntimeTest, CursorIsVisibleWhileTheCountIsNotNegative) {
  platform::headless::Reset();
  EXPECT_TRUE(platform::headless::IsCursorVisible());
  EXPECT_EQ(platform::ShowCursor(false), -1);
  EXPECT_FALSE(platform::headless::IsCursorVisible());
  EXPECT_EQ(platform::ShowCursor(false), -2);
  EXPECT_EQ(platform::ShowCursor(true), -1);
  EXPECT_FALSE(platform::headless::IsCursorVisible());
  EXPECT_EQ(platform::ShowCursor(true), 0);
  EXPECT_TRUE(platform::headless::IsCursorVisible());
  EXPECT_EQ(platform::ShowCursor(true), 1);
  EXPECT_TRUE(platform::headless::IsCursorVisible());
  platform::headless::Reset();
}

TEST(RuntimeTest, KeyStateAndDebugOutput) {
  platform::headless::Reset();
  platform::SetAsyncKeyState(VK_CONTROL, true);
  EXPECT_NE(platform::GetAsyncKeyState(VK_CONTROL) & 0x8000, 0);
  EXPECT_EQ(platform::GetAsyncKeyState('I'), 0);
  EXPECT_EQ(platform::GetAsyncKeyState(-1), 0);
  EXPECT_EQ(platform::GetAsyncKeyState(1000), 0);

  std::wstring captured;
  platform::SetDebugSink([&](const std::wstring& text) { captured += text; });
  platform::OutputDebugString(L" звук играет\n");
  EXPECT_EQ(captured, L" звук играет\n");

  // Without a sink it reaches stderr only when asked for.
  platform::SetDebugSink(nullptr);
  unsetenv(platform::kDebugVariable);
  testing::internal::CaptureStderr();
  platform::OutputDebugString(L"FPS: 23\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv(platform::kDebugVariable, "1", 1);
  testing::internal::CaptureStderr();
  platform::OutputDebugString(L"FPS: 23\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "FPS: 23\n");
  unsetenv(platform::kDebugVariable);
  platform::headless::Reset();
}

TEST(RuntimeTest, ManualClockDrivesEveryTimeSource) {
  platform::headless::Reset();
  platform::headless::AdvanceMs(1500);
  EXPECT_EQ(platform::timeGetTime(), 1500u);
  EXPECT_EQ(platform::QueryPerformanceCounter() * 1000 / platform::QueryPerformanceFrequency(), 1500u);
}

TEST(UtfTest, RoundTripsCyrillicAndReplacesMalformedInput) {
  std::wstring text = L"Игра «Тиморвал» 04517 \U0001F600";
  EXPECT_EQ(platform::FromUtf8(platform::ToUtf8(text)), text);
  EXPECT_EQ(platform::ToUtf8(L"Ж"), "\xD0\x96");
  EXPECT_EQ(platform::FromUtf8("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(platform::FromUtf8("\xD0"), L"\uFFFD");              // cut short
  EXPECT_EQ(platform::FromUtf8("\xC0\x80"), L"\uFFFD\uFFFD");    // overlong
  EXPECT_EQ(platform::FromUtf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // surrogate
}

}  // namespace

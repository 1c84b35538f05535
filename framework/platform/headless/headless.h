#pragma once
// Controls of the in-memory backend that tests and scripted runs use in place of a person
// and a wall clock.

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/platform/platform.h"

namespace platform::headless {

// The manual clock: performance-counter ticks at kTicksPerSecond, starting at 0.
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
void SetTimeMs(std::uint64_t ms);
void AdvanceMs(std::uint64_t ms);
void AdvanceTicks(std::uint64_t ticks);
std::uint64_t NowMs();

// Called whenever the program would wait for input: a test moves the clock or injects
// messages here instead of sleeping.
void SetIdleHook(std::function<void()> hook);

bool IsCursorVisible();

// The pointer in client coordinates, as the window's owner will read it.
void SetCursorPos(int x, int y);
bool IsWindowVisible();
void FailNextWindowCreation();

// The last frame handed to PresentFrame, as 0xAARRGGBB pixels.
struct Frame {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
};
Frame LastFrame();
int PresentCount();

// Back to the start state: clock 0, empty queue, no idle hook, cursor count 0, no keys down.
void Reset();

}  // namespace platform::headless

// The small runtime services shared by every backend: cursor counter, key state, debug
// output and the C runtime's random numbers.

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "framework/platform/backend.h"
#include "framework/platform/platform.h"
#include "framework/platform/utf.h"

namespace platform {

namespace {
std::atomic<int> g_cursorCount{0};
std::array<std::atomic<bool>, 256> g_keysDown{};
std::mutex g_debugMutex;
DebugSink g_debugSink;
unsigned g_randState = 1;
}  // namespace

int ShowCursor(bool show) {
  int count = show ? ++g_cursorCount : --g_cursorCount;
  // Visibility flips only when the count crosses between -1 and 0.
  if ((show && count == 0) || (!show && count == -1)) backend::SetCursorVisible(show);
  return count;
}

std::int16_t GetAsyncKeyState(int vk) {
  if (vk < 0 || vk >= static_cast<int>(g_keysDown.size())) return 0;
  return g_keysDown[vk].load() ? static_cast<std::int16_t>(0x8000) : 0;
}

void SetAsyncKeyState(int vk, bool down) {
  if (vk < 0 || vk >= static_cast<int>(g_keysDown.size())) return;
  g_keysDown[vk].store(down);
}

void OutputDebugString(const std::wstring& text) {
  std::lock_guard lock(g_debugMutex);
  if (g_debugSink) {
    g_debugSink(text);
    return;
  }
  // Debug output is for whoever is looking for it, never the session log by default.
  if (!DebugOutputWanted()) return;
  std::string utf8 = ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

bool DebugOutputWanted() {
  const char* wanted = std::getenv(kDebugVariable);
  return wanted && *wanted;
}

void SetDebugSink(DebugSink sink) {
  std::lock_guard lock(g_debugMutex);
  g_debugSink = std::move(sink);
}

int Rand() {
  g_randState = g_randState * 214013u + 2531011u;
  return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

void SeedRand(unsigned seed) { g_randState = seed; }

}  // namespace platform

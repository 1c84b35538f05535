#include "framework/platform/headless/headless.h"

#include <atomic>
#include <mutex>

#include "framework/platform/backend.h"
#include "framework/platform/message_queue.h"
#include "framework/platform/session_end.h"

namespace platform {

namespace {
std::atomic<std::uint64_t> g_ticks{0};
std::atomic<bool> g_cursorVisible{true};
std::mutex g_hookMutex;
std::function<void()> g_idleHook;
std::atomic<unsigned> g_lastWaitMs{0};
std::string g_sharedDataFolder;
std::string g_workbookWriter;
}  // namespace

namespace backend {
void SetCursorVisible(bool visible) { g_cursorVisible = visible; }
void WakeUp() {}
void WakeFromSignal() {}
std::string SharedDataFolder() { return g_sharedDataFolder; }
std::string WorkbookWriterProgram() { return g_workbookWriter; }
}  // namespace backend

std::uint64_t QueryPerformanceCounter() { return g_ticks.load(); }
std::uint64_t QueryPerformanceFrequency() { return headless::kTicksPerSecond; }
DWORD timeGetTime() { return static_cast<DWORD>(g_ticks.load() / (headless::kTicksPerSecond / 1000)); }

bool PeekMessage(Message* out) {
  PostSessionEnd();
  return MessageQueue::Instance().Peek(out);
}

void WaitForInput(unsigned ms) {
  g_lastWaitMs = ms;
  std::function<void()> hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_idleHook;
  }
  if (hook) hook();
}

namespace headless {

void SetTimeMs(std::uint64_t ms) { g_ticks = ms * (kTicksPerSecond / 1000); }
void AdvanceMs(std::uint64_t ms) { g_ticks += ms * (kTicksPerSecond / 1000); }
void AdvanceTicks(std::uint64_t ticks) { g_ticks += ticks; }
std::uint64_t NowMs() { return g_ticks.load() / (kTicksPerSecond / 1000); }

void SetIdleHook(std::function<void()> hook) {
  std::lock_guard lock(g_hookMutex);
  g_idleHook = std::move(hook);
}

void SetSharedDataFolder(std::string folder) { g_sharedDataFolder = std::move(folder); }
void SetWorkbookWriterProgram(std::string program) { g_workbookWriter = std::move(program); }

unsigned LastWaitMs() { return g_lastWaitMs.load(); }

bool IsCursorVisible() { return g_cursorVisible.load(); }

void Reset() {
  g_ticks = 0;
  g_lastWaitMs = 0;
  SetIdleHook(nullptr);
  SetCursorPos(-1, -1);
  MessageQueue::Instance().Clear();
  while (ShowCursor(true) < 0) {
  }
  while (ShowCursor(false) >= 0) {
  }
  ShowCursor(true);
  for (int vk = 0; vk < 256; ++vk) SetAsyncKeyState(vk, false);
  SetDebugSink(nullptr);
  ResetDevice();
  ForgetSessionEnd();
  SetSharedDataFolder("");
  SetWorkbookWriterProgram("");
}

}  // namespace headless
}  // namespace platform

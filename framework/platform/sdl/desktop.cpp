// The desktop backend. Until the window exists it offers the real clock and an idle wait
// that blocks on the message queue.

#include <chrono>

#include "framework/platform/backend.h"
#include "framework/platform/message_queue.h"

namespace platform {

namespace {
const auto g_start = std::chrono::steady_clock::now();

std::uint64_t NanosSinceStart() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - g_start).count());
}
}  // namespace

namespace backend {
void SetCursorVisible(bool) {}
void WakeUp() {}
}  // namespace backend

std::uint64_t QueryPerformanceCounter() { return NanosSinceStart(); }
std::uint64_t QueryPerformanceFrequency() { return 1'000'000'000; }
DWORD timeGetTime() { return static_cast<DWORD>(NanosSinceStart() / 1'000'000); }

bool PeekMessage(Message* out) { return MessageQueue::Instance().Peek(out); }

void WaitForInput(unsigned ms) { MessageQueue::Instance().Wait(std::chrono::milliseconds(ms)); }

}  // namespace platform

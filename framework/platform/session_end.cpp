#include "framework/platform/session_end.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "framework/platform/backend.h"
#include "framework/platform/system_window.h"

namespace platform {

namespace {

constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGTERM};

// Written by the handler, read by the loop: the first signal is the one the process ends by.
volatile std::sig_atomic_t g_signal = 0;
std::atomic<bool> g_displayLost{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler's context");
// The loop's own: the window gets one close however many ends follow.
bool g_closePosted = false;
bool g_watching = false;
struct sigaction g_previous[std::size(kEndingSignals)];

void OnEndingSignal(int signal) {
  if (g_signal == 0) g_signal = signal;
  backend::WakeFromSignal();
}

}  // namespace

void WatchSessionEnd() {
  ForgetSessionEnd();
  if (g_watching) return;
  g_watching = true;
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  // The save that follows goes on through any later signal: calls it makes are restarted.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kEndingSignals) sigaddset(&action.sa_mask, signal);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    sigaction(kEndingSignals[i], nullptr, &g_previous[i]);
    if (g_previous[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &action, nullptr);
  }
}

void StopWatchingSessionEnd() {
  if (!g_watching) return;
  g_watching = false;
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &g_previous[i], nullptr);
}

void NoteDisplayLost() { g_displayLost = true; }

bool DisplayLost() { return g_displayLost; }

void PostSessionEnd() {
  if (g_closePosted || (g_signal == 0 && !g_displayLost)) return;
  const HWND window = MainWindowHandle();
  if (!window) return;
  g_closePosted = true;
  PostMessage(window, WM_CLOSE, 0, 0);
}

void ForgetSessionEnd() {
  g_signal = 0;
  g_displayLost = false;
  g_closePosted = false;
}

int EndSession() {
  if (g_displayLost) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "The display%s%s went away; the session ended as a close ends it\n",
                 display ? " " : "", display ? display : "");
  }
  if (const int signal = g_signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
  }
  return g_displayLost ? kDisplayLostExitCode : 0;
}

}  // namespace platform

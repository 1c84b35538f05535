#pragma once
// The operating-system services the framework uses, under our own names. Functions marked
// "backend" are defined by the linked backend (headless or sdl); the rest live in the shared core.

#include <cstdint>
#include <functional>
#include <string>

#include "framework/platform/win_types.h"

namespace platform {

struct Message {
  HWND hwnd = nullptr;
  UINT message = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// --- Message queue -------------------------------------------------------------------------
// Thread-safe; a post from any thread wakes WaitForInput.
void PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT (wParam = the code) is delivered once every message posted before it is taken.
void PostQuitMessage(int exitCode);
// Non-blocking; backend (the desktop backend first turns pending system events into messages).
bool PeekMessage(Message* out);
// Waits at most `ms` (INFINITE: no limit) for input or a post; backend.
void WaitForInput(unsigned ms);
// A unique number in 0xC000..0xFFFF per name; the same name always gives the same number.
UINT RegisterWindowMessage(const std::wstring& name);

// --- Clock (backend) -----------------------------------------------------------------------
std::uint64_t QueryPerformanceCounter();
std::uint64_t QueryPerformanceFrequency();
// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD timeGetTime();

// --- Cursor and keys ------------------------------------------------------------------------
// The cursor's display counter: visible while the count is >= 0. Returns the new count.
int ShowCursor(bool show);
// Bit 0x8000 set while the key is down.
std::int16_t GetAsyncKeyState(int vk);
// Called by the backends as keys go down and up.
void SetAsyncKeyState(int vk, bool down);

// --- Debug output ----------------------------------------------------------------------------
// Written to stderr as UTF-8 when the environment variable below is set and not empty, or to
// the sink a test installed.
constexpr char kDebugVariable[] = "MOUSE_WHEEL_CRANE_DEBUG";
void OutputDebugString(const std::wstring& text);
bool DebugOutputWanted();
using DebugSink = std::function<void(const std::wstring&)>;
void SetDebugSink(DebugSink sink);

// --- C runtime random numbers -----------------------------------------------------------------
// The Microsoft C runtime's generator: 15-bit results (RAND_MAX 32767), same sequence per seed.
constexpr int kRandMax = 32767;
int Rand();
void SeedRand(unsigned seed);

}  // namespace platform

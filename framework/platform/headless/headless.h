#pragma once
// Controls of the in-memory backend that tests and scripted runs use in place of a person
// and a wall clock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
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
// How long, in milliseconds, the program last asked to wait for input (the wait never blocks).
unsigned LastWaitMs();

bool IsCursorVisible();

// The pointer in client coordinates, as the window's owner will read it. Entering the window's
// client area posts a move there, leaving it WM_MOUSELEAVE.
void SetCursorPos(int x, int y);
bool IsWindowVisible();
void FailNextWindowCreation();
// The display goes away for good (the X server ended: logout, shutdown): the device is lost from
// then on, and the session ends as a close ends it.
void LoseDisplay();

// --- The drawing device ----------------------------------------------------------------------
// While lost, the device reports itself lost, Present fails and no new device can be made.
void SetDeviceLost(bool lost);
// Bytes of texture memory all devices may hold together; beyond it texture creation reports
// out of video memory.
void SetVideoMemoryBudget(std::size_t bytes);
constexpr std::size_t kUnlimitedVideoMemory = static_cast<std::size_t>(-1);
// The window's client size, which a windowed device takes (800x600 unless set).
void SetClientSize(int width, int height);

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows of `width`
  std::uint64_t presentCount = 0;
  RECT changed{};  // the part the last present took over
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// The last frame presented.
const Frame& PresentedFrame();
// Called after every present, with the frame taken over.
void SetPresentHook(std::function<void()> hook);
// Device not lost, no memory limit, client 800x600, no frame presented.
void ResetDevice();

// --- Sound output ---------------------------------------------------------------------------
// With no device, opening the sound device fails (as on a machine without a sound card).
void SetSoundDeviceAvailable(bool available);
// The open device goes away (unplugged): it reports itself lost, and its buffers go on
// consuming at the real rate unheard. Whether another can be opened is up to the above.
void RemoveSoundDevice();
// Lets every sound worker that is waiting run one pass, and returns when each has finished it
// (or ended). Workers whose event is set run without a step.
void StepSoundWorkers();
// Workers started and not yet ended.
int LiveSoundWorkers();

// What a sound buffer has played so far, in its own format: buffers advance with the manual
// clock while they play.
struct HeardSound {
  int channels = 0;
  int rate = 0;
  bool playing = false;
  std::vector<std::int16_t> samples;
};
// One entry per buffer made since the last ClearSoundsHeard, in the order they were made.
std::vector<HeardSound> SoundsHeard();
void ClearSoundsHeard();

// --- Printing ---------------------------------------------------------------------------------
// A printer of the spooler; its page is the printable area in device pixels (A4 at 600 dpi
// unless set).
struct Printer {
  std::wstring name;
  int width = 4961;
  int height = 7016;
  int dpi = 600;
};
// The spooler's printers in order, and the default one's name (empty: none).
void SetPrinters(std::vector<Printer> printers, std::wstring defaultName);

// Makes every later call of that step fail, until ResetPrinting.
enum class PrintStep { kStartDoc, kStartPage, kText, kEndPage, kEndDoc };
void FailPrintStep(PrintStep step);

struct PrintedText {
  int x = 0;
  int y = 0;
  std::wstring text;
};
struct PrintedPage {
  std::vector<PrintedText> texts;
  bool ended = false;
};
struct PrintedDocument {
  enum class State { kOpen, kPrinted, kAborted };
  std::wstring printer;
  std::wstring name;
  int width = 0;
  int height = 0;
  int dpi = 0;
  std::vector<PrintedPage> pages;
  State state = State::kOpen;
};
// Every document started since the last ResetPrinting, in order.
std::vector<PrintedDocument> PrintedDocuments();
// No printers, no documents, no failing steps.
void ResetPrinting();

// The installed package's shared data folder as the program would see it ("", the start
// state: none), so no test reaches the one a package may have made on this machine.
void SetSharedDataFolder(std::string folder);
// The program that writes the workbook in that folder ("" at the start).
void SetWorkbookWriterProgram(std::string program);

// Back to the start state: clock 0, empty queue, no idle hook, cursor count 0, no keys down,
// the device's surroundings as after ResetDevice, the display there and no signal noted, no
// shared data folder nor its writer.
void Reset();

}  // namespace platform::headless

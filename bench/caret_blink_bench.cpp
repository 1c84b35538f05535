// One blink of the name field's caret on the information screen as the program opens it: the
// blink timer turns the caret off or on, and the frame that shows it is drawn and presented
// headless.

#include <benchmark/benchmark.h>

#include "bench/crane_program.h"
#include "framework/controls/text_edit.h"

namespace {

void CaretBlinkFrame(benchmark::State& state) {
  bench::CraneProgram program;
  IMWindow* window = program.window();
  const std::uint64_t presents = platform::headless::PresentedFrame().presentCount;
  for (auto _ : state) {
    platform::headless::AdvanceMs(IMTextEdit::kBlinkIntervalMs);
    window->PollTimers();
    window->RenderFrame();
  }
  // One frame a blink, or the caret is not blinking and nothing was measured.
  state.counters["presents per blink"] =
      static_cast<double>(platform::headless::PresentedFrame().presentCount - presents) /
      static_cast<double>(state.iterations());
}
BENCHMARK(CaretBlinkFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

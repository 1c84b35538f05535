// A full redraw of the exercise's hangar through the whole control tree: the real program
// started with a name and taken past the instruction, its window, the scene dialog and its
// pictures drawn by the software device and presented headless.

#include <benchmark/benchmark.h>

#include "bench/crane_program.h"

namespace {

void HangarRedraw(benchmark::State& state) {
  bench::CraneProgram program;
  if (!program.ToTheHangar()) {
    state.SkipWithError("the hangar is not on the screen");
    return;
  }
  IMWindow* window = program.window();
  for (auto _ : state) {
    window->SetChanged(true);
    window->RenderFrame();
  }
}
BENCHMARK(HangarRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

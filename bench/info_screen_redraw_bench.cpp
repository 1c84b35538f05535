// A full redraw of the information screen as the program opens it: its background, the
// course's texts, the description, the name field and the buttons, through the whole control
// tree, drawn by the software device and presented headless.

#include <benchmark/benchmark.h>

#include "bench/crane_program.h"

namespace {

void InfoScreenRedraw(benchmark::State& state) {
  bench::CraneProgram program;
  IMWindow* window = program.window();
  for (auto _ : state) {
    window->SetChanged(true);
    window->RenderFrame();
  }
}
BENCHMARK(InfoScreenRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

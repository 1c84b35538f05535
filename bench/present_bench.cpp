// CPU per presented frame in the desktop backend's full-screen window, for a caret-sized and a
// whole-frame change, counted over the whole process (a GL driver presents on threads of its
// own). Needs a display: run it under Xvfb at the screen sizes of interest.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/platform/backend.h"
#include "framework/platform/system_window.h"

namespace {

void Present(benchmark::State& state, RECT changed) {
  platform::WindowSpec spec;
  spec.caption = L"present_bench";
  std::string error;
  if (!platform::backend::CreateNativeWindow(spec, &error)) {
    state.SkipWithError(("no window: " + error).c_str());
    return;
  }
  platform::backend::ShowNativeWindow();
  std::vector<std::uint32_t> frame(800 * 600, 0xFF336699);
  platform::backend::PresentFrame(frame.data(), 800, 600, RECT{0, 0, 800, 600});
  std::uint32_t colour = 0;
  for (auto _ : state) {
    // What changed really changes, so no layer can skip the work.
    colour ^= 0x00FFFFFF;
    for (int y = changed.top; y < changed.bottom; ++y) {
      std::fill(frame.begin() + y * 800 + changed.left, frame.begin() + y * 800 + changed.right, colour);
    }
    platform::backend::PresentFrame(frame.data(), 800, 600, changed);
  }
  platform::backend::DestroyNativeWindow();
}

// The information screen's caret: 2x20 pixels.
void CaretPresent(benchmark::State& state) { Present(state, RECT{300, 200, 302, 220}); }
void FullPresent(benchmark::State& state) { Present(state, RECT{0, 0, 800, 600}); }
BENCHMARK(CaretPresent)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(FullPresent)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

}  // namespace

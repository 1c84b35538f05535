// A full redraw of the hangar through the whole control tree: the program's window, the
// exercise's dialog and its pictures, drawn by the software device and presented headless.

#include <benchmark/benchmark.h>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"

namespace {

void HangarRedraw(benchmark::State& state) {
  platform::headless::Reset();
  platform::headless::SetCursorPos(400, 300);
  App* app = App::Instance(L"04517 Игра «Тиморвал»", false);
  app->ShowInfoScreen();
  IMWindow* window = app->window;
  for (auto _ : state) {
    window->SetChanged(true);
    window->RenderFrame();
  }
  window->Close();
  App::Release();
}
BENCHMARK(HangarRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

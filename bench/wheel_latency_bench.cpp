// From a wheel message taken off the queue to the end of the Present that shows its effect:
// the hangar's pictures in a screen of the main window, a handler that moves the magnet ten
// pixels per notch, one pass of the message loop over the headless window and software device.

#include <benchmark/benchmark.h>

#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/views/texture_view.h"
#include "framework/window/window.h"

namespace {

void WheelToPresent(benchmark::State& state) {
  platform::headless::Reset();
  IMWindow* window = IMWindow::Create(nullptr, L"bench", false);
  IMDialog* scene = IMDialog::AddDialog(window, 0, 0, 800, 600, 0);
  scene->AddPicture(0, 0, L"102", 0, 0xFFFFFFFF);
  const DWORD tints[] = {0xFFB900E6, 0xFF0052DE, 0xFF00CFDE, 0xFF00CC12, 0xFFDCE900, 0xFFE96600};
  const POINT plates[] = {{83, 509}, {221, 509}, {90, 477}, {230, 477}, {170, 445}, {148, 413}};
  for (int i = 0; i < 6; ++i) scene->AddPicture(plates[i].x, plates[i].y, L"103", 0, tints[i]);
  scene->AddPicture(476, 390, L"109", 10, 0xFFFFFFFF);
  scene->AddPicture(0, 0, L"107", 10, 0xFFFFFFFF);
  scene->AddPicture(139, 21, L"105", 5, 0xFFFFFFFF);
  auto* magnet = scene->AddPicture(135, 235, L"106", 4, 0xFFFFFFFF);
  auto* arrows = scene->AddPicture(182, 45, L"108", 6, 0xFFFFFFFF);
  arrows->angle = 1.5707964f;
  int y = 235;
  scene->ConnectOnMouse([&](const IMMouseEvent& e) {
    if (e.message == WM_MOUSEWHEEL) {
      y += GET_WHEEL_DELTA_WPARAM(e.wParam) > 0 ? 10 : -10;
      if (y > 400 || y < 100) y = 235;
      magnet->SetPosition(135, y);
    }
    return 0L;
  });
  platform::headless::SetIdleHook([] { platform::PostQuitMessage(0); });
  platform::PostMessage(IMWindow::Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
  IMWindow::Run(window);

  int sign = 1;
  for (auto _ : state) {
    platform::PostMessage(IMWindow::Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(sign * 120)),
                          MAKELPARAM(300, 300));
    sign = -sign;
    IMWindow::Run(window);
  }
  state.counters["presents"] = static_cast<double>(platform::headless::PresentedFrame().presentCount);
  platform::headless::SetIdleHook(nullptr);
  window->Close();
  delete window;
}
BENCHMARK(WheelToPresent)->Unit(benchmark::kMicrosecond);

}  // namespace

// The frames the crane program shows over the headless backend for the smoke test's steps:
// the information screen, the hangar once Enter and Esc have passed the instruction, after
// three wheel turns away from the user, after a wheel press, and the information screen again
// once F12's exit menu has been left through Retry.

#include <cstdio>
#include <string>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "support/png_file.h"

namespace {

void Pump(IMWindow* window) {
  platform::headless::SetIdleHook([] { platform::PostQuitMessage(0); });
  IMWindow::Run(window);
}

bool Save(const std::string& path) {
  const auto& frame = platform::headless::PresentedFrame();
  testing_support::PngImage image{frame.width, frame.height, frame.pixels};
  for (auto& p : image.pixels) p |= 0xFF000000;
  return testing_support::WritePng(path, image);
}

void Post(UINT message, WPARAM wParam, int x = 400, int y = 300) {
  platform::PostMessage(IMWindow::Handle(), message, wParam, MAKELPARAM(x, y));
}

void Press(WPARAM key) {
  Post(WM_KEYDOWN, key);
  Post(WM_KEYUP, key);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PREFIX\n", argv[0]);
    return 2;
  }
  const std::string prefix = argv[1];
  platform::headless::SetCursorPos(400, 300);
  App* app = App::Instance(std::wstring(App::kCatalogueNumber) + L" " + App::kTitle, false);
  app->ShowInfoScreen();
  Pump(app->window);
  bool ok = Save(prefix + "0.png");
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    Press(key);
    Pump(app->window);
  }
  Pump(app->window);
  ok = Save(prefix + "1.png") && ok;
  for (int i = 0; i < 3; ++i) Post(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
  Pump(app->window);
  ok = Save(prefix + "2.png") && ok;
  Post(WM_MBUTTONDOWN, MK_MBUTTON);
  Post(WM_MBUTTONUP, 0);
  Pump(app->window);
  ok = Save(prefix + "3.png") && ok;
  Press(VK_F12);
  Pump(app->window);
  // Retry's button in the middle of the exit menu.
  platform::headless::SetCursorPos(396, 243);
  Post(WM_MOUSEMOVE, 0, 396, 243);
  Post(WM_LBUTTONDOWN, MK_LBUTTON, 396, 243);
  Post(WM_LBUTTONUP, 0, 396, 243);
  Pump(app->window);
  ok = Save(prefix + "4.png") && ok;
  app->window->Close();
  App::Release();
  return ok ? 0 : 1;
}

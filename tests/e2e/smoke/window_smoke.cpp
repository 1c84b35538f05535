// The demonstration screen in a real window (desktop backend) logging what it receives, or,
// built with the headless backend, the frame the same screen gives with the pointer over the
// start button.

#include <cstdio>
#include <memory>

#include "e2e/smoke/demo_screen.h"
#include "framework/platform/platform.h"
#include "framework/window/window.h"

#ifdef IM_HEADLESS
#include "framework/platform/headless/headless.h"
#include "support/png_file.h"
#endif

namespace {

class Log {
 public:
  explicit Log(const char* path) : file_(std::fopen(path, "w")) {}
  ~Log() {
    if (file_) std::fclose(file_);
  }
  long Button(const IMMouseEvent& e) {
    std::fprintf(file_, "button %u %u %d %d %d\n", e.message, LOWORD(e.wParam),
                 static_cast<int>(GET_WHEEL_DELTA_WPARAM(e.wParam)), e.x, e.y);
    std::fflush(file_);
    return 0;
  }
  long Key(const IMKeyboardEvent& e) {
    std::fprintf(file_, "key %u %u\n", e.message, e.wParam);
    std::fflush(file_);
    return 0;
  }

 private:
  std::FILE* file_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  IMWindow* window = IMWindow::Create(nullptr, L"04517 Игра «Тиморвал»", false);
  BuildDemoScreen(window);
#ifdef IM_HEADLESS
  // The pointer rests over the start button, as the real run leaves it for its screenshot.
  platform::PostMessage(IMWindow::Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(kDemoStartButtonX + 42, kDemoStartButtonY + 23));
  platform::headless::SetIdleHook([] { platform::PostQuitMessage(0); });
  IMWindow::Run(window);
  const auto& frame = platform::headless::PresentedFrame();
  testing_support::PngImage image{frame.width, frame.height, frame.pixels};
  for (auto& p : image.pixels) p |= 0xFF000000;
  bool written = testing_support::WritePng(argv[1], image);
  window->Close();
  delete window;
  return written ? 0 : 1;
#else
  auto log = std::make_unique<Log>(argv[1]);
  window->ConnectOnMouse([&](const IMMouseEvent& e) { return log->Button(e); });
  window->ConnectOnKey([&](const IMKeyboardEvent& e) { return log->Key(e); });
  IMWindow::Run(window);
  delete window;
  return 0;
#endif
}

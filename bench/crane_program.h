#pragma once
// The crane program over the headless backend, driven the way a pupil starts it: the
// information screen, a name typed, Enter, Esc past the instruction, and the exercise's hangar
// is on the screen. Its workbook goes to a data folder of its own, removed at the end.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"

namespace bench {

class CraneProgram {
 public:
  CraneProgram() : data_(std::filesystem::temp_directory_path() / ("crane_bench_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(data_);
    setenv("XDG_DATA_HOME", data_.c_str(), 1);
    platform::headless::Reset();
    platform::SetDebugSink([](const std::wstring&) {});
    platform::headless::SetCursorPos(400, 300);
    app_ = App::Instance(std::wstring(App::kCatalogueNumber) + L" " + App::kTitle, false);
    app_->ShowInfoScreen();
    Pump();
  }
  ~CraneProgram() {
    app_->window->Close();
    App::Release();
    platform::headless::Reset();
    unsetenv("XDG_DATA_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(data_, ignored);
  }
  CraneProgram(const CraneProgram&) = delete;
  CraneProgram& operator=(const CraneProgram&) = delete;

  // True when the exercise's hangar is what the window shows.
  bool ToTheHangar(const std::wstring& name = L"Маша") {
    for (wchar_t c : name) Send(WM_CHAR, static_cast<WPARAM>(c));
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    return app_->stateDialog != nullptr && app_->GetExerciseScene() != nullptr && !app_->instructionOpen;
  }

  // Three wheel turns away from the user lower the magnet, a wheel press switches to moving
  // along the rail: the rope is stretched and the arrows are turned a quarter turn.
  void LowerAndSwitch() {
    for (int i = 0; i < 3; ++i) Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(400, 300));
    Send(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(400, 300));
    Send(WM_MBUTTONUP, 0, MAKELPARAM(400, 300));
  }

  IMWindow* window() const { return app_->window; }

 private:
  // Until the queue is empty, and once more: what the first idle pass changed is drawn too.
  void Pump() {
    int waits = 0;
    platform::headless::SetIdleHook([&waits] {
      if (++waits == 2) platform::PostQuitMessage(0);
    });
    IMWindow::Run(app_->window);
    platform::headless::SetIdleHook(nullptr);
  }
  void Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    platform::PostMessage(IMWindow::Handle(), message, wParam, lParam);
    Pump();
  }
  void Key(WPARAM vk) {
    Send(WM_KEYDOWN, vk);
    Send(WM_KEYUP, vk);
  }

  std::filesystem::path data_;
  App* app_;
};

}  // namespace bench

#pragma once
// The course over the headless backend, driven the way a pupil and a teacher drive it: messages
// through the window procedure, each followed by the idle passes the loop makes of them.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/platform/utf.h"
#include "framework/resources/golden_image.h"

namespace course {

namespace fs = std::filesystem;

inline const wchar_t kCaption[] = L"04517 Игра «Тиморвал»";

// Drives the one application object of type A (the crane exercise unless a test brings its own).
template <class A = App>
class Driver {
 public:
  Driver() {
    platform::headless::Reset();
    platform::headless::SetCursorPos(400, 300);
    app = A::Instance(kCaption, false);
  }
  ~Driver() {
    app->window->OnClose(IMEvent(app->window, IM_EVENT_CLOSE));
    A::Release();
    platform::headless::Reset();
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // The loop runs until its queue is empty, and once more: what the messages of the first
  // idle pass (timers, sound labels) changed is drawn by the second.
  void Pump() {
    int waits = 0;
    platform::headless::SetIdleHook([&waits] {
      if (++waits == 2) platform::PostQuitMessage(0);
    });
    IMWindow::Run(app->window);
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
  // One character message per UTF-16 unit, as the platform delivers typed text.
  void Type(const std::wstring& text) {
    for (wchar_t c : text) {
      std::u16string units;
      platform::AppendUtf16(units, c);
      for (char16_t unit : units) Send(WM_CHAR, unit);
    }
  }
  // The pointer goes there, and the window hears of it.
  void MoveTo(int x, int y) {
    platform::headless::SetCursorPos(x, y);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  }
  void Click(int x, int y) {
    MoveTo(x, y);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  // The screen on top of the main window's layer 0 where the pointer is.
  IMDialog* ScreenAt(int x, int y) {
    MoveTo(x, y);
    return dynamic_cast<IMDialog*>(app->window->GetHoveredChild());
  }
  IMControl* ControlAt(IMDialog* screen, int x, int y) {
    MoveTo(x, y);
    return screen->GetHoveredChild();
  }
  // Start with the name and Esc past the instruction: the exercise's hangar.
  void ToTheHangar(const std::wstring& name = L"Маша") {
    app->ShowInfoScreen();
    Pump();
    Type(name);
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    ASSERT_NE(app->stateDialog, nullptr);
  }
  // From the information screen with that name past the instruction (Esc) into the exercise,
  // then to the results screen the way the praise's end gets there: the exercise closes.
  IMDialog* RunToResults(const std::wstring& name) {
    app->ShowInfoScreen();
    Pump();
    Type(name);
    Key(VK_RETURN);
    EXPECT_TRUE(app->instructionOpen);
    Key(VK_ESCAPE);
    EXPECT_NE(app->stateDialog, nullptr);
    if (app->stateDialog) app->stateDialog->Close();
    return ScreenAt(400, 300);
  }

  A* app;
};

// The presented frame against golden/<name>.png beside the calling test file (pass __FILE__).
inline std::string Golden(const char* testFile, const char* name) {
  return test_support::CompareWithGoldenIn(fs::path(testFile).parent_path() / "golden",
                                           platform::headless::PresentedFrame(), name);
}

// A fresh shared data folder ($XDG_DATA_HOME) for the workbook, removed afterwards.
class DataFolder {
 public:
  DataFolder() : path(fs::temp_directory_path() / ("course_data_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
    setenv("XDG_DATA_HOME", path.c_str(), 1);
  }
  ~DataFolder() {
    unsetenv("XDG_DATA_HOME");
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path Workbook() const { return path / "VELT" / (std::string("04517 Игра «Тиморвал»") + ".xls"); }

  fs::path path;
};

}  // namespace course

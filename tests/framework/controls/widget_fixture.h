#pragma once
// Widgets over the built-in skin and the software device, under a main window without a system
// window. Input goes through the window procedure the way the message loop delivers it; time
// passes on the manual clock and the timers fire in the idle passes.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "framework/controls/text_edit.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/utf.h"
#include "framework/resources/resource_manager.h"
#include "framework/window/window.h"
#include "framework/resources/golden_image.h"

namespace widgets_test {

class WidgetTest : public ::testing::Test {
 protected:
  WidgetTest() {
    platform::headless::Reset();
    IMResourceManager::Create(false);
    window = std::make_unique<IMWindow>();
    IMTextEdit::ForgetRememberedColumn();
  }
  ~WidgetTest() override {
    // Torn down as the program does it: closed, then deleted.
    window->OnClose(IMEvent(window.get(), IM_EVENT_CLOSE));
    window.reset();
    IMResourceManager::Destroy();
    platform::headless::Reset();
  }

  static LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return IMWindow::WindowProc(IMWindow::Handle(), message, wParam, lParam);
  }
  void MoveTo(int x, int y, WPARAM keys = 0) { Send(WM_MOUSEMOVE, keys, MAKELPARAM(x, y)); }
  // Moves there, presses and releases the button.
  void Click(int x, int y, UINT down = WM_LBUTTONDOWN, WPARAM held = MK_LBUTTON) {
    MoveTo(x, y);
    Send(down, held, MAKELPARAM(x, y));
    Send(down + 1, 0, MAKELPARAM(x, y));
  }
  void KeyDown(WPARAM vk) { Send(WM_KEYDOWN, vk, 1); }
  void KeyUp(WPARAM vk) { Send(WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u)); }
  void Char(WPARAM code) { Send(WM_CHAR, code, 1); }
  // One WM_CHAR per UTF-16 code unit, as the platform delivers typed text.
  void Type(const std::wstring& text) {
    for (wchar_t c : text) {
      std::u16string units;
      platform::AppendUtf16(units, c);
      for (char16_t unit : units) Char(unit);
    }
  }

  // One idle pass of the message loop: update, draw, timers.
  void Idle() {
    window->Update(IMEvent(window.get(), IM_EVENT_UPDATE));
    window->RenderFrame();
    window->PollTimers();
  }
  // Lets the manual clock run, with an idle pass each millisecond step.
  void Wait(int ms) {
    for (int i = 0; i < ms; ++i) {
      platform::headless::AdvanceMs(1);
      window->PollTimers();
    }
  }
  // Draws the whole tree anew and returns the presented frame.
  const platform::headless::Frame& Frame() {
    window->SetChanged(true);
    window->RenderFrame();
    return platform::headless::PresentedFrame();
  }
  static std::string Golden(const platform::headless::Frame& frame, const std::string& name) {
    return test_support::CompareWithGoldenIn(std::filesystem::path(__FILE__).parent_path() / "golden", frame, name);
  }

  std::unique_ptr<IMWindow> window;
};

// A rectangle as "{left, top, right, bottom}", to compare and to read in failures.
inline std::string Str(const RECT& r) {
  std::string text = "{";
  for (long v : {r.left, r.top, r.right, r.bottom}) {
    if (text.size() > 1) text += ", ";
    text += std::to_string(v);
  }
  return text + "}";
}

}  // namespace widgets_test

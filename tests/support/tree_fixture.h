#pragma once
// Small controls, views and a recording device for driving the control tree without a window.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/controls/dialog.h"
#include "framework/platform/device.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/view_control.h"

namespace test {

// Remembers every viewport it is given.
class RecordingDevice : public platform::Device {
 public:
  void GetViewport(platform::Viewport* out) const override { *out = viewport; }
  void SetViewport(const platform::Viewport& v) override {
    viewport = v;
    history.push_back(v);
  }

  platform::Viewport viewport{0, 0, 800, 600, 0.0f, 1.0f};
  std::vector<platform::Viewport> history;
};

// A view that records where and under which clip it would have drawn.
class RecordingView : public IMView {
 public:
  struct DrawCall {
    std::string name;
    int originX;
    int originY;
    RECT clip;
  };

  void Draw() override {
    IMResourceManager* rm = IMResourceManager::Instance();
    platform::Viewport v;
    rm->GetDevice()->GetViewport(&v);
    RECT clip{static_cast<int>(v.X), static_cast<int>(v.Y), static_cast<int>(v.X + v.Width),
              static_cast<int>(v.Y + v.Height)};
    if (log) log->push_back(DrawCall{name, rm->drawOriginX, rm->drawOriginY, clip});
    changed = false;
  }

  std::string name;
  std::vector<DrawCall>* log = nullptr;
};

class Box : public IMViewControl<RecordingView> {
 public:
  Box(IMDialog* parent, const RECT& r, int layer = 0, std::string boxName = "")
      : IMViewControl<RecordingView>(parent, layer) {
    name = std::move(boxName);
    SetRect(r);
  }
  void SetFocusableForTest(bool value) { focusable_ = value; }
};

// A control that counts how often it is destroyed, to catch leaks and double deletes.
class CountedBox : public Box {
 public:
  CountedBox(IMDialog* parent, const RECT& r, int* deaths) : Box(parent, r), deaths_(deaths) {}
  ~CountedBox() override { ++*deaths_; }

 private:
  int* deaths_;
};

// A fresh headless platform, a resource manager over a recording device, and a root dialog
// covering the back buffer. The root is torn down the way the program does it: closed, then
// deleted.
class TreeTest : public ::testing::Test {
 protected:
  TreeTest() : manager(&device, 800, 600) {
    platform::headless::Reset();
    root = std::make_unique<IMDialog>(nullptr, nullptr, 0);
  }
  ~TreeTest() override {
    root->OnClose(IMEvent(root.get(), IM_EVENT_CLOSE));
    root.reset();
  }

  // Input goes through the headless platform's queue and a small window procedure of the
  // test's own, the way the main window will receive it.
  void MoveTo(int x, int y) { Post(WM_MOUSEMOVE, 0, x, y); }
  void Button(UINT message, WPARAM keys, int x, int y) { Post(message, keys, x, y); }
  void Key(UINT message, WPARAM key) {
    platform::PostMessage(nullptr, message, key, 0);
    Pump();
  }
  void Post(UINT message, WPARAM wParam, int x, int y) {
    platform::PostMessage(nullptr, message, wParam, MAKELPARAM(x, y));
    Pump();
  }
  void Pump() {
    platform::Message m;
    while (platform::PeekMessage(&m)) {
      IMDialog* w = root.get();
      int x = GET_X_LPARAM(m.lParam);
      int y = GET_Y_LPARAM(m.lParam);
      if (m.message == WM_MOUSEMOVE) {
        w->OnMouseMove(IMMouseEvent(w, m.message, m.wParam, x, y));
      } else if (m.message >= WM_LBUTTONDOWN && m.message <= WM_MOUSEWHEEL) {
        w->OnMouseButton(IMMouseEvent(w, m.message, m.wParam, x, y));
      } else if (m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP) {
        w->OnKeyboard(IMKeyboardEvent(w, m.message, m.wParam, m.lParam));
      }
    }
  }
  void Update() { root->Update(IMEvent(root.get(), IM_EVENT_UPDATE)); }
  void DrawAll() { root->Draw(IMEvent(root.get(), IM_EVENT_DRAW)); }

  RecordingDevice device;
  IMResourceManager manager;
  std::unique_ptr<IMDialog> root;
};

// Collects a line per handler call, in order.
struct Journal {
  std::vector<std::string> lines;
  void Add(std::string line) { lines.push_back(std::move(line)); }
};

}  // namespace test

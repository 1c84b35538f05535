#include "framework/window/window.h"

#include "framework/platform/platform.h"

IMWindow* IMWindow::instance_ = nullptr;
HWND IMWindow::handle_ = nullptr;

IMWindow::IMWindow() : IMDialog(nullptr, nullptr, 0), timers_(this) { instance_ = this; }

IMWindow::~IMWindow() {
  DeletePendingChildren();
  if (instance_ == this) instance_ = nullptr;
}

long IMWindow::Destroy() {
  platform::PostQuitMessage(0);
  return 0;
}

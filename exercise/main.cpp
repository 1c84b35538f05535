// The program's entry point.

#include "exercise/demo_screen.h"
#include "framework/window/window.h"

int main() {
  IMWindow* window = IMWindow::Create(nullptr, L"04517 Игра «Тиморвал»", false);
  BuildDemoScreen(window);
  IMWindow::Run(window);
  delete window;
  return 0;
}

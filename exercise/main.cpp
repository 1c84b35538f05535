// The program's entry point: the crane exercise in a full-screen window.

#include "exercise/app.h"
#include "framework/platform/session_end.h"

int main() {
  App* app = App::Instance(std::wstring(App::kCatalogueNumber) + L" " + App::kTitle, false);
  app->ShowInfoScreen();
  IMWindow::Run(app->window);
  App::Release();
  return platform::EndSession();
}

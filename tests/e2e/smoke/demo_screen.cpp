#include "e2e/smoke/demo_screen.h"

#include <boost/bind/bind.hpp>

#include "framework/controls/button.h"
#include "framework/views/text_view.h"
#include "framework/window/window.h"

namespace {

IMButton* SkinButton(IMDialog* screen, int x, int y, const std::wstring& base) {
  return screen->AddButton(x, y, base, base, base + L"Nuv", base + L"Klick", 0);
}

}  // namespace

void BuildDemoScreen(IMWindow* window) {
  IMDialog* screen = IMDialog::AddDialog(window, 0, 0, 800, 600, 0);
  screen->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF);
  SkinButton(screen, kDemoStartButtonX, kDemoStartButtonY, L"StartPopStartButton");
  SkinButton(screen, 220, 100, L"PrintButton");
  SkinButton(screen, 340, 100, L"SaveAsButton");
  SkinButton(screen, 100, 200, L"RetryButton");
  SkinButton(screen, 240, 200, L"SubmitButton");
  SkinButton(screen, 380, 200, L"CancelButton");
  // The course's screen text colour, opaque dark blue.
  screen->AddText(100, 165, L"Кнопки и подписи: наведи указатель на кнопку «Начать»", 0)->SetColor(0xFF072134);
  screen->AddPicture(100, 300, L"EscButton", 0, 0xFFFFFFFF);
  screen->AddPicture(150, 300, L"F1Button", 0, 0xFFFFFFFF);
  screen->AddPicture(200, 300, L"F12Button", 0, 0xFFFFFFFF);
  IMButton* close = SkinButton(screen, 600, 500, L"CloseButton");
  // Both end the program the way the screens' Exit and Close buttons do.
  close->ConnectOnClick(boost::bind(&IMControl::Close, window));
  IMButton* exit = screen->AddButton(770, 10, L"ExitButton", L"", L"", L"", 0);
  exit->ConnectOnClick(boost::bind(&IMControl::Close, window));
}

#pragma once
// The screen that ends a run: "ЗАДАНИЕ ВЫПОЛНЕНО", the exercise and the pupil, Print and Save as
// (grey and inert without a workbook), Retry, Close and Exit; Enter plays again.

#include <boost/bind/bind.hpp>

#include "shell/app.h"
#include "shell/screen_parts.h"

namespace results_screen {
// Print and Save as without a workbook.
constexpr DWORD kGreyTint = 0xFF808080;
}  // namespace results_screen

template <class T>
void IMApp<T>::ShowResultsScreen() {
  IMDialog* screen = NewScreen(window);
  resultsScreen_ = screen;
  using boost::placeholders::_1;
  screen->ConnectOnClose(boost::bind(&IMApp::ForgetDialog, this, _1, &resultsScreen_));
  AddCentredLabel(screen, L"ЗАДАНИЕ ВЫПОЛНЕНО", 24, false, 150);
  AddScreenLabel(screen, L"Номер ЦОР:", 18, true, 30, 250);
  AddScreenLabel(screen, catalogueNumber, 18, false, 135, 250);
  AddScreenLabel(screen, L"Название:", 18, true, 30, 300);
  AddScreenLabel(screen, title, 18, false, 135, 300);
  AddScreenLabel(screen, L"Ученик:", 18, true, 30, 350);
  AddScreenLabel(screen, pupilName, 18, false, 135, 350);
  AddScreenLabel(screen, L"Статистика:", 18, true, 30, 465);

  auto workbookButton = [&](int x, const std::wstring& base, long (IMApp::*handler)()) {
    IMSkinButton* button = AddSkinButton(screen, x, 490, base);
    if (workbook) {
      button->ConnectOnClick(boost::bind(handler, this));
    } else {
      button->Disable();
      button->tint = results_screen::kGreyTint;
      button->SetChanged(true);
    }
  };
  workbookButton(30, L"PrintButton", &IMApp::OnPrint);
  workbookButton(128, L"SaveAsButton", &IMApp::OnSaveAs);
  if (!states.empty()) stateName = states.begin()->first;

  IMControl* retry = AddSkinButton(screen, 535, 490, L"RetryButton");
  retry->ConnectOnClick(boost::bind(&IMApp::ShowInfoScreen, this));
  retry->ConnectOnClick(boost::bind(&IMControl::Close, screen));
  AddSkinButton(screen, 660, 490, L"CloseButton")->ConnectOnClick(boost::bind(&IMControl::Close, window));
  screen->AddButton(755, 22, L"ExitButton", L"", L"", L"", 0)->ConnectOnClick(boost::bind(&IMControl::Close, window));
  screen->ConnectOnKey(boost::bind(&IMApp::OnResultsScreenKey, this, _1, screen));
}

// Enter on the results screen starts the exercise again at once, without the instruction.
template <class T>
long IMApp<T>::OnResultsScreenKey(const IMKeyboardEvent& e, IMControl* screen) {
  if (e.wParam != static_cast<WPARAM>(VK_RETURN)) return 0;
  NextState();
  screen->Close();
  return 0;
}

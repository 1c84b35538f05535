#pragma once
// The screen every run begins with: the course's captions, the exercise's number, title and
// scrolling description, the pupil's name, a legend of keys, Start and Exit.

#include <boost/bind/bind.hpp>

#include "framework/controls/edit_bar.h"
#include "framework/controls/scroll.h"
#include "shell/app.h"
#include "shell/handlers.h"
#include "shell/screen_parts.h"

namespace information_screen {

// The description window; a text taller than it scrolls.
constexpr RECT kDescriptionWindow{119, 187, 119 + 593, 187 + 236};
constexpr RECT kScrollBar{712, 187, 726, 427};
// The description is laid out in a label this tall before it takes its text's extent.
constexpr int kLayoutHeight = 415;
// The panel of an empty description.
constexpr int kEmptyPanelHeight = 235;

}  // namespace information_screen

template <class T>
long IMApp<T>::ShowInfoScreen() {
  namespace is = information_screen;
  IMDialog* screen = NewScreen(window);
  AddScreenLabel(screen, L"Номер ЦОР:", 18, true, 30, 115);
  AddScreenLabel(screen, catalogueNumber, 18, false, 135, 115);
  AddScreenLabel(screen, L"Название:", 18, true, 30, 152);
  AddScreenLabel(screen, title, 18, false, 135, 152);
  AddScreenLabel(screen, L"Описание:", 18, true, 30, 188);

  const int width = is::kDescriptionWindow.right - is::kDescriptionWindow.left;
  const int height = is::kDescriptionWindow.bottom - is::kDescriptionWindow.top;
  IMDialog* frame = IMDialog::AddDialog(screen, is::kDescriptionWindow.left, is::kDescriptionWindow.top, width, height, 0);
  IMDialog* panel = IMDialog::AddDialog(frame, 0, 0, width, height, 0);
  auto* text = new IMScreenLabel(panel, 0);
  text->SetFontSize(18);
  text->SetColor(kScreenTextColour);
  text->SetRect(RECT{0, 0, width, is::kLayoutHeight});
  text->wrap = true;
  text->Layout(0);
  text->SetText(description);
  text->SetRect(text->GetSourceRect());
  const RECT extent = text->GetSourceRect();
  const int textHeight = extent.bottom - extent.top;
  panel->SetRect(RECT{0, 0, width, textHeight == 0 ? is::kEmptyPanelHeight : textHeight});
  auto* scroll = new IMScroll(screen, &is::kScrollBar);
  if (textHeight <= height) scroll->Hide();
  scroll->SetRange(0, panel->GetHeight());
  scroll->SetPage(frame->GetHeight());
  using boost::placeholders::_1;
  using boost::placeholders::_2;
  scroll->ConnectOnScroll(boost::bind(&ScrollPanelTo, _2, panel));

  AddScreenLabel(screen, L"Ученик:", 18, true, 30, 460);
  auto* name = new IMEditBar(screen);
  name->SetSize(520, 20);
  name->SetPosition(135, 460);
  name->SetFocus(true);

  IMControl* start = AddSkinButton(screen, 690, 450, L"StartPopStartButton");
  start->ConnectOnClick(boost::bind(&IMApp::StartFromInfoScreen, this, screen, name));
  screen->AddButton(755, 22, L"ExitButton", L"", L"", L"", 0)->ConnectOnClick(boost::bind(&IMControl::Close, window));
  screen->ConnectOnKey(boost::bind(&IMApp::OnInfoScreenKey, this, _1, start, screen, name));

  AddScreenLabel(screen, L"Клавиши:", 18, true, 30, 520);
  screen->AddPicture(135, 517, L"EscButton", 0, 0xFFFFFFFF);
  AddScreenLabel(screen, L"- пропустить инструкцию;", 16, false, 180, 520);
  screen->AddPicture(350, 517, L"F1Button", 0, 0xFFFFFFFF);
  AddScreenLabel(screen, L"- повторить инструкцию;", 16, false, 395, 520);
  screen->AddPicture(555, 517, L"F12Button", 0, 0xFFFFFFFF);
  AddScreenLabel(screen, L"- выход", 16, false, 600, 520);
  if (optionsBuilder) {
    AddSkinButton(screen, 665, 510, L"OptionsButton")
        ->ConnectOnClick(boost::bind(&IMApp::ShowDialog, this, optionsBuilder));
  }
  return 0;
}

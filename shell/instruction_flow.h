#pragma once
// From Start to the exercise: the pupil's workbook and name, the first instruction (Esc closes
// it, its close starts the first state), F1's repeated instruction, and the plain help screen
// an exercise without an instruction of its own shows.

#include <boost/bind/bind.hpp>

#include "framework/controls/edit_bar.h"
#include "shell/app.h"
#include "shell/handlers.h"
#include "shell/screen_parts.h"

namespace instruction_flow {
// The plain help screen closes itself after this long.
constexpr std::uint32_t kPlainInstructionMs = 5000;
}  // namespace instruction_flow

// Enter on the information screen: the same as Start.
template <class T>
long IMApp<T>::OnInfoScreenKey(const IMKeyboardEvent& e, IMControl* /*startButton*/, IMControl* screen,
                               IMEditBar* editBar) {
  if (e.wParam != static_cast<WPARAM>(VK_RETURN)) return 0;
  return StartFromInfoScreen(screen, editBar);
}

// Start and Enter alike: the workbook and the name from the field as it reads now.
template <class T>
long IMApp<T>::StartFromInfoScreen(IMControl* screen, IMEditBar* editBar) {
  CreateResultsBook(editBar->GetText());
  SetStudentName(editBar->GetText());
  StartExercise();
  screen->Close();
  return 0;
}

// The first instruction; its close starts the first state. Esc closes it at any time.
template <class T>
long IMApp<T>::StartExercise() {
  instructionOpen = true;
  auto* dialog = new IMDialog(window, nullptr, 0);
  using boost::placeholders::_1;
  window->ConnectOnKeyDown(boost::bind(&CloseOnEscapeKey, _1, dialog, &instructionOpen));
  dialog->ConnectOnClose(boost::bind(&IMApp::NextState, this));
  ShowInstruction(dialog);
  return 0;
}

// F1 shows the instruction again (counted) when none is open; the next key closes it.
template <class T>
long IMApp<T>::OnKeyF1(const IMKeyboardEvent& e) {
  if (anyKeyConnection.connected() && anyKeyBlock_ && anyKeyBlock_->blocking()) anyKeyBlock_->unblock();
  if (instructionOpen || e.wParam != static_cast<WPARAM>(VK_F1)) return 0;
  ++extraInstructionCount;
  auto* dialog = new IMDialog(window, nullptr, 0);
  anyKeyConnection.disconnect();
  anyKeyConnection = window->ConnectOnKeyDown(boost::bind(&CloseOnAnyKey, dialog, &instructionOpen));
  // The F1 being delivered must not close it at once.
  anyKeyBlock_.emplace(anyKeyConnection);
  repeatedInstruction_ = dialog;
  using boost::placeholders::_1;
  dialog->ConnectOnClose(boost::bind(&IMApp::ForgetDialog, this, _1, &repeatedInstruction_));
  instructionOpen = true;
  ShowInstruction(dialog);
  return 0;
}

template <class T>
void IMApp<T>::ShowInstruction(IMDialog* dialog) {
  dialog->AddPicture(0, 0, L"DefaultBackGround", 0, 0xFFFFFFFF)->SetRect(dialog->GetRect());
  AddCentredLabel(dialog, L"Корвелина", 18, false, 20);
  AddCentredLabel(dialog, L"Справка", 24, false, 100);
  // Closing it by time ends the instruction as a key would, so F1 works again afterwards.
  AddTimerFor(dialog, instruction_flow::kPlainInstructionMs, boost::bind(&CloseOnAnyKey, dialog, &instructionOpen));
}

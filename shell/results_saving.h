#pragma once
// The pupil's results on disk: the workbook made at Start, saved when the program closes, and
// copied by Save as. No run's rows are lost to a disk that cannot take them (shell/results_file.h).

#include <boost/bind/bind.hpp>

#include <vector>

#include "framework/controls/save_as_dialog.h"
#include "shell/app.h"
#include "shell/results_file.h"

// The pupil's workbook: "<caption>.xls" in the shared data folder's "VELT", else in the current
// folder. The earlier pupil's workbook is written and let go first, so that a run without a name
// has no workbook and writes no rows.
template <class T>
long IMApp<T>::CreateResultsBook(const std::wstring& name) {
  ReleaseResultsBook();
  if (name.empty()) return 0;
  if (!saveOnCloseConnected_) {
    window->ConnectOnClose(boost::bind(&IMApp::SaveResults, this));
    saveOnCloseConnected_ = true;
  }
  workbook = new IMStatisticsWorkbook();
  OpenResults(workbook, caption, name);
  return 0;
}

// The main window's close: the workbook to its own file (or a backup file), and any earlier
// workbook that could not be written before to a backup file.
template <class T>
long IMApp<T>::SaveResults() {
  if (workbook) KeepResults(workbook, caption);
  std::erase_if(unsavedBooks_, [this](IMStatisticsWorkbook* book) {
    // Its own file may hold a later pupil's rows by now: only a backup file is safe.
    if (!KeepBackup(book, caption)) return false;
    delete book;
    return true;
  });
  return 0;
}

// The current workbook goes to disk and is let go; one that could be written nowhere is kept and
// tried again at exit.
template <class T>
void IMApp<T>::ReleaseResultsBook() {
  if (!workbook) return;
  if (KeepResults(workbook, caption)) {
    delete workbook;
  } else {
    unsavedBooks_.push_back(workbook);
  }
  workbook = nullptr;
}

// Save as: a copy of the workbook under the typed path; the exit save still writes its own file.
template <class T>
long IMApp<T>::OnSaveAs() {
  if (!workbook) return 0;
  auto* dialog = new IMSaveAsDialog(window);
  dialog->SetFileName(workbook->GetPath());
  dialog->SetFocus(true);
  dialog->ConnectOnConfirm(boost::bind(&IMApp::SaveResultsFromDialog, this, dialog));
  return 0;
}

// The dialog closes once the copy is written, and stays open with the typed path saying so when
// it could not be.
template <class T>
long IMApp<T>::SaveResultsFromDialog(IMSaveAsDialog* dialog) {
  return CloseOrShowFailure(dialog, SaveResultsAs(dialog->GetFileName()), L"Не удалось сохранить файл");
}

// 0 once the copy is written, 1 when it could not be.
template <class T>
long IMApp<T>::SaveResultsAs(std::wstring path) {
  return workbook && SaveResultsCopy(workbook, path) ? 0 : 1;
}

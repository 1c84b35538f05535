#pragma once
// Print: the printer dialog's confirm prints the pupil's rows under the exercise's header, and
// says so when nothing was printed.

#include <boost/bind/bind.hpp>

#include <map>
#include <string>

#include "framework/controls/select_printer_dialog.h"
#include "framework/platform/printing.h"
#include "shell/app.h"

template <class T>
long IMApp<T>::OnPrint() {
  if (!workbook) return 0;
  auto* dialog = new IMSelectPrinterDialog(window);
  dialog->ConnectOnConfirm(boost::bind(&IMApp::PrintResultsFromDialog, this, dialog));
  return 0;
}

// The dialog closes once the document went out, and stays open saying so when none did.
template <class T>
long IMApp<T>::PrintResultsFromDialog(IMSelectPrinterDialog* dialog) {
  return CloseOrShowFailure(dialog, PrintResults(dialog->CreatePrinterDC()), L"Не удалось напечатать");
}

// 0 once the spooler took the document; 1 when no printer was chosen or nothing was printed.
template <class T>
long IMApp<T>::PrintResults(platform::HDC context) {
  bool printed = false;
  if (workbook) {
    std::map<std::wstring, std::wstring> header{
        {L"Номер ЦОР", catalogueNumber}, {L"Название", title}, {L"Ученик", pupilName}};
    printed = workbook->Print(context, header);
  }
  // The context handed in is always released here.
  if (context) platform::DeleteDC(context);
  return printed ? 0 : 1;
}

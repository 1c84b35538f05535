#pragma once
// Print: the printer dialog's confirm prints the pupil's rows under the exercise's header.

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
  dialog->ConnectOnConfirm(
      boost::bind(&IMApp::PrintResults, this, boost::bind(&IMSelectPrinterDialog::CreatePrinterDC, dialog)));
  dialog->ConnectOnConfirm(boost::bind(&IMControl::Close, dialog));
  return 0;
}

template <class T>
long IMApp<T>::PrintResults(platform::HDC context) {
  if (workbook) {
    std::map<std::wstring, std::wstring> header{
        {L"Номер ЦОР", catalogueNumber}, {L"Название", title}, {L"Ученик", pupilName}};
    workbook->Print(context, header);
  }
  // The context handed in is always released here.
  if (context) platform::DeleteDC(context);
  return 0;
}

// Prints a small workbook on the default printer, found the way the printer dialog finds it.
// Usage: print_workbook <expected default printer> <pupil> <workbook path>

#include <cstdio>
#include <map>
#include <string>

#include "framework/platform/printing.h"
#include "framework/platform/utf.h"
#include "framework/workbook/statistics_workbook.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s printer pupil workbook\n", argv[0]);
    return 2;
  }
  const std::wstring expected = platform::FromUtf8(argv[1]);
  const std::wstring pupil = platform::FromUtf8(argv[2]);

  bool listed = false;
  for (const auto& printer : platform::EnumPrintersW(platform::PRINTER_ENUM_LOCAL)) {
    listed = listed || printer.pPrinterName == expected;
  }
  wchar_t entry[80];
  platform::GetProfileStringW(L"windows", L"device", L",,,", entry, 80);
  const std::wstring device(entry);
  const std::wstring defaultName = device.substr(0, device.find(L','));
  if (!listed || defaultName != expected) {
    std::fprintf(stderr, "printer %s listed: %d, device entry: %s\n", argv[1], listed,
                 platform::ToUtf8(device).c_str());
    return 1;
  }

  IMStatisticsWorkbook workbook;
  workbook.Open(platform::FromUtf8(argv[3]), pupil);
  workbook.AddRow(L"Время выполнения", L"12345", L"Number");
  workbook.AddEmptyRow();
  workbook.AddRow(L"Попыток", L"3", L"Number");

  platform::HDC dc = platform::CreateDCW(nullptr, defaultName.c_str(), nullptr, nullptr);
  if (dc == nullptr) {
    std::fprintf(stderr, "no context for %s\n", argv[1]);
    return 1;
  }
  std::fprintf(stderr, "page %d x %d at %d dpi\n", platform::GetDeviceCaps(dc, platform::HORZRES),
               platform::GetDeviceCaps(dc, platform::VERTRES), platform::GetDeviceCaps(dc, platform::LOGPIXELSX));
  const std::map<std::wstring, std::wstring> header = {
      {L"Номер ЦОР", L"04517"}, {L"Название", L"Игра «Тиморвал»"}, {L"Ученик", pupil}};
  const bool printed = workbook.Print(dc, header);
  platform::DeleteDC(dc);
  if (!printed) std::fprintf(stderr, "the document was not accepted\n");
  return printed ? 0 : 1;
}

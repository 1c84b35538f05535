#pragma once
// What the shared printing core asks of the linked backend: the printers, and a device that
// turns a document's pages of positioned text into print. The core checks every call's order
// and measures the text; a device only sees calls that are in order.

#include <memory>
#include <string>
#include <vector>

#include "framework/platform/printing.h"

namespace platform::backend {

// The printable area in device pixels, the device's resolution, and where the printable area
// lies on the sheet (for a backend that draws whole sheets).
struct PrinterPage {
  int width = 0;
  int height = 0;
  int dpi = 0;
  int sheetWidth = 0;
  int sheetHeight = 0;
  int offsetX = 0;
  int offsetY = 0;
};

constexpr int kDefaultDpi = 600;
// A4 in hundredths of a millimetre, the sheet used when a printer tells none.
constexpr int kA4Width = 21000;
constexpr int kA4Height = 29700;
// Hundredths of a millimetre to device pixels at `dpi`, to the nearest pixel.
inline int ToDevicePixels(int hundredthsMm, int dpi) {
  return static_cast<int>((static_cast<long long>(hundredthsMm) * dpi + 1270) / 2540);
}
// The whole sheet printable, for backends that know nothing better.
inline PrinterPage A4Page(int dpi = kDefaultDpi) {
  PrinterPage page;
  page.dpi = dpi;
  page.width = page.sheetWidth = ToDevicePixels(kA4Width, dpi);
  page.height = page.sheetHeight = ToDevicePixels(kA4Height, dpi);
  return page;
}

// One TextOut: the cell's top-left corner, the baseline, and each character's pen position.
struct TextRun {
  int x = 0;
  int y = 0;
  int baseline = 0;
  std::wstring text;
  std::vector<int> penX;
  std::string fontFile;
  int emPixels = 0;
};

class PrintDevice {
 public:
  // Destroying a device with a document still open drops that document.
  virtual ~PrintDevice() = default;
  virtual const PrinterPage& Page() const = 0;
  virtual bool StartDocument(const std::wstring& name) = 0;
  virtual bool StartPage() = 0;
  virtual bool Text(const TextRun& run) = 0;
  virtual bool EndPage() = 0;
  // Hands the finished document to the spooler.
  virtual bool EndDocument() = 0;
  virtual void AbortDocument() = 0;
};

std::vector<PRINTER_INFO_2W> ListPrinters();
// Empty when there is no default printer.
std::wstring DefaultPrinterName();
// Null when no printer has that name.
std::unique_ptr<PrintDevice> OpenPrinter(const std::wstring& name);

}  // namespace platform::backend

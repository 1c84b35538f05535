// The printing calls over a backend's printers: argument and order checks, the context's font,
// text measurement and the ANSI code page, shared by every backend so that a layout measured
// in tests is the layout printed.

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <memory>

#include "framework/platform/printing.h"
#include "framework/platform/printing_backend.h"

namespace platform {

struct PrinterDC {
  std::unique_ptr<backend::PrintDevice> device;
  HFONT font = nullptr;
  TEXTMETRICW metrics;
  std::string fontFile;
  int emPixels = 0;
  bool inDocument = false;
  bool inPage = false;
  int jobNumber = 0;

  ~PrinterDC() {
    if (inDocument) device->AbortDocument();
    DeleteFont(font);
  }
};

namespace {

constexpr int kFontPoints = 12;

// Windows-1251 byte to character, read from the C library's tables once; a byte the code page
// leaves undefined stands for the control character of the same number, as on the system.
const std::array<wchar_t, 256>& AnsiTable() {
  static const std::array<wchar_t, 256> table = [] {
    std::array<wchar_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<wchar_t>(i);
    iconv_t cd = iconv_open("WCHAR_T", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (int i = 0x80; i < 0x100; ++i) {
      char in = static_cast<char>(i);
      wchar_t out = 0;
      char* inPtr = &in;
      size_t inLeft = 1;
      char* outPtr = reinterpret_cast<char*>(&out);
      size_t outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == 0) {
        t[i] = out;
      }
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

std::wstring FromAnsi(const char* text, int count) {
  std::wstring out(static_cast<size_t>(count), L'\0');
  for (int i = 0; i < count; ++i) out[i] = AnsiTable()[static_cast<unsigned char>(text[i])];
  return out;
}

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  const std::wstring other(b);
  return a.size() == other.size() &&
         std::equal(a.begin(), a.end(), other.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

// Pen positions of each character from x, and the total advance.
int Advances(const PrinterDC* dc, const std::wstring& text, int x, std::vector<int>* penX) {
  int pen = x;
  for (wchar_t c : text) {
    if (penX) penX->push_back(pen);
    ABC abc;
    if (GetCharABCWidthsW(dc->font, c, &abc)) {
      pen += abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
    }
  }
  return pen - x;
}

bool Extent(HDC dc, const std::wstring& text, SIZE* out) {
  if (!dc || !out) return false;
  out->cx = Advances(dc, text, 0, nullptr);
  out->cy = dc->metrics.tmHeight;
  return true;
}

BOOL Text(HDC dc, int x, int y, std::wstring text) {
  if (!dc || !dc->inPage) return 0;
  backend::TextRun run;
  run.x = x;
  run.y = y;
  run.baseline = y + dc->metrics.tmAscent;
  Advances(dc, text, x, &run.penX);
  run.text = std::move(text);
  run.fontFile = dc->fontFile;
  run.emPixels = dc->emPixels;
  return dc->device->Text(run) ? 1 : 0;
}

}  // namespace

std::vector<PRINTER_INFO_2W> EnumPrintersW(DWORD flags) {
  if (!(flags & PRINTER_ENUM_LOCAL)) return {};
  return backend::ListPrinters();
}

DWORD GetProfileStringW(const std::wstring& section, const std::wstring& key,
                        const std::wstring& fallback, wchar_t* buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  std::wstring value = fallback;
  if (EqualsIgnoringCase(section, L"windows") && EqualsIgnoringCase(key, L"device")) {
    const std::wstring name = backend::DefaultPrinterName();
    if (!name.empty()) {
      value = name + L",winspool,";
      for (const PRINTER_INFO_2W& printer : backend::ListPrinters()) {
        if (printer.pPrinterName == name) value += printer.pPortName;
      }
    }
  }
  const DWORD copied = std::min<DWORD>(static_cast<DWORD>(value.size()), size - 1);
  std::copy_n(value.begin(), copied, buffer);
  buffer[copied] = L'\0';
  return copied;
}

HDC CreateDCW(const wchar_t*, const wchar_t* device, const wchar_t*, const void*) {
  if (!device) return nullptr;
  auto dc = std::make_unique<PrinterDC>();
  dc->device = backend::OpenPrinter(device);
  if (!dc->device) return nullptr;
  const int dpi = dc->device->Page().dpi;
  dc->emPixels = (kFontPoints * dpi + 36) / 72;
  // A negative cell height asks for the em, so the printed size is exact in points.
  dc->font = CreateFontW(L"Arial", -dc->emPixels, FW_NORMAL, false, false);
  if (!dc->font || !GetTextMetricsW(dc->font, &dc->metrics)) return nullptr;
  dc->fontFile = FontFilePath(dc->font);
  return dc.release();
}

BOOL DeleteDC(HDC dc) {
  if (!dc) return 0;
  delete dc;
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!dc) return 0;
  const backend::PrinterPage& page = dc->device->Page();
  switch (index) {
    case HORZRES: return page.width;
    case VERTRES: return page.height;
    case LOGPIXELSX:
    case LOGPIXELSY: return page.dpi;
    default: return 0;
  }
}

bool GetTextMetricsW(HDC dc, TEXTMETRICW* out) {
  if (!dc || !out) return false;
  *out = dc->metrics;
  return true;
}

bool GetTextExtentPoint32W(HDC dc, const wchar_t* text, int count, SIZE* out) {
  if (!text || count < 0) return false;
  return Extent(dc, std::wstring(text, static_cast<size_t>(count)), out);
}

bool GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* out) {
  if (!text || count < 0) return false;
  return Extent(dc, FromAnsi(text, count), out);
}

int StartDocW(HDC dc, const DOCINFOW* info) {
  if (!dc || !info || dc->inDocument) return SP_ERROR;
  if (!dc->device->StartDocument(info->lpszDocName ? info->lpszDocName : L"")) return SP_ERROR;
  dc->inDocument = true;
  return ++dc->jobNumber;
}

int StartPage(HDC dc) {
  if (!dc || !dc->inDocument || dc->inPage) return SP_ERROR;
  if (!dc->device->StartPage()) return SP_ERROR;
  dc->inPage = true;
  return 1;
}

int EndPage(HDC dc) {
  if (!dc || !dc->inPage) return SP_ERROR;
  dc->inPage = false;
  return dc->device->EndPage() ? 1 : SP_ERROR;
}

int EndDoc(HDC dc) {
  if (!dc || !dc->inDocument) return SP_ERROR;
  if (dc->inPage && EndPage(dc) <= 0) {
    AbortDoc(dc);
    return SP_ERROR;
  }
  dc->inDocument = false;
  return dc->device->EndDocument() ? 1 : SP_ERROR;
}

int AbortDoc(HDC dc) {
  if (!dc || !dc->inDocument) return SP_ERROR;
  dc->inDocument = false;
  dc->inPage = false;
  dc->device->AbortDocument();
  return 1;
}

BOOL TextOutW(HDC dc, int x, int y, const wchar_t* text, int count) {
  if (!text || count < 0) return 0;
  return Text(dc, x, y, std::wstring(text, static_cast<size_t>(count)));
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
  if (!text || count < 0) return 0;
  return Text(dc, x, y, FromAnsi(text, count));
}

}  // namespace platform

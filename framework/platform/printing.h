#pragma once
// The print spooler and printer device contexts, as the framework knows them from the system's
// printing services: the local printers and the default one, and a device context that prints
// text on pages. Units are device pixels of the printer; (0, 0) is the top-left corner of the
// page's printable area. A context draws with one font, "Arial" at 12 points.
//
// Narrow text (the "A" calls) is in the system's ANSI code page, Windows-1251.

#include <string>
#include <vector>

#include "framework/platform/fonts.h"
#include "framework/platform/win_types.h"

namespace platform {

struct PrinterDC;
using HDC = PrinterDC*;

struct SIZE {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
};

// The spooler's flag for printers of this machine (queues it knows, not ones merely seen on
// the network).
constexpr DWORD PRINTER_ENUM_LOCAL = 0x00000002;

// A printer as the spooler lists it at its detailed level.
struct PRINTER_INFO_2W {
  std::wstring pPrinterName;
  std::wstring pPortName;
  std::wstring pDriverName;
  std::wstring pComment;
  std::wstring pLocation;
};

// The printers the flags ask for, in the spooler's order; empty when there are none or the
// spooler cannot be reached.
std::vector<PRINTER_INFO_2W> EnumPrintersW(DWORD flags);

// The system profile. Section "windows", key "device" holds the default printer as
// "name,driver,port"; without a default printer, or for any other entry, `fallback` is
// copied. Copies at most size - 1 characters and a NUL; returns the characters copied.
DWORD GetProfileStringW(const std::wstring& section, const std::wstring& key,
                        const std::wstring& fallback, wchar_t* buffer, DWORD size);

// A context for the named printer (`device`); driver, output and init data are unused and may
// be null. Null when the name is null or names no printer.
HDC CreateDCW(const wchar_t* driver, const wchar_t* device, const wchar_t* output,
              const void* initData);
// Ends any document still open without printing it. False for null.
BOOL DeleteDC(HDC dc);

constexpr int HORZRES = 8;      // printable width, device pixels
constexpr int VERTRES = 10;     // printable height, device pixels
constexpr int LOGPIXELSX = 88;  // device pixels per inch
constexpr int LOGPIXELSY = 90;
// 0 for a null context or another index.
int GetDeviceCaps(HDC dc, int index);

// Metrics of the context's font, in device pixels.
bool GetTextMetricsW(HDC dc, TEXTMETRICW* out);
// The size of the first `count` characters drawn in a line: the sum of their advances, and
// the font's height.
bool GetTextExtentPoint32W(HDC dc, const wchar_t* text, int count, SIZE* out);
bool GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* out);

struct DOCINFOW {
  int cbSize = sizeof(DOCINFOW);
  const wchar_t* lpszDocName = nullptr;
  const wchar_t* lpszOutput = nullptr;
  const wchar_t* lpszDatatype = nullptr;
  DWORD fwType = 0;
};

constexpr int SP_ERROR = -1;

// A job number above 0, or SP_ERROR (a null context, a document already open, no spooler).
int StartDocW(HDC dc, const DOCINFOW* info);
// Above 0 on success; a page can start only inside a document and when no page is open.
int StartPage(HDC dc);
int EndPage(HDC dc);
// Hands the document to the spooler (ending a page still open); above 0 once it is accepted.
int EndDoc(HDC dc);
// Drops the open document; nothing is printed.
int AbortDoc(HDC dc);

// The text's top-left corner of the character cell at (x, y); only on an open page.
BOOL TextOutW(HDC dc, int x, int y, const wchar_t* text, int count);
BOOL TextOutA(HDC dc, int x, int y, const char* text, int count);

}  // namespace platform

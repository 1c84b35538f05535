// Printing the pupil's worksheet: a header of caption and value pairs, a blank line, then each
// row's cells side by side, the second column at half the page width.

#include <algorithm>

#include "framework/platform/utf.h"
#include "framework/resources/text_conversion.h"
#include "framework/workbook/statistics_workbook.h"

namespace {

// A cell's text as the printer's narrow text; a character beyond the code page becomes one
// '?', however many UTF-16 units it took.
std::string CellText(const IMStatisticsWorkbook::Cell& cell) { return NarrowString(platform::FromUtf16(cell.text)); }

// An open document on the context; dropped unless Finish hands it to the spooler.
class PrintJob {
 public:
  explicit PrintJob(platform::HDC dc) : dc_(dc) {}
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;
  ~PrintJob() {
    if (open_) platform::AbortDoc(dc_);
  }

  bool Start() {
    platform::DOCINFOW info;
    info.lpszDocName = L"Print1: Printing";
    open_ = platform::StartDocW(dc_, &info) > 0;
    return open_ && platform::StartPage(dc_) > 0;
  }
  bool NextPage() { return platform::EndPage(dc_) > 0 && platform::StartPage(dc_) > 0; }
  bool Finish() {
    if (platform::EndPage(dc_) <= 0) return false;
    open_ = false;
    return platform::EndDoc(dc_) > 0;
  }

 private:
  platform::HDC dc_;
  bool open_ = false;
};

}  // namespace

bool IMStatisticsWorkbook::Print(platform::HDC dc, std::map<std::wstring, std::wstring> header) {
  // A sheet without a table has nothing to print.
  if (dc == nullptr || !xmlInitialized_ || (!sheetHasTable_ && pending_.empty())) return false;

  const int pageWidth = platform::GetDeviceCaps(dc, platform::HORZRES);
  const int pageHeight = platform::GetDeviceCaps(dc, platform::VERTRES);
  platform::TEXTMETRICW metrics;
  if (!platform::GetTextMetricsW(dc, &metrics)) return false;
  const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  const int leftMargin = metrics.tmAveCharWidth;
  int y = lineHeight;

  PrintJob job(dc);
  if (!job.Start()) return false;

  for (const auto& [caption, value] : header) {
    platform::SIZE extent;
    if (!platform::TextOutW(dc, leftMargin, y, caption.c_str(), static_cast<int>(caption.size())) ||
        !platform::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent)) {
      return false;
    }
    const int x = leftMargin + std::max(pageWidth / 2, leftMargin + extent.cx);
    if (!platform::TextOutW(dc, x, y, value.c_str(), static_cast<int>(value.size()))) return false;
    y += lineHeight;
  }
  y += lineHeight;

  // A page break waits for the row that needs it, so a last row that fills the page does not
  // leave an empty sheet behind it.
  bool pageFull = false;
  auto printRow = [&](const Row& row) {
    if (pageFull) {
      if (!job.NextPage()) return false;
      y = lineHeight;
    }
    int x = leftMargin;
    for (const Cell& cell : row) {
      const std::string text = CellText(cell);
      const int length = static_cast<int>(text.size());
      platform::SIZE extent;
      if (!platform::TextOutA(dc, x, y, text.c_str(), length) ||
          !platform::GetTextExtentPoint32A(dc, text.c_str(), length, &extent)) {
        return false;
      }
      x += std::max(pageWidth / 2, leftMargin + extent.cx);
    }
    y += lineHeight;
    pageFull = pageHeight <= y + lineHeight;
    return true;
  };
  for (const std::vector<Row>* rows : {&sheetRows_, &pending_}) {
    for (const Row& row : *rows) {
      if (!printRow(row)) return false;
    }
  }
  return job.Finish();
}

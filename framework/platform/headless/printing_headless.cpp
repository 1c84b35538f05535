// Printers a test sets up, and a record of everything printed on them, page by page.

#include <mutex>
#include <set>

#include "framework/platform/headless/headless.h"
#include "framework/platform/printing_backend.h"

namespace platform::headless {
namespace {

struct PrintingState {
  std::mutex mutex;
  std::vector<Printer> printers;
  std::wstring defaultName;
  std::set<PrintStep> failing;
  std::vector<PrintedDocument> documents;
};

PrintingState& State() {
  static PrintingState state;
  return state;
}

class RecordingDevice final : public backend::PrintDevice {
 public:
  RecordingDevice(std::wstring printer, const Printer& setup) : printer_(std::move(printer)) {
    page_.width = page_.sheetWidth = setup.width;
    page_.height = page_.sheetHeight = setup.height;
    page_.dpi = setup.dpi;
  }
  ~RecordingDevice() override {
    if (document_ >= 0) AbortDocument();
  }

  const backend::PrinterPage& Page() const override { return page_; }

  bool StartDocument(const std::wstring& name) override {
    std::lock_guard lock(State().mutex);
    if (State().failing.count(PrintStep::kStartDoc)) return false;
    PrintedDocument document;
    document.printer = printer_;
    document.name = name;
    document.width = page_.width;
    document.height = page_.height;
    document.dpi = page_.dpi;
    State().documents.push_back(std::move(document));
    document_ = static_cast<int>(State().documents.size()) - 1;
    return true;
  }

  bool StartPage() override {
    std::lock_guard lock(State().mutex);
    if (State().failing.count(PrintStep::kStartPage)) return false;
    if (PrintedDocument* document = Document()) document->pages.emplace_back();
    return true;
  }

  bool Text(const backend::TextRun& run) override {
    std::lock_guard lock(State().mutex);
    if (State().failing.count(PrintStep::kText)) return false;
    if (PrintedDocument* document = Document()) {
      document->pages.back().texts.push_back(PrintedText{run.x, run.y, run.text});
    }
    return true;
  }

  bool EndPage() override {
    std::lock_guard lock(State().mutex);
    if (State().failing.count(PrintStep::kEndPage)) return false;
    if (PrintedDocument* document = Document()) document->pages.back().ended = true;
    return true;
  }

  bool EndDocument() override {
    std::lock_guard lock(State().mutex);
    const bool ok = !State().failing.count(PrintStep::kEndDoc);
    if (PrintedDocument* document = Document()) {
      document->state = ok ? PrintedDocument::State::kPrinted : PrintedDocument::State::kAborted;
    }
    document_ = -1;
    return ok;
  }

  void AbortDocument() override {
    std::lock_guard lock(State().mutex);
    if (PrintedDocument* document = Document()) document->state = PrintedDocument::State::kAborted;
    document_ = -1;
  }

 private:
  // Null once a ResetPrinting has dropped the record this device writes to.
  PrintedDocument* Document() {
    if (document_ < 0 || document_ >= static_cast<int>(State().documents.size())) return nullptr;
    return &State().documents[static_cast<size_t>(document_)];
  }

  std::wstring printer_;
  backend::PrinterPage page_;
  int document_ = -1;
};

}  // namespace

void SetPrinters(std::vector<Printer> printers, std::wstring defaultName) {
  std::lock_guard lock(State().mutex);
  State().printers = std::move(printers);
  State().defaultName = std::move(defaultName);
}

void FailPrintStep(PrintStep step) {
  std::lock_guard lock(State().mutex);
  State().failing.insert(step);
}

std::vector<PrintedDocument> PrintedDocuments() {
  std::lock_guard lock(State().mutex);
  return State().documents;
}

void ResetPrinting() {
  std::lock_guard lock(State().mutex);
  State().printers.clear();
  State().defaultName.clear();
  State().failing.clear();
  State().documents.clear();
}

}  // namespace platform::headless

namespace platform::backend {

std::vector<PRINTER_INFO_2W> ListPrinters() {
  using headless::State;
  std::lock_guard lock(State().mutex);
  std::vector<PRINTER_INFO_2W> list;
  for (const headless::Printer& printer : State().printers) {
    PRINTER_INFO_2W info;
    info.pPrinterName = printer.name;
    info.pPortName = L"headless:";
    info.pDriverName = L"Headless recorder";
    list.push_back(std::move(info));
  }
  return list;
}

std::wstring DefaultPrinterName() {
  using headless::State;
  std::lock_guard lock(State().mutex);
  return State().defaultName;
}

std::unique_ptr<PrintDevice> OpenPrinter(const std::wstring& name) {
  using headless::State;
  std::lock_guard lock(State().mutex);
  for (const headless::Printer& printer : State().printers) {
    if (printer.name == name) return std::make_unique<headless::RecordingDevice>(name, printer);
  }
  return nullptr;
}

}  // namespace platform::backend

// Printing through CUPS: the local queues and the default one come from the scheduler; a
// document is drawn into a PDF with cairo, in the same font files the screen's text uses, and
// handed to the queue whole when it ends.

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>
#include <cups/pwg.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>

#include "framework/platform/printing_backend.h"
#include "framework/platform/utf.h"

namespace platform::backend {
namespace {

// The scheduler's queues on this machine, not printers merely discovered on the network.
class LocalDestinations {
 public:
  LocalDestinations() {
    cupsEnumDests(CUPS_DEST_FLAGS_NONE, kLookupMs, nullptr, 0, CUPS_PRINTER_DISCOVERED, &Collect,
                  this);
  }
  ~LocalDestinations() { cupsFreeDests(count_, dests_); }
  LocalDestinations(const LocalDestinations&) = delete;
  LocalDestinations& operator=(const LocalDestinations&) = delete;

  int count() const { return count_; }
  cups_dest_t* at(int i) const { return &dests_[i]; }

 private:
  static constexpr int kLookupMs = 2000;

  static int Collect(void* user, unsigned flags, cups_dest_t* dest) {
    auto* self = static_cast<LocalDestinations*>(user);
    if (!(flags & CUPS_DEST_FLAGS_REMOVED)) self->count_ = cupsCopyDest(dest, self->count_, &self->dests_);
    return 1;
  }

  int count_ = 0;
  cups_dest_t* dests_ = nullptr;
};

std::wstring DestName(const cups_dest_t* dest) {
  std::string name = dest->name;
  if (dest->instance) name += std::string("/") + dest->instance;
  return FromUtf8(name);
}

std::wstring DestOption(const cups_dest_t* dest, const char* option) {
  const char* value = cupsGetOption(option, dest->num_options, dest->options);
  return value ? FromUtf8(value) : std::wstring();
}

// The device's resolution when the queue reports one in a sensible range, else the default.
int DestResolution(cups_dest_t* dest, cups_dinfo_t* info) {
  ipp_attribute_t* attr = info ? cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution") : nullptr;
  if (!attr) return kDefaultDpi;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int x = ippGetResolution(attr, 0, &y, &units);
  if (units == IPP_RES_PER_CM) x = static_cast<int>(x * 2.54 + 0.5);
  return x >= 72 && x <= 2400 ? x : kDefaultDpi;
}

// The queue's default media by name: the library's own default-media call falls back to the
// locale's paper (US Letter under the C locale) even where the queue's default is A4.
bool DestMedia(cups_dest_t* dest, cups_dinfo_t* info, cups_size_t* size) {
  const char* name = cupsGetOption("media", dest->num_options, dest->options);
  ipp_attribute_t* attr = name || !info ? nullptr : cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media");
  if (attr) name = ippGetString(attr, 0, nullptr);
  if (!name) return false;
  if (info && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, name, CUPS_MEDIA_FLAGS_DEFAULT, size)) {
    return true;
  }
  const pwg_media_t* media = pwgMediaForPWG(name);
  if (!media) return false;
  *size = cups_size_t{};
  size->width = media->width;
  size->length = media->length;
  return true;
}

PrinterPage DestPage(cups_dest_t* dest) {
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  const int dpi = DestResolution(dest, info);
  PrinterPage page = A4Page(dpi);
  cups_size_t size{};
  if (DestMedia(dest, info, &size) && size.width > 0 && size.length > 0 &&
      size.left + size.right < size.width && size.top + size.bottom < size.length) {
    page.sheetWidth = ToDevicePixels(size.width, dpi);
    page.sheetHeight = ToDevicePixels(size.length, dpi);
    page.offsetX = ToDevicePixels(size.left, dpi);
    page.offsetY = ToDevicePixels(size.top, dpi);
    page.width = ToDevicePixels(size.width - size.left - size.right, dpi);
    page.height = ToDevicePixels(size.length - size.top - size.bottom, dpi);
  }
  cupsFreeDestInfo(info);
  return page;
}

class CupsDevice final : public PrintDevice {
 public:
  CupsDevice(std::string queue, std::string instance, PrinterPage page)
      : queue_(std::move(queue)), instance_(std::move(instance)), page_(page) {}
  ~CupsDevice() override {
    AbortDocument();
    for (auto& [file, face] : faces_) cairo_font_face_destroy(face);
  }

  const PrinterPage& Page() const override { return page_; }

  bool StartDocument(const std::wstring& name) override {
    AbortDocument();
    title_ = ToUtf8(name);
    const double toPoints = 72.0 / page_.dpi;
    surface_ = cairo_pdf_surface_create_for_stream(&Append, &pdf_, page_.sheetWidth * toPoints,
                                                   page_.sheetHeight * toPoints);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title_.c_str());
    cr_ = cairo_create(surface_);
    // Device pixels of the printable area from here on.
    cairo_scale(cr_, toPoints, toPoints);
    cairo_translate(cr_, page_.offsetX, page_.offsetY);
    cairo_set_source_rgb(cr_, 0, 0, 0);
    return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
  }

  bool StartPage() override { return cr_ && cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }

  bool Text(const TextRun& run) override {
    cairo_font_face_t* face = Face(run.fontFile);
    if (!cr_ || !face) return false;
    cairo_set_font_face(cr_, face);
    cairo_set_font_size(cr_, run.emPixels);
    const std::string utf8 = ToUtf8(run.text);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr_), run.x, run.baseline, utf8.c_str(),
                                         static_cast<int>(utf8.size()), &glyphs, &count, nullptr,
                                         nullptr, nullptr) != CAIRO_STATUS_SUCCESS) {
      return false;
    }
    // Pen positions as measured for the layout, so the text ends where its extent said.
    if (static_cast<size_t>(count) == run.penX.size()) {
      for (int i = 0; i < count; ++i) glyphs[i].x = run.penX[i];
    }
    cairo_show_glyphs(cr_, glyphs, count);
    cairo_glyph_free(glyphs);
    return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
  }

  bool EndPage() override {
    if (!cr_) return false;
    cairo_show_page(cr_);
    return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
  }

  bool EndDocument() override {
    if (!cr_) return false;
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_finish(surface_);
    const bool drawn = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    const bool submitted = drawn && Submit();
    pdf_.clear();
    return submitted;
  }

  void AbortDocument() override {
    if (cr_) cairo_destroy(cr_);
    cr_ = nullptr;
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = nullptr;
    pdf_.clear();
  }

 private:
  static cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  }

  cairo_font_face_t* Face(const std::string& file) {
    if (auto it = faces_.find(file); it != faces_.end()) return it->second;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(file.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, 0);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      return nullptr;
    }
    faces_[file] = face;
    return face;
  }

  // The whole PDF as one job; a job the scheduler did not take in full is cancelled.
  bool Submit() {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue_.c_str(),
                                         instance_.empty() ? nullptr : instance_.c_str());
    if (!dest) return false;
    int numOptions = 0;
    cups_option_t* options = nullptr;
    // An instance is a queue with saved job options.
    if (!instance_.empty()) {
      for (int i = 0; i < dest->num_options; ++i) {
        numOptions = cupsAddOption(dest->options[i].name, dest->options[i].value, numOptions, &options);
      }
    }
    cupsFreeDests(1, dest);
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, queue_.c_str(), title_.c_str(), numOptions, options);
    cupsFreeOptions(numOptions, options);
    if (job <= 0) return false;
    bool ok = cupsStartDocument(CUPS_HTTP_DEFAULT, queue_.c_str(), job, title_.c_str(), CUPS_FORMAT_PDF, 1) ==
              HTTP_STATUS_CONTINUE;
    ok = ok && cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf_.data(), pdf_.size()) == HTTP_STATUS_CONTINUE;
    ok = cupsFinishDocument(CUPS_HTTP_DEFAULT, queue_.c_str()) == IPP_STATUS_OK && ok;
    if (!ok) cupsCancelJob2(CUPS_HTTP_DEFAULT, queue_.c_str(), job, 0);
    return ok;
  }

  std::string queue_;
  std::string instance_;
  PrinterPage page_;
  std::string title_;
  std::string pdf_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::map<std::string, cairo_font_face_t*> faces_;
};

}  // namespace

std::vector<PRINTER_INFO_2W> ListPrinters() {
  LocalDestinations dests;
  std::vector<PRINTER_INFO_2W> list;
  for (int i = 0; i < dests.count(); ++i) {
    const cups_dest_t* dest = dests.at(i);
    PRINTER_INFO_2W info;
    info.pPrinterName = DestName(dest);
    info.pPortName = DestOption(dest, "printer-uri-supported");
    info.pDriverName = DestOption(dest, "printer-make-and-model");
    info.pComment = DestOption(dest, "printer-info");
    info.pLocation = DestOption(dest, "printer-location");
    list.push_back(std::move(info));
  }
  return list;
}

std::wstring DefaultPrinterName() {
  LocalDestinations dests;
  for (int i = 0; i < dests.count(); ++i) {
    if (dests.at(i)->is_default) return DestName(dests.at(i));
  }
  return {};
}

std::unique_ptr<PrintDevice> OpenPrinter(const std::wstring& name) {
  const std::string full = ToUtf8(name);
  const size_t slash = full.find('/');
  const std::string queue = full.substr(0, slash);
  const std::string instance = slash == std::string::npos ? std::string() : full.substr(slash + 1);
  LocalDestinations dests;
  for (int i = 0; i < dests.count(); ++i) {
    cups_dest_t* dest = dests.at(i);
    if (queue == dest->name && instance == (dest->instance ? dest->instance : "")) {
      return std::make_unique<CupsDevice>(queue, instance, DestPage(dest));
    }
  }
  return nullptr;
}

}  // namespace platform::backend

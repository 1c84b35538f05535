// JPEG decoding into a locked texture. Errors (unreadable data, a picture beyond the bounds
// below) jump back to the decode, which fails: the library's own handler would end the
// program. Warnings (corrupt data the library decodes around, a picture cut short) are counted
// by the library's standard handler and the picture loads with what it decoded.

#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/platform/utf.h"
#include "framework/resources/image_loading.h"

namespace {

// The library's working memory for one picture: enough for the whole-image coefficients of a
// progressive picture of kMaxPictureSide square in three full-resolution components (384 MiB).
constexpr long kMaxWorkingMemory = 512L << 20;
// A progressive picture has about ten scans; each further one costs a pass over the picture.
constexpr int kMaxScans = 1000;

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void FailDecode(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

void JpegErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  FailDecode(cinfo);
}

void Refuse(j_common_ptr cinfo, const char* why) {
  std::fprintf(stderr, "JPEG picture refused: %s\n", why);
  FailDecode(cinfo);
}

// Called while the library reads a progressive picture's scans.
void CountScans(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) Refuse(cinfo, "too many scans");
}

struct JpegDecode {
  jpeg_decompress_struct cinfo;
  JpegError error;
  jpeg_progress_mgr progress;
  bool created = false;
  platform::Texture* texture = nullptr;
  bool locked = false;
  JSAMPLE* line = nullptr;
};

bool RunJpegDecode(platform::Device* device, JpegDecode* d, const unsigned char* data, unsigned size, int* width,
                   int* height) {
  d->cinfo.err = jpeg_std_error(&d->error.manager);
  d->error.manager.error_exit = JpegErrorExit;
  if (setjmp(d->error.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  d->cinfo.mem->max_memory_to_use = kMaxWorkingMemory;
  d->progress.progress_monitor = CountScans;
  d->cinfo.progress = &d->progress;
  // The library's memory source ends a short stream with an end-of-image marker (after a
  // warning) and never skips past the end of the data.
  jpeg_mem_src(&d->cinfo, data, size);
  jpeg_read_header(&d->cinfo, TRUE);
  // The library sizes its whole-image buffers from the frame header alone: the sides are
  // checked before it starts.
  if (d->cinfo.image_width > static_cast<JDIMENSION>(kMaxPictureSide) ||
      d->cinfo.image_height > static_cast<JDIMENSION>(kMaxPictureSide)) {
    Refuse(reinterpret_cast<j_common_ptr>(&d->cinfo), "larger than any texture");
  }
  if (d->cinfo.jpeg_color_space == JCS_GRAYSCALE) d->cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d->cinfo);

  const int w = static_cast<int>(d->cinfo.output_width);
  const int h = static_cast<int>(d->cinfo.output_height);
  const int components = d->cinfo.output_components;
  *width = w;
  *height = h;
  if (!CreateTexturePow2(device, d->texture, w, h, D3DFMT_A8R8G8B8)) return false;
  platform::LockedRect locked;
  if (d->texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) return false;
  d->locked = true;
  d->line = static_cast<JSAMPLE*>(std::malloc(static_cast<std::size_t>(w) * components));
  if (!d->line) return false;
  for (int r = 0; d->cinfo.output_scanline < d->cinfo.output_height; ++r) {
    JSAMPROW row = d->line;
    jpeg_read_scanlines(&d->cinfo, &row, 1);
    auto* texel = static_cast<unsigned char*>(locked.pBits) + static_cast<std::size_t>(locked.Pitch) * r;
    if (components == 3) {
      for (int x = 0; x < w; ++x, texel += 4) {
        texel[0] = d->line[3 * x + 2];
        texel[1] = d->line[3 * x + 1];
        texel[2] = d->line[3 * x];
        texel[3] = 0xFF;
      }
    } else if (components == 4) {
      for (int x = 0; x < w; ++x, texel += 4) {
        texel[0] = d->line[4 * x + 2];
        texel[1] = d->line[4 * x + 1];
        texel[2] = d->line[4 * x];
        texel[3] = d->line[4 * x + 3];
      }
    }
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

void FinishJpegDecode(JpegDecode& d, bool ok) {
  std::free(d.line);
  if (d.locked) d.texture->UnlockRect(0);
  if (!ok && d.texture) {
    d.texture->Release();
    d.texture = nullptr;
  }
  if (d.created) jpeg_destroy_decompress(&d.cinfo);
}

}  // namespace

bool LoadJpegFromMemory(platform::Device* device, const void* data, unsigned size, platform::Texture*& texture,
                        int& width, int& height) {
  if (!data || size == 0) return false;
  JpegDecode d;
  int w = 0, h = 0;
  bool ok = false;
  try {
    ok = RunJpegDecode(device, &d, static_cast<const unsigned char*>(data), size, &w, &h);
  } catch (...) {
    FinishJpegDecode(d, false);
    throw;
  }
  FinishJpegDecode(d, ok);
  if (!ok) return false;
  texture = d.texture;
  width = w;
  height = h;
  return true;
}

bool LoadJpegFromFile(platform::Device* device, const std::wstring& path, platform::Texture*& texture, int& width,
                      int& height) {
  // Paths are UTF-8 on disk; narrowing to the Russian code page would turn other letters into
  // '?' and name a different file.
  std::ifstream in(platform::ToUtf8(path), std::ios::in | std::ios::binary);
  if (!in.good()) return false;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.empty()) return false;
  return LoadJpegFromMemory(device, bytes.data(), static_cast<unsigned>(bytes.size()), texture, width, height);
}

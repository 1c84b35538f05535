// PNG decoding straight into a locked texture. libpng reports errors by jumping back to the
// decode, so the frame that arms the jump holds nothing with a destructor.

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "framework/platform/utf.h"
#include "framework/resources/image_loading.h"

namespace {

constexpr int kSignatureBytes = 8;

struct MemorySource {
  const unsigned char* data;
  std::size_t size;
  std::size_t position;
};

void PngErrorHandler(png_structp png, png_const_charp message) {
  std::fprintf(stderr, "libpng error: %s\n", message);
  png_longjmp(png, 1);
}

void PngReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (count > source->size - source->position) png_error(png, "read past the end of the data");
  std::memcpy(out, source->data + source->position, count);
  source->position += count;
}

void PngReadFromStream(png_structp png, png_bytep out, png_size_t count) {
  auto* stream = static_cast<std::istream*>(png_get_io_ptr(png));
  stream->read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
  const bool complete = stream->gcount() == static_cast<std::streamsize>(count);
  if (!complete) png_error(png, "read past the end of the file");
}

// Everything a decode owns, kept outside the frame that arms the jump.
struct PngDecode {
  png_structp png = nullptr;
  png_infop info = nullptr;
  platform::Texture* texture = nullptr;
  bool ownsTexture = true;  // false for a caller's texture, which a failure leaves alone
  int expectedWidth = 0;
  int expectedHeight = 0;
  bool locked = false;
  png_bytepp rows = nullptr;
};

bool RunPngDecode(platform::Device* device, PngDecode* d, int* width, int* height) {
  if (setjmp(png_jmpbuf(d->png))) return false;
  png_structp png = d->png;
  png_infop info = d->info;
  png_set_sig_bytes(png, kSignatureBytes);
  png_read_info(png, info);

  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;

  if (depth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE && depth <= 8) {
    png_set_expand(png);
    hasAlpha = hasAlpha || hasTrns;
  }
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) {
    png_set_expand(png);
    hasAlpha = hasAlpha || hasTrns;
  }
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  // Every picture without alpha gets an opaque fourth byte, not only RGB ones: palette and grey
  // pictures would otherwise come out three bytes per texel.
  if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  // Compositing onto the background colour removes the alpha channel, which would shear a
  // picture with alpha; it is only allowed where there is no alpha to remove.
  png_color_16p background = nullptr;
  if (!hasAlpha && !hasTrns && png_get_bKGD(png, info, &background)) {
    png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
  }
  double fileGamma = 0.0;
  if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, 2.2, fileGamma);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4) png_error(png, "unexpected pixel layout");

  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  if (d->texture) {
    // Decoding into a texture made from the header: the picture must be what the header said.
    if (*width != d->expectedWidth || *height != d->expectedHeight) return false;
  } else if (!CreateTexturePow2(device, d->texture, *width, *height, D3DFMT_A8R8G8B8)) {
    return false;
  }
  platform::LockedRect locked;
  if (d->texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) return false;
  d->locked = true;
  d->rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * h));
  if (!d->rows) png_error(png, "Visual PNG: out of memory");
  for (png_uint_32 i = 0; i < h; ++i) d->rows[i] = static_cast<png_bytep>(locked.pBits) + locked.Pitch * i;
  png_read_image(png, d->rows);
  png_read_end(png, nullptr);
  return true;
}

// Frees what the decode made; a texture is kept only when the decode succeeded.
void FinishPngDecode(PngDecode& d, bool ok) {
  std::free(d.rows);
  if (d.locked) d.texture->UnlockRect(0);
  if (!ok && d.texture && d.ownsTexture) {
    d.texture->Release();
    d.texture = nullptr;
  }
  png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
}

// With `texture` set, the picture goes into it and must have the given size.
bool DecodePngToTexture(platform::Device* device, png_structp png, platform::Texture*& texture, int& width,
                        int& height) {
  PngDecode d;
  if (texture) {
    d.texture = texture;
    d.ownsTexture = false;
    d.expectedWidth = width;
    d.expectedHeight = height;
  }
  d.png = png;
  d.info = png_create_info_struct(png);
  if (!d.info) {
    png_destroy_read_struct(&d.png, nullptr, nullptr);
    return false;
  }
  int w = 0, h = 0;
  bool ok = false;
  try {
    ok = RunPngDecode(device, &d, &w, &h);
  } catch (...) {
    FinishPngDecode(d, false);
    throw;
  }
  FinishPngDecode(d, ok);
  if (!ok) return false;
  texture = d.texture;
  width = w;
  height = h;
  return true;
}

// Chunks a picture does not need that libpng reads whole into memory sized by their length
// field, which it only warns about when the length passes its limit: a 41-byte file claiming
// a 1.6 GB text chunk got 1.6 GB. They are skipped unread.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0eXIf\0pCAL\0sCAL";
constexpr int kSkippedChunkCount = sizeof kSkippedChunks / 5;

png_structp CreateReadStruct() {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorHandler, nullptr);
  if (!png) return nullptr;
  // A larger picture is refused at its header, before libpng allocates rows for it.
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
  return png;
}

bool DecodePngFromMemory(platform::Device* device, const void* data, unsigned size, platform::Texture*& texture,
                         int& width, int& height) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (!bytes || size < kSignatureBytes || png_sig_cmp(bytes, 0, kSignatureBytes) != 0) return false;
  png_structp png = CreateReadStruct();
  if (!png) return false;
  MemorySource source{bytes, size, kSignatureBytes};
  png_set_read_fn(png, &source, PngReadFromMemory);
  return DecodePngToTexture(device, png, texture, width, height);
}

}  // namespace

bool LoadPngFromMemory(platform::Device* device, const void* data, unsigned size, platform::Texture*& texture,
                       int& width, int& height) {
  texture = nullptr;
  return DecodePngFromMemory(device, data, size, texture, width, height);
}

bool ReadPngSize(const void* data, unsigned size, int& width, int& height) {
  // The signature, then the IHDR chunk: length 13, type, width and height big-endian.
  constexpr unsigned kHeaderBytes = kSignatureBytes + 16;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (!bytes || size < kHeaderBytes || png_sig_cmp(bytes, 0, kSignatureBytes) != 0 ||
      std::memcmp(bytes + kSignatureBytes, "\0\0\0\x0DIHDR", 8) != 0) {
    return false;
  }
  const auto word = [bytes](unsigned at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           std::uint32_t{bytes[at + 3]};
  };
  const std::uint32_t w = word(kSignatureBytes + 8);
  const std::uint32_t h = word(kSignatureBytes + 12);
  if (w == 0 || h == 0 || w > kMaxPictureSide || h > kMaxPictureSide) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool DecodePngInto(const void* data, unsigned size, platform::Texture* texture, int width, int height) {
  if (!texture) return false;
  return DecodePngFromMemory(nullptr, data, size, texture, width, height);
}

bool LoadPngFromFile(platform::Device* device, const std::wstring& path, platform::Texture*& texture, int& width,
                     int& height) {
  texture = nullptr;
  // Paths are UTF-8 on disk; narrowing to the Russian code page would turn other letters into
  // '?' and name a different file.
  std::ifstream in(platform::ToUtf8(path), std::ios::in | std::ios::binary);
  if (!in.good()) return false;
  unsigned char signature[kSignatureBytes];
  in.read(reinterpret_cast<char*>(signature), kSignatureBytes);
  if (in.gcount() != kSignatureBytes || png_sig_cmp(signature, 0, kSignatureBytes) != 0) return false;
  png_structp png = CreateReadStruct();
  if (!png) return false;
  png_set_read_fn(png, static_cast<std::istream*>(&in), PngReadFromStream);
  return DecodePngToTexture(device, png, texture, width, height);
}

#pragma once
// Reading and writing 32-bit images as PNG files, for golden-image comparisons. Pixels are
// 0xAARRGGBB words, top row first.

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

struct PngImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

inline bool WritePng(const std::string& path, const PngImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_BGRA;  // the byte order of 0xAARRGGBB words on little-endian machines
  return png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr) != 0;
}

inline bool ReadPng(const std::string& path, PngImage* out) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_BGRA;
  out->width = static_cast<int>(png.width);
  out->height = static_cast<int>(png.height);
  out->pixels.assign(static_cast<std::size_t>(out->width) * static_cast<std::size_t>(out->height),
                     0);
  if (!png_image_finish_read(&png, nullptr, out->pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  return true;
}

// The largest difference of any channel of any pixel; -1 when the sizes differ.
inline int MaxChannelDifference(const PngImage& a, const PngImage& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int worst = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      int d = std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                       static_cast<int>((b.pixels[i] >> shift) & 0xFF));
      if (d > worst) worst = d;
    }
  }
  return worst;
}

}  // namespace testing_support

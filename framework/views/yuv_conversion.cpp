#include "framework/views/yuv_conversion.h"

#include <algorithm>
#include <cstdint>

namespace {

// Every partial sum fits in 16 bits except B's, which only overflows where the result clamps
// to 255 anyway; so plain ints give the same bytes as saturating 16-bit arithmetic.
inline unsigned char Clamp(int value) { return static_cast<unsigned char>(std::clamp(value >> 6, 0, 255)); }

}  // namespace

void ConvertYuv420ToX8R8G8B8(const IMYuvPlanes& planes, int width, int height, void* bits, int pitch) {
  auto* out = static_cast<unsigned char*>(bits);
  for (int row = 0; row < height; ++row) {
    const unsigned char* y = planes.y + static_cast<std::ptrdiff_t>(row) * planes.yStride;
    const std::ptrdiff_t chromaRow = static_cast<std::ptrdiff_t>(row / 2) * planes.uvStride;
    const unsigned char* u = planes.u + chromaRow;
    const unsigned char* v = planes.v + chromaRow;
    unsigned char* pixel = out + static_cast<std::ptrdiff_t>(row) * pitch;
    for (int x = 0; x < width; ++x, pixel += 4) {
      const int luma = (y[x] - 16) * 74;
      const int cb = u[x / 2] - 128;
      const int cr = v[x / 2] - 128;
      pixel[0] = Clamp(luma + 129 * cb);
      pixel[1] = Clamp(luma - 25 * cb - 52 * cr);
      pixel[2] = Clamp(luma + 102 * cr);
      pixel[3] = 0;
    }
  }
}

#pragma once
// Y'CbCr 4:2:0 planes to X8R8G8B8 pixels (ITU-R BT.601, studio range, 6-bit fixed point).

#include <cstddef>

struct IMYuvPlanes {
  const unsigned char* y = nullptr;
  const unsigned char* u = nullptr;  // Cb
  const unsigned char* v = nullptr;  // Cr
  int yStride = 0;                   // may be negative: rows are always counted from the top
  int uvStride = 0;
};

// Converts width x height luma samples (each 2 x 2 block with one chroma pair) into `bits`,
// row r at bits + r * pitch, each pixel as the bytes B, G, R, 0.
void ConvertYuv420ToX8R8G8B8(const IMYuvPlanes& planes, int width, int height, void* bits, int pitch);

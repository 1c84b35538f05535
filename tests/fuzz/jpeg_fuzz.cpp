// JPEG pictures from memory.

#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return LoadPicture(LoadJpegFromMemory, data, size);
}

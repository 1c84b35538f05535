// Hostile Ogg Vorbis data through the memory decoder, the way a stream uses it: open, read to
// the end into a one-second buffer of the sound's format half by half, go back to the first
// frame and read again. Reading more than the decoder announced is a fault too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/sound/sound_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > UINT32_MAX) return 0;
  IMSoundDecoder decoder;
  if (!decoder.OpenMemory(data, static_cast<unsigned>(size))) return 0;
  const std::uint64_t announced = std::uint64_t{decoder.totalFrames} * decoder.bytesPerFrame;
  const auto half = static_cast<std::size_t>(decoder.rate / 2) * static_cast<std::size_t>(decoder.bytesPerFrame);
  std::vector<char> buffer(2 * half);
  for (int pass = 0; pass < 2; ++pass) {
    std::uint64_t read = 0;
    for (std::size_t fill = 0;; ++fill) {
      const unsigned got = decoder.ReadPcm(buffer.data() + fill % 2 * half, static_cast<unsigned>(half));
      if (got == 0) break;
      if (got % decoder.bytesPerFrame != 0) std::abort();
      read += got;
      if (read > announced) std::abort();
    }
    if (pass == 0) decoder.Rewind();
  }
  return 0;
}

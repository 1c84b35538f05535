// Companion resource modules: parsed, then asked for entries by number.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/platform/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto module = platform::ResourceModule::Parse(std::vector<unsigned char>(data, data + size));
  if (!module) return 0;
  volatile unsigned sum = 0;
  for (std::uint32_t number : {0u, 1u, 2u, 102u, 4001u, 4002u, 0xFFFFu, 0x80000001u}) {
    // Every byte of an entry is read, so a range outside the module shows.
    for (unsigned char byte : module->FindRcData(number)) sum = sum + byte;
  }
  return 0;
}

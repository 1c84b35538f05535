#pragma once
// The replay's stand-in for libFuzzer's -rss_limit_mb and -malloc_limit_mb: once the limit is
// on, heap memory held at once beyond kHeapLimitBytes, or one allocation beyond
// kAllocationLimitBytes, ends the program with a message, so an input that makes a library
// take gigabytes fails the replay instead of passing on a machine that happens to have the
// memory. Not available under ThreadSanitizer (no limit there).

#include <cstddef>

namespace fuzz {

constexpr std::size_t kHeapLimitBytes = std::size_t{2048} << 20;
// Four times the program's largest block: a texture of the longest side, 256 MiB.
constexpr std::size_t kAllocationLimitBytes = std::size_t{1024} << 20;

void LimitHeap();

}  // namespace fuzz

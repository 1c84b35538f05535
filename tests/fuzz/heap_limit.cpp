#include "heap_limit.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

// Which allocator the program runs on: a sanitizer's, or the C library's.
#if defined(__SANITIZE_THREAD__)
#define IM_THREAD_SANITIZER 1
#elif defined(__SANITIZE_ADDRESS__)
#define IM_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define IM_THREAD_SANITIZER 1
#elif __has_feature(address_sanitizer)
#define IM_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

std::atomic<bool> g_limited{false};
// Bytes held now; blocks freed that were taken before counting began may take it below zero.
std::atomic<long long> g_held{0};

[[maybe_unused]] [[noreturn]] void Exceeded() {
  static const char kMessage[] =
      "heap limit: the input made the program hold more than 2048 MiB at once, or ask for 1024 MiB in one block\n";
  [[maybe_unused]] const auto written = write(2, kMessage, sizeof kMessage - 1);
  std::abort();
}

[[maybe_unused]] void Refuse(std::size_t bytes) {
  if (g_limited.load(std::memory_order_relaxed) && bytes > fuzz::kAllocationLimitBytes) Exceeded();
}

[[maybe_unused]] void Took(std::size_t bytes) {
  const long long held = g_held.fetch_add(static_cast<long long>(bytes), std::memory_order_relaxed) +
                         static_cast<long long>(bytes);
  if (g_limited.load(std::memory_order_relaxed) && held > static_cast<long long>(fuzz::kHeapLimitBytes)) Exceeded();
}

[[maybe_unused]] void Gave(std::size_t bytes) { g_held.fetch_sub(static_cast<long long>(bytes), std::memory_order_relaxed); }

}  // namespace

#if defined(IM_THREAD_SANITIZER)

void fuzz::LimitHeap() {}

#elif defined(IM_ADDRESS_SANITIZER)

// The sanitizer runtime's allocator hooks (declared here: not every compiler ships the header).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                                         void (*free_hook)(const volatile void*));
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);

namespace {
void OnMalloc(const volatile void*, std::size_t size) {
  Refuse(size);
  Took(size);
}
void OnFree(const volatile void* p) { Gave(__sanitizer_get_allocated_size(p)); }
}  // namespace

void fuzz::LimitHeap() {
  __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
  g_limited = true;
}

#else

// Without a sanitizer the C library's allocator is wrapped (glibc lets a program replace it),
// counting each block by its usable size.
#include <malloc.h>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* __libc_memalign(std::size_t, std::size_t);
void* __libc_valloc(std::size_t);
void* __libc_pvalloc(std::size_t);
}

namespace {
void* Counted(void* p) {
  if (p) Took(malloc_usable_size(p));
  return p;
}
}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
  Refuse(size);
  return Counted(__libc_malloc(size));
}

void* calloc(std::size_t count, std::size_t size) noexcept {
  if (size != 0 && count > static_cast<std::size_t>(-1) / size) return nullptr;
  Refuse(count * size);
  return Counted(__libc_calloc(count, size));
}

void* realloc(void* p, std::size_t size) noexcept {
  Refuse(size);
  const std::size_t before = p ? malloc_usable_size(p) : 0;
  void* q = __libc_realloc(p, size);
  if (q || size == 0) Gave(before);
  return Counted(q);
}

void free(void* p) noexcept {
  if (p) Gave(malloc_usable_size(p));
  __libc_free(p);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
  Refuse(size);
  return Counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept { return memalign(alignment, size); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
  void* p = memalign(alignment, size);
  if (!p && size != 0) return 12;  // ENOMEM
  *out = p;
  return 0;
}

void* valloc(std::size_t size) noexcept {
  Refuse(size);
  return Counted(__libc_valloc(size));
}

void* pvalloc(std::size_t size) noexcept {
  Refuse(size);
  return Counted(__libc_pvalloc(size));
}

}  // extern "C"

void fuzz::LimitHeap() { g_limited = true; }

#endif

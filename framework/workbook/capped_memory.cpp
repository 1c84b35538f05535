#include "framework/workbook/capped_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstdlib>

using namespace XERCES_CPP_NAMESPACE;

namespace {

// Each block remembers its size in front of it, kept at the alignment malloc gives.
constexpr size_t kHeader = alignof(std::max_align_t);
// What malloc keeps beside each block it hands out, on top of what malloc_usable_size reports.
constexpr size_t kMallocOverhead = sizeof(size_t);

}  // namespace

CappedMemory::~CappedMemory() {
  for (const Region& region : regions_) ::munmap(region.start, region.size);
}

MemoryManager* CappedMemory::getExceptionMemoryManager() { return XMLPlatformUtils::fgMemoryManager; }

void CappedMemory::Charge(size_t bytes) {
  if (bytes > ceiling_ - used_) {
    ceilingReached_ = true;
    throw OutOfMemoryException();
  }
  used_ += bytes;
  if (used_ > peak_) peak_ = used_;
}

void* CappedMemory::allocate(XMLSize_t size) {
  if (size > ceiling_ - used_ || size + kHeader < size) {
    ceilingReached_ = true;
    throw OutOfMemoryException();
  }
  const bool large = size >= kLargeBlock;
  unsigned char* block = large ? FromRegion(size + kHeader) : static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw OutOfMemoryException();
  // A region's block was counted when it was carved.
  const size_t cost = large ? 0 : ::malloc_usable_size(block) + kMallocOverhead;
  *reinterpret_cast<size_t*>(block) = cost;
  try {
    Charge(cost);
  } catch (...) {
    std::free(block);
    throw;
  }
  return block + kHeader;
}

void CappedMemory::deallocate(void* p) {
  if (p == nullptr) return;
  unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
  const size_t cost = *reinterpret_cast<size_t*>(block);
  // A large block stays part of its region, and counted, until the whole memory goes.
  if (cost == 0) return;
  used_ -= cost;
  std::free(block);
}

unsigned char* CappedMemory::FromRegion(size_t size) {
  size = (size + kHeader - 1) / kHeader * kHeader;
  if (regions_.empty() || regions_.back().size - regions_.back().used < size) {
    // Whole pages, and the space left in the last region, which nothing else will use.
    const size_t page = 4096;
    const size_t regionSize = size > kRegionBytes ? (size + page - 1) / page * page : kRegionBytes;
    Charge(regions_.empty() ? 0 : regions_.back().size - regions_.back().used);
    void* start = ::mmap(nullptr, regionSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) return nullptr;
    // A parsed workbook fills hundreds of megabytes at once: in large pages it faults far less.
    ::madvise(start, regionSize, MADV_HUGEPAGE);
    try {
      regions_.push_back({static_cast<unsigned char*>(start), regionSize, 0});
    } catch (...) {
      ::munmap(start, regionSize);
      return nullptr;
    }
  }
  Charge(size);
  Region& region = regions_.back();
  unsigned char* block = region.start + region.used;
  region.used += size;
  return block;
}

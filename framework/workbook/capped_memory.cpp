#include "framework/workbook/capped_memory.h"

#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstdlib>

using namespace XERCES_CPP_NAMESPACE;

namespace {

// Each block remembers its size in front of it, kept at the alignment malloc gives.
constexpr size_t kHeader = alignof(std::max_align_t);

}  // namespace

MemoryManager* CappedMemory::getExceptionMemoryManager() { return XMLPlatformUtils::fgMemoryManager; }

void* CappedMemory::allocate(XMLSize_t size) {
  if (size > ceiling_ - used_) {
    ceilingReached_ = true;
    throw OutOfMemoryException();
  }
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw OutOfMemoryException();
  *reinterpret_cast<size_t*>(block) = size;
  used_ += size;
  if (used_ > peak_) peak_ = used_;
  return block + kHeader;
}

void CappedMemory::deallocate(void* p) {
  if (p == nullptr) return;
  unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
  used_ -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}

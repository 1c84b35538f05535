#pragma once
// A Xerces memory manager with a ceiling on what reading or writing one workbook costs: each
// block is counted as the allocator sizes it (its header and rounding included), and the copies
// made beside the document (the file's bytes, the written output, the cells copied out) are
// charged to the same figure. Reaching the ceiling says the file is not one of ours; the machine
// running out below it says nothing about the file.

#include <xercesc/framework/MemoryManager.hpp>

#include <cstddef>
#include <vector>

class CappedMemory final : public XERCES_CPP_NAMESPACE::MemoryManager {
 public:
  explicit CappedMemory(size_t ceiling) : ceiling_(ceiling) {}
  CappedMemory(const CappedMemory&) = delete;
  CappedMemory& operator=(const CappedMemory&) = delete;
  ~CappedMemory() override;

  XERCES_CPP_NAMESPACE::MemoryManager* getExceptionMemoryManager() override;
  // Throws OutOfMemoryException past the ceiling (CeilingReached then says so) or when the
  // machine has no more.
  void* allocate(XMLSize_t size) override;
  void deallocate(void* p) override;

  // Memory taken elsewhere for the same work: counted, or thrown for, as an allocation is.
  void Charge(size_t bytes);
  void Refund(size_t bytes) { used_ -= bytes < used_ ? bytes : used_; }

  bool CeilingReached() const { return ceilingReached_; }
  size_t Peak() const { return peak_; }

 private:
  // The document's own heap comes in large blocks, freed only with the document: those are
  // carved from regions of their own.
  static constexpr size_t kLargeBlock = 64u << 10;
  static constexpr size_t kRegionBytes = 32u << 20;
  struct Region {
    unsigned char* start;
    size_t size, used;
  };
  unsigned char* FromRegion(size_t size);

  std::vector<Region> regions_;
  size_t ceiling_;
  size_t used_ = 0;
  size_t peak_ = 0;
  bool ceilingReached_ = false;
};

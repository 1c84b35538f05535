#pragma once
// A Xerces memory manager with a ceiling: a parse of a workbook takes no more memory than this
// program's own largest workbook needs, whatever the file holds (an element flood, say), and the
// same on every machine. Reaching the ceiling says the file is not one of ours; the machine
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

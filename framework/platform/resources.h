#pragma once
// Numbered resources: the program's own, then those of the companion resource-only module
// "Animations.dll", which is read as data (its RCDATA entries by number), never run.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace platform {

// A resource's bytes and whatever keeps them alive (nothing for the program's own).
struct ResourceData {
  std::span<const unsigned char> bytes;
  std::shared_ptr<const void> owner;

  explicit operator bool() const { return owner || !bytes.empty(); }
};

// A Windows resource-only module's RCDATA entries, parsed from its bytes. Malformed modules
// yield fewer (or no) entries; every offset is checked against the bytes.
class ResourceModule {
 public:
  // Null when the bytes are no PE image with a resource section.
  static std::shared_ptr<const ResourceModule> Parse(std::vector<unsigned char> image);
  static std::shared_ptr<const ResourceModule> Load(const std::filesystem::path& path);

  // The RCDATA entry with that number (its first language); empty when there is none.
  std::span<const unsigned char> FindRcData(std::uint32_t number) const;
  // How many numbered RCDATA entries were found.
  std::size_t EntryCount() const { return entries_.size(); }

 private:
  struct Entry {
    std::uint32_t number;
    std::size_t offset;
    std::size_t size;
  };

  std::vector<unsigned char> image_;
  std::vector<Entry> entries_;
};

// The program's own resource `number`, else the companion module's, searched beside the
// executable and then in the current folder. The module is read once per process, and again
// when its file changes. Empty when neither holds it.
ResourceData FindResource(std::uint32_t number);

}  // namespace platform

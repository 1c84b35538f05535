#include "framework/platform/resources.h"

#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <unordered_set>

#include "media/embedded.h"

namespace platform {

namespace {

// The few facts of the PE image and resource-section layout this reader needs.
constexpr std::size_t kDosLfanewOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint16_t kOptionalMagic32 = 0x10B;
constexpr std::uint16_t kOptionalMagic64 = 0x20B;
constexpr std::size_t kDirectoryCountOffset32 = 92;
constexpr std::size_t kDirectoryCountOffset64 = 108;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::uint32_t kResourceHighBit = 0x80000000u;
constexpr std::uint32_t kRtRcData = 10;

// Bounds-checked little-endian reads; nullopt past the end.
class Reader {
 public:
  explicit Reader(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  std::optional<std::uint32_t> U32(std::size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return std::nullopt;
    return static_cast<std::uint32_t>(bytes_[offset]) | static_cast<std::uint32_t>(bytes_[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
  }
  std::optional<std::uint16_t> U16(std::size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 2) return std::nullopt;
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }

 private:
  std::span<const unsigned char> bytes_;
};

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

// The file range [offset, offset + size) for an RVA range, when one section holds all of it.
std::optional<std::size_t> RvaToOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint32_t size,
                                       std::size_t fileSize) {
  for (const Section& s : sections) {
    if (rva < s.virtualAddress) continue;
    const std::uint64_t within = rva - s.virtualAddress;
    if (within + size > s.rawSize) continue;
    const std::uint64_t offset = s.rawOffset + within;
    if (offset + size > fileSize) return std::nullopt;
    return static_cast<std::size_t>(offset);
  }
  return std::nullopt;
}

struct DirectoryEntry {
  std::uint32_t name;
  std::uint32_t target;
};

// The entries of the resource directory at `offset` (relative to the section start `base`).
std::vector<DirectoryEntry> ReadDirectory(const Reader& reader, std::size_t base, std::size_t sectionSize,
                                          std::uint32_t offset) {
  std::vector<DirectoryEntry> entries;
  if (offset >= sectionSize || sectionSize - offset < kResourceDirectorySize) return entries;
  const auto named = reader.U16(base + offset + 12);
  const auto numbered = reader.U16(base + offset + 14);
  if (!named || !numbered) return entries;
  const std::size_t count = std::size_t{*named} + *numbered;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = offset + kResourceDirectorySize + i * kResourceEntrySize;
    if (at + kResourceEntrySize > sectionSize) break;
    entries.push_back({*reader.U32(base + at), *reader.U32(base + at + 4)});
  }
  return entries;
}

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::shared_ptr<const ResourceModule> ResourceModule::Parse(std::vector<unsigned char> image) {
  auto module = std::make_shared<ResourceModule>();
  module->image_ = std::move(image);
  const Reader reader(module->image_);
  const std::size_t fileSize = module->image_.size();

  if (fileSize < 2 || module->image_[0] != 'M' || module->image_[1] != 'Z') return nullptr;
  const auto peOffset = reader.U32(kDosLfanewOffset);
  if (!peOffset || reader.U32(*peOffset) != kPeSignature) return nullptr;
  const std::size_t fileHeader = std::size_t{*peOffset} + 4;
  const auto sectionCount = reader.U16(fileHeader + 2);
  const auto optionalSize = reader.U16(fileHeader + 16);
  if (!sectionCount || !optionalSize) return nullptr;
  const std::size_t optional = fileHeader + kFileHeaderSize;
  const auto magic = reader.U16(optional);
  if (!magic) return nullptr;
  std::size_t countOffset = 0;
  if (*magic == kOptionalMagic32) {
    countOffset = kDirectoryCountOffset32;
  } else if (*magic == kOptionalMagic64) {
    countOffset = kDirectoryCountOffset64;
  } else {
    return nullptr;
  }
  const auto directoryCount = reader.U32(optional + countOffset);
  if (!directoryCount || *directoryCount <= kResourceDirectoryIndex) return nullptr;
  const std::size_t resourceDirectory = optional + countOffset + 4 + kResourceDirectoryIndex * 8;
  if (resourceDirectory + 8 > optional + *optionalSize) return nullptr;
  const auto resourceRva = reader.U32(resourceDirectory);
  const auto resourceSize = reader.U32(resourceDirectory + 4);
  if (!resourceRva || !resourceSize || *resourceSize == 0) return nullptr;

  std::vector<Section> sections;
  const std::size_t sectionTable = optional + *optionalSize;
  for (std::size_t i = 0; i < *sectionCount; ++i) {
    const std::size_t at = sectionTable + i * kSectionHeaderSize;
    const auto virtualSize = reader.U32(at + 8);
    const auto virtualAddress = reader.U32(at + 12);
    const auto rawSize = reader.U32(at + 16);
    const auto rawOffset = reader.U32(at + 20);
    if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return nullptr;
    sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawOffset});
  }
  const auto base = RvaToOffset(sections, *resourceRva, *resourceSize, fileSize);
  if (!base) return nullptr;
  const std::size_t sectionSize = *resourceSize;

  // Three levels: type, then number, then language; only numbered RCDATA entries count. In a
  // well-formed module the directories form a tree. A directory reached again (shared by two
  // entries, or a loop) is not read again, so a module has at most one entry per language
  // directory and reading it takes time in proportion to its size.
  std::unordered_set<std::uint32_t> visited;
  auto firstVisit = [&visited](std::uint32_t offset) { return visited.insert(offset).second; };
  firstVisit(0);
  for (const DirectoryEntry& type : ReadDirectory(reader, *base, sectionSize, 0)) {
    if (type.name != kRtRcData || !(type.target & kResourceHighBit)) continue;
    const std::uint32_t numbers = type.target & ~kResourceHighBit;
    if (!firstVisit(numbers)) continue;
    for (const DirectoryEntry& name : ReadDirectory(reader, *base, sectionSize, numbers)) {
      if ((name.name & kResourceHighBit) || !(name.target & kResourceHighBit)) continue;
      const std::uint32_t languagesAt = name.target & ~kResourceHighBit;
      if (!firstVisit(languagesAt)) continue;
      const auto languages = ReadDirectory(reader, *base, sectionSize, languagesAt);
      if (languages.empty() || (languages.front().target & kResourceHighBit)) continue;
      const std::uint32_t dataEntry = languages.front().target;
      if (dataEntry >= sectionSize || sectionSize - dataEntry < 16) continue;
      const auto dataRva = reader.U32(*base + dataEntry);
      const auto dataSize = reader.U32(*base + dataEntry + 4);
      if (!dataRva || !dataSize) continue;
      const auto dataOffset = RvaToOffset(sections, *dataRva, *dataSize, fileSize);
      if (!dataOffset) continue;
      module->entries_.push_back({name.name, *dataOffset, *dataSize});
    }
  }
  return module;
}

std::shared_ptr<const ResourceModule> ResourceModule::Load(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  std::vector<unsigned char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return Parse(std::move(image));
}

std::span<const unsigned char> ResourceModule::FindRcData(std::uint32_t number) const {
  for (const Entry& entry : entries_) {
    if (entry.number == number) return std::span<const unsigned char>(image_).subspan(entry.offset, entry.size);
  }
  return {};
}

namespace {

// The companion module at `path` as last read, and what its file looked like then.
struct CachedModule {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
  std::shared_ptr<const ResourceModule> module;  // null when the file is no module
};

// Read once, and again only when the file's size or time changes. Null when there is no file.
std::shared_ptr<const ResourceModule> CompanionModule(const std::filesystem::path& path) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, CachedModule> cache;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  const std::filesystem::file_time_type modified = error ? std::filesystem::file_time_type() :
                                                           std::filesystem::last_write_time(path, error);
  const std::lock_guard<std::mutex> lock(mutex);
  if (error) {
    cache.erase(path);
    return nullptr;
  }
  const auto found = cache.find(path);
  if (found != cache.end() && found->second.size == size && found->second.modified == modified) {
    return found->second.module;
  }
  auto module = ResourceModule::Load(path);
  cache[path] = CachedModule{size, modified, module};
  return module;
}

}  // namespace

ResourceData FindResource(std::uint32_t number) {
  if (auto own = media::FindResource(number); !own.empty()) return {own, nullptr};
  // Like a module loaded as a data file. A lookup holds the module it found, so a later change
  // of the file never takes bytes from under a picture or a sound.
  std::error_code error;
  const std::filesystem::path folders[] = {ExecutableFolder(), std::filesystem::current_path(error)};
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    auto module = CompanionModule(folder / "Animations.dll");
    if (!module) continue;
    auto bytes = module->FindRcData(number);
    if (bytes.empty()) return {};
    return {bytes, module};
  }
  return {};
}

}  // namespace platform

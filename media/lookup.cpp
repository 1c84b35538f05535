#include <string>

#include "media/embedded.h"

namespace media {

namespace {
std::span<const unsigned char> Find(const std::vector<Entry>& table, std::wstring_view name) {
  for (const Entry& entry : table) {
    if (entry.name == name) return entry.data;
  }
  return {};
}
}  // namespace

std::span<const unsigned char> FindBuiltIn(std::wstring_view name) { return Find(BuiltIn(), name); }

std::span<const unsigned char> FindResource(unsigned number) {
  return Find(Resources(), std::to_wstring(number));
}

}  // namespace media

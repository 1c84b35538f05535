#include "framework/platform/folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "framework/platform/utf.h"

namespace platform {

bool GetCommonAppDataFolder(std::wstring* out) {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) {
    *out = FromUtf8(data);
    return true;
  }
  if (!GetHomeFolder(out)) return false;
  *out += L"/.local/share";
  return true;
}

bool GetCurrentFolder(std::wstring* out) {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error) return false;
  *out = FromUtf8(current.string());
  return true;
}

bool GetHomeFolder(std::wstring* out) {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return false;
  *out = FromUtf8(home);
  return true;
}

bool DirectoryExists(const std::wstring& path) {
  std::error_code error;
  return std::filesystem::is_directory(std::filesystem::path(ToUtf8(path)), error);
}

bool CreateDirectory(const std::wstring& path) {
  std::error_code error;
  return std::filesystem::create_directory(std::filesystem::path(ToUtf8(path)), error) && !error;
}

}  // namespace platform

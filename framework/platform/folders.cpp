#include "framework/platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "framework/platform/backend.h"
#include "framework/platform/utf.h"

namespace platform {

bool GetCommonAppDataFolder(std::wstring* out) {
  const std::string shared = backend::SharedDataFolder();
  if (!shared.empty() && DirectoryExists(FromUtf8(shared)) && ::access(shared.c_str(), W_OK | X_OK) == 0) {
    *out = FromUtf8(shared);
    return true;
  }
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
  const std::filesystem::path folder(ToUtf8(path));
  std::error_code error;
  if (!std::filesystem::create_directory(folder, error) || error) return false;
  // Searchable wherever it is readable.
  if (const unsigned mode = SharedFileMode(folder.parent_path().string())) {
    ::chmod(folder.c_str(), mode | (mode & 0444) >> 2);
  }
  return true;
}

unsigned SharedFileMode(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
  if ((st.st_mode & S_ISVTX) || !(st.st_mode & (S_IWGRP | S_IWOTH))) return 0;
  unsigned mode = 0600;
  if (st.st_mode & S_IWGRP) mode |= 0060;
  if (st.st_mode & S_IWOTH) mode |= 0006;
  return mode;
}

}  // namespace platform

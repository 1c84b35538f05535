#include "framework/platform/folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "framework/platform/backend.h"
#include "framework/platform/utf.h"

namespace platform {

bool GetCommonAppDataFolder(std::wstring* out) {
  const std::string shared = backend::SharedDataFolder();
  // Accounts only read the installed folder; the program that alone may write it saves there.
  if (!shared.empty() && DirectoryExists(FromUtf8(shared))) {
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
  const std::string folder = ToUtf8(path);
  if (folder.empty()) return false;
  // Each missing folder on the way, private to the account as the XDG rules say; one that is
  // there (a link to a folder included) is kept as it is.
  for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string prefix = folder.substr(0, end);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (end == std::string::npos) break;
  }
  return DirectoryExists(path);
}

}  // namespace platform

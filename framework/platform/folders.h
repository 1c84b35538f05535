#pragma once
// Folders of the desktop: where shared application data lives, and making one level of folder.
// Paths are wide strings here and UTF-8 on disk.

#include <string>

namespace platform {

// The all-users application-data folder: $XDG_DATA_HOME, else ~/.local/share. False when
// neither can be named.
bool GetCommonAppDataFolder(std::wstring* out);
// The process's current folder, and the user's home folder; false when they cannot be named.
bool GetCurrentFolder(std::wstring* out);
bool GetHomeFolder(std::wstring* out);
bool DirectoryExists(const std::wstring& path);
// Creates the folder itself, not its parents.
bool CreateDirectory(const std::wstring& path);

}  // namespace platform

#pragma once
// Folders of the desktop: where shared application data lives, and making a missing folder.
// Paths are wide strings here and UTF-8 on disk.

#include <string>

namespace platform {

// The all-users application-data folder: the shared folder an installed package made, when it
// exists (accounts read it; only the package's writer program changes it); else
// $XDG_DATA_HOME, else ~/.local/share. False when none can be named.
bool GetCommonAppDataFolder(std::wstring* out);
// The process's current folder, and the user's home folder; false when they cannot be named.
bool GetCurrentFolder(std::wstring* out);
bool GetHomeFolder(std::wstring* out);
bool DirectoryExists(const std::wstring& path);
// Creates the folder and its missing parents, each new one 0700; true when the folder is there.
bool CreateDirectory(const std::wstring& path);

}  // namespace platform

#pragma once
// Folders of the desktop: where shared application data lives, and making one level of folder.
// Paths are wide strings here and UTF-8 on disk.

#include <string>

namespace platform {

// The all-users application-data folder: the shared folder an installed package made, when it
// exists and this account may write it; else $XDG_DATA_HOME, else ~/.local/share. False when
// none can be named.
bool GetCommonAppDataFolder(std::wstring* out);
// The process's current folder, and the user's home folder; false when they cannot be named.
bool GetCurrentFolder(std::wstring* out);
bool GetHomeFolder(std::wstring* out);
bool DirectoryExists(const std::wstring& path);
// Creates the folder itself, not its parents. In a folder that other accounts share, the new
// folder is shared alike (see SharedFileMode).
bool CreateDirectory(const std::wstring& path);

// The permission bits a new file in the folder (UTF-8 path) gets whatever the umask: where other
// accounts may write the folder (and no sticky bit keeps them from each other's files) they may
// replace the file anyway, so they may read and write it too, and the next pupil's account
// extends what the last one wrote. 0 for any other folder: the umask decides as usual.
unsigned SharedFileMode(const std::string& folder);

}  // namespace platform

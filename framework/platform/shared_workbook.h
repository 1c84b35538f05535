#pragma once
// The installed package's shared data folder and the program that alone may write the workbook
// in it (UTF-8 paths).

#include <string>

namespace platform {

// False where none is compiled in: a build in the source tree, and the tests' start state.
bool GetSharedWorkbookWriter(std::string* folder, std::string* program);

}  // namespace platform

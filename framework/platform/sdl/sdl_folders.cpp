// Where the installed package keeps the data every account shares. Only an install or package
// build names it; a build in the source tree has none, so it never touches a machine's copy.

#include <string>

#include "framework/platform/backend.h"

#ifndef IM_SHARED_DATA_FOLDER
#define IM_SHARED_DATA_FOLDER ""
#endif
#ifndef IM_WORKBOOK_WRITER
#define IM_WORKBOOK_WRITER ""
#endif

namespace platform::backend {

std::string SharedDataFolder() { return IM_SHARED_DATA_FOLDER; }
std::string WorkbookWriterProgram() { return IM_WORKBOOK_WRITER; }

}  // namespace platform::backend

// Where the installed package keeps the data every account shares. Only an install or package
// build names it; a build in the source tree has none, so it never touches a machine's copy.

#include <string>

#include "framework/platform/backend.h"

#ifndef IM_SHARED_DATA_FOLDER
#define IM_SHARED_DATA_FOLDER ""
#endif

namespace platform::backend {

std::string SharedDataFolder() { return IM_SHARED_DATA_FOLDER; }

}  // namespace platform::backend

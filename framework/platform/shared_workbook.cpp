#include "framework/platform/shared_workbook.h"

#include "framework/platform/backend.h"

namespace platform {

bool GetSharedWorkbookWriter(std::string* folder, std::string* program) {
  *folder = backend::SharedDataFolder();
  *program = backend::WorkbookWriterProgram();
  return !folder->empty() && !program->empty();
}

}  // namespace platform

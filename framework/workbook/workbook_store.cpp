#include "framework/workbook/workbook_store.h"

namespace workbook_store {

std::unique_ptr<Store> LocalStore(const std::string&, int) { return nullptr; }

std::unique_ptr<Store> ForPath(const std::string& path) {
  if (auto shared = SharedStore(path)) return shared;
  return LocalStore(path);
}

}  // namespace workbook_store

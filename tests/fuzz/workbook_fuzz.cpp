// Results workbooks as a run meets them: the file is opened, the pupil's row added and the
// workbook saved over it. A damaged file must be kept aside byte for byte, the save must
// succeed, and what was saved must open again as a workbook.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <xercesc/util/PlatformUtils.hpp>

#include "framework/workbook/statistics_workbook.h"

namespace {

namespace fs = std::filesystem;

fs::path g_folder;

void RemoveFolder() {
  std::error_code error;
  fs::remove_all(g_folder, error);
}

// A folder of this process's own, in memory where the system has one (every save syncs),
// removed when the process ends.
fs::path Folder() {
  const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  g_folder = base / ("im-workbook-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(g_folder);
  std::atexit(RemoveFolder);
  return g_folder;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Held for the whole run, so that each workbook's own start and end of the library are cheap.
  static const bool initialized = (XERCES_CPP_NAMESPACE::XMLPlatformUtils::Initialize(), true);
  static const fs::path folder = Folder();
  (void)initialized;
  for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());
  const fs::path path = folder / "results.xls";
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::ofstream(path, std::ios::binary).write(input.data(), static_cast<std::streamsize>(input.size()));

  std::wstring aside;
  {
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), L"Pupil");
    workbook.AddRow(L"Caption", L"5", L"Number");
    if (!workbook.Save(L"")) std::abort();
    aside = workbook.GetMovedAsidePath();
  }
  if (!aside.empty() && ReadFile(fs::path(aside)) != input) std::abort();
  {
    IMStatisticsWorkbook again;
    again.Open(path.wstring(), L"Pupil");
    if (!again.GetMovedAsidePath().empty()) std::abort();
  }
  return 0;
}

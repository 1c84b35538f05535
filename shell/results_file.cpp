#include "shell/results_file.h"

#include <cstdio>

#include "framework/platform/folders.h"
#include "framework/platform/utf.h"
#include "framework/workbook/statistics_workbook.h"

std::wstring ResultsBookPath(const std::wstring& caption) {
  std::wstring folder;
  if (platform::GetCommonAppDataFolder(&folder)) {
    const std::wstring velt = folder + L"/VELT";
    if (platform::DirectoryExists(velt) || platform::CreateDirectory(velt)) {
      folder = velt + L"/";
    } else {
      folder.clear();
    }
  }
  return folder + caption + L".xls";
}

std::wstring BackupFileName(const std::wstring& caption, std::time_t moment, int attempt) {
  std::tm local{};
  localtime_r(&moment, &local);
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L"%04d-%02d-%02d %02d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  std::wstring name = caption + L" (резервная копия " + stamp + L")";
  if (attempt > 1) name += L" " + std::to_wstring(attempt);
  return name + L".xls";
}

namespace {

// One line for each time the workbook's own file was moved aside while `step` ran.
template <typename Step>
auto SayingMovedAside(IMStatisticsWorkbook* workbook, Step step) {
  const int before = workbook->GetMovedAsideCount();
  const auto result = step();
  if (workbook->GetMovedAsideCount() != before) {
    std::fprintf(stderr, "%s was no workbook this program can read; it was moved aside to %s\n",
                 platform::ToUtf8(workbook->GetPath()).c_str(), platform::ToUtf8(workbook->GetMovedAsidePath()).c_str());
  }
  return result;
}

}  // namespace

void OpenResults(IMStatisticsWorkbook* workbook, const std::wstring& caption, const std::wstring& pupil) {
  SayingMovedAside(workbook, [&] {
    workbook->Open(ResultsBookPath(caption), pupil);
    return true;
  });
}

bool SaveResultsCopy(IMStatisticsWorkbook* workbook, const std::wstring& path) {
  return SayingMovedAside(workbook, [&] { return workbook->Save(path); });
}

bool KeepResults(IMStatisticsWorkbook* workbook, const std::wstring& caption) {
  return SayingMovedAside(workbook, [&] { return workbook->Save(L""); }) || KeepBackup(workbook, caption);
}

bool KeepBackup(IMStatisticsWorkbook* workbook, const std::wstring& caption) {
  const std::string own = platform::ToUtf8(workbook->GetPath());
  const std::string why = workbook->GetSaveFailure().empty() ? "" : " (" + workbook->GetSaveFailure() + ")";
  const std::time_t now = std::time(nullptr);
  std::wstring folders[2];
  const bool named[2] = {platform::GetCurrentFolder(&folders[0]), platform::GetHomeFolder(&folders[1])};
  for (int f = 0; f < 2; ++f) {
    if (!named[f]) continue;
    // A few names in case one is taken; a folder that takes no file at all fails them all.
    for (int attempt = 1; attempt <= 5; ++attempt) {
      const std::wstring backup = folders[f] + L"/" + BackupFileName(caption, now, attempt);
      if (workbook->SaveToNewFile(backup)) {
        std::fprintf(stderr, "The results could not be written to %s%s; they were saved to %s\n", own.c_str(),
                     why.c_str(), platform::ToUtf8(backup).c_str());
        return true;
      }
    }
  }
  std::fprintf(stderr, "The results could not be written to %s%s nor to a backup file\n", own.c_str(), why.c_str());
  return false;
}

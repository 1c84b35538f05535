#pragma once
// Where the pupils' results go on disk: the workbook's own file in the shared data folder, and,
// when that cannot be written, a backup file where a teacher finds it, so no run's rows are lost.

#include <ctime>
#include <string>

class IMStatisticsWorkbook;

// "<folder>/VELT/<caption>.xls" in the shared data folder (VELT and its parents made when missing),
// else "<caption>.xls" in the current folder.
std::wstring ResultsBookPath(const std::wstring& caption);

// "<caption> (резервная копия YYYY-MM-DD HH-MM-SS).xls", numbered from the second try on.
std::wstring BackupFileName(const std::wstring& caption, std::time_t moment, int attempt);

// Writes the workbook to its own file; when that fails, to a new backup file in the current
// folder, else in the home folder, never over another file, and says on stderr where the rows
// went. False when they could be written nowhere.
bool KeepResults(IMStatisticsWorkbook* workbook, const std::wstring& caption);
// Opens the workbook at its own file for the pupil, saying on stderr where a file that was no
// workbook went, as the teacher must find it.
void OpenResults(IMStatisticsWorkbook* workbook, const std::wstring& caption, const std::wstring& pupil);

// Save as: the workbook copied to the path, saying the same.
bool SaveResultsCopy(IMStatisticsWorkbook* workbook, const std::wstring& path);

// Only the backup file.
bool KeepBackup(IMStatisticsWorkbook* workbook, const std::wstring& caption);

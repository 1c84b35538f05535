// One run's end: open a workbook of 1,000 pupils with 11 rows each, add the run's 11 rows, save.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/platform/utf.h"
#include "framework/workbook/statistics_workbook.h"

namespace {

constexpr int kPupils = 1000;

void AddRun(IMStatisticsWorkbook& workbook) {
  workbook.AddRow(L"Время начала работы с упражнением", L"05-March-2024 10:15", L"String");
  workbook.AddRow(L"Количество кликов не колесом", L"17", L"Number");
  for (int plate = 1; plate <= 6; ++plate) {
    workbook.AddRow(L"время загрузки. мс. " + std::to_wstring(plate) + L" плиты", L"12345", L"Number");
  }
  workbook.AddRow(L"Количество дополнительных вызовов инструкций", L"2", L"Number");
  workbook.AddRow(L"Общее время работы с упражнением. с.", L"98", L"Number");
  workbook.AddEmptyRow();
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::wstring PupilName(int n) { return L"Ученик " + std::to_wstring(n); }

// The big workbook, built from one sheet as the class writes it, copied once per pupil.
class BigWorkbook {
 public:
  BigWorkbook() {
    std::string pattern = (std::filesystem::temp_directory_path() / "workbook-bench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    path_ = folder_ / "stats.xls";
    {
      IMStatisticsWorkbook workbook;
      workbook.Open(path_.wstring(), L"@");
      AddRun(workbook);
      workbook.Save(L"");
    }
    const std::string one = ReadBytes(path_);
    const size_t sheetStart = one.find("<Worksheet");
    const size_t sheetEnd = one.rfind("</Workbook>");
    const std::string sheet = one.substr(sheetStart, sheetEnd - sheetStart);
    const size_t at = sheet.find('@');
    bytes_ = one.substr(0, sheetStart);
    for (int n = 0; n < kPupils; ++n) {
      bytes_ += sheet.substr(0, at) + platform::ToUtf8(PupilName(n)) + sheet.substr(at + 1);
    }
    bytes_ += "</Workbook>";
  }
  ~BigWorkbook() { std::filesystem::remove_all(folder_); }

  void Restore() const { std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes_; }
  std::wstring Path() const { return path_.wstring(); }
  size_t Size() const { return bytes_.size(); }

 private:
  std::filesystem::path folder_;
  std::filesystem::path path_;
  std::string bytes_;
};

void RunFor(benchmark::State& state, const std::wstring& pupil) {
  BigWorkbook big;
  for (auto _ : state) {
    state.PauseTiming();
    big.Restore();
    state.ResumeTiming();
    IMStatisticsWorkbook workbook;
    workbook.Open(big.Path(), pupil);
    AddRun(workbook);
    if (!workbook.Save(L"")) state.SkipWithError("save failed");
  }
  state.counters["file_bytes"] = static_cast<double>(big.Size());
}

void BM_ExistingPupilRun(benchmark::State& state) { RunFor(state, PupilName(kPupils / 2)); }
void BM_NewPupilRun(benchmark::State& state) { RunFor(state, L"Новый ученик"); }

}  // namespace

BENCHMARK(BM_ExistingPupilRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NewPupilRun)->Unit(benchmark::kMillisecond)->UseRealTime();

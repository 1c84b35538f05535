// One run's end: open a workbook of 1,000 pupils with 11 rows each, add the run's 11 rows, save.
//
// And what a school's year of rows costs a session: a workbook of 100 pupils with long names (owner
// records) and the given number of runs each, the eleven rows a run writes. Each measurement runs
// in a child process of its own, so that its memory figures are its alone:
//   file_MB            the workbook's size
//   before_MB          resident memory before Open
//   session_MB         resident memory after Open, held through the exercise
//   open_peak_MB       the peak while Open ran
//   save_peak_MB       the peak while the save at the end of the run ran
//   close_to_exit_ms   from the save's start (the program's close) to the workbook's end
// The byte bound is the largest file whose open and save peaks stay within 1 GiB.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
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


constexpr int kYearPupils = 100;
// Cut to 31 characters in the sheet name, so each pupil has an owner record; "@@@@" numbers them.
const std::wstring kName = L"Ученица @@@@ Александра Константиновна";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

// The year's workbook: one pupil's sheet and owner record as the class writes them, copied for
// each pupil under a number of its own.
std::string YearWorkbook(const std::filesystem::path& folder, int runs) {
  const auto path = folder / "one.xls";
  {
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), kName);
    for (int run = 0; run < runs; ++run) AddRun(workbook);
    workbook.Save(L"");
  }
  const std::string one = ReadBytes(path);
  std::filesystem::remove(path);
  const size_t sheetStart = one.find("<Worksheet");
  const size_t sheetEnd = one.rfind("</Workbook>");
  const size_t recordStart = one.find('>', one.find("<CustomDocumentProperties")) + 1;
  const size_t recordEnd = one.find("</CustomDocumentProperties>");
  std::string records, sheets;
  for (int n = 0; n < kYearPupils; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, "%04d", n);
    records += Replaced(one.substr(recordStart, recordEnd - recordStart), "@@@@", number);
    sheets += Replaced(one.substr(sheetStart, sheetEnd - sheetStart), "@@@@", number);
  }
  return one.substr(0, recordStart) + records + one.substr(recordEnd, sheetStart - recordEnd) + sheets + "</Workbook>";
}

double StatusMegabytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::strtod(line.c_str() + std::strlen(field), nullptr) / 1024.0;
  }
  return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Figures {
  double before, session, openPeak, savePeak, closeToExit;
  bool saved;
};

Figures Measure(const std::filesystem::path& path) {
  using Clock = std::chrono::steady_clock;
  Figures figures{};
  auto* workbook = new IMStatisticsWorkbook;
  figures.before = StatusMegabytes("VmRSS:");
  ResetPeak();
  workbook->Open(path.wstring(), L"Ученица 0050 Александра Константиновна");
  figures.openPeak = StatusMegabytes("VmHWM:");
  figures.session = StatusMegabytes("VmRSS:");
  AddRun(*workbook);
  ResetPeak();
  const auto start = Clock::now();
  figures.saved = workbook->Save(L"");
  delete workbook;
  figures.closeToExit = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  figures.savePeak = StatusMegabytes("VmHWM:");
  return figures;
}

void BM_YearOfRows(benchmark::State& state) {
  const int runs = static_cast<int>(state.range(0));
  std::string pattern = (std::filesystem::temp_directory_path() / "workbook-memory-bench-XXXXXX").string();
  const std::filesystem::path folder = ::mkdtemp(pattern.data());
  const auto path = folder / "stats.xls";
  std::string year = YearWorkbook(folder, runs);
  const size_t size = year.size();
  std::ofstream(folder / "year.xls", std::ios::binary) << year;
  // The child starts with as little as the program has when its pupil presses Start.
  std::string().swap(year);
  ::malloc_trim(0);
  Figures figures{};
  for (auto _ : state) {
    std::filesystem::copy_file(folder / "year.xls", path, std::filesystem::copy_options::overwrite_existing);
    int pipe[2];
    if (::pipe(pipe) != 0) state.SkipWithError("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
      const Figures measured = Measure(path);
      ::_exit(::write(pipe[1], &measured, sizeof measured) == sizeof measured ? 0 : 1);
    }
    ::close(pipe[1]);
    if (::read(pipe[0], &figures, sizeof figures) != sizeof figures || !figures.saved) state.SkipWithError("failed");
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
  }
  state.counters["file_MB"] = static_cast<double>(size) / (1 << 20);
  state.counters["before_MB"] = figures.before;
  state.counters["session_MB"] = figures.session;
  state.counters["open_peak_MB"] = figures.openPeak;
  state.counters["save_peak_MB"] = figures.savePeak;
  state.counters["close_to_exit_ms"] = figures.closeToExit;
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ExistingPupilRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NewPupilRun)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_YearOfRows)->Arg(50)->Arg(100)->Arg(200)->Arg(300)->Arg(370)->Iterations(1)->Unit(benchmark::kMillisecond);

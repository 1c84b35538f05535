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
//   open_ms            how long Open took
//   close_to_exit_ms   from the save's start (the program's close) to the workbook's end
// The byte bound is the largest file whose open and save peaks stay within 1 GiB.
//
// What a workbook of this program's own costs to read and write, for each byte of the file: the
// smallest memory ceiling, as a multiple of the file's size, under which a year's workbook opens
// and saves without being taken for another program's file (bytes_per_file_byte).
//
// And files no program of ours writes, each as large as the byte bound lets it be or past one
// of the parser's bounds, measured as the year's workbook is (moved_aside: 1 when it was).

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
#include "framework/workbook/workbook_document.h"
#include "framework/workbook/workbook_io.h"

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
  double before, session, openPeak, savePeak, open, closeToExit;
  bool saved, movedAside;
};

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Figures Measure(const std::filesystem::path& path, size_t ceiling = workbook_io::kMemoryCeiling) {
  Figures figures{};
  auto* workbook = new IMStatisticsWorkbook(workbook_store::kLockMilliseconds, ceiling);
  figures.before = StatusMegabytes("VmRSS:");
  ResetPeak();
  const auto opened = Clock::now();
  workbook->Open(path.wstring(), L"Ученица 0050 Александра Константиновна");
  figures.open = MillisecondsSince(opened);
  figures.openPeak = StatusMegabytes("VmHWM:");
  figures.session = StatusMegabytes("VmRSS:");
  AddRun(*workbook);
  ResetPeak();
  const auto start = Clock::now();
  figures.saved = workbook->Save(L"");
  figures.movedAside = !workbook->GetMovedAsidePath().empty();
  delete workbook;
  figures.closeToExit = MillisecondsSince(start);
  figures.savePeak = StatusMegabytes("VmHWM:");
  return figures;
}

// The file's figures, measured in a child process of its own that starts with as little as the
// program has when its pupil presses Start.
Figures MeasureInChild(const std::filesystem::path& folder, std::string bytes, size_t ceiling) {
  const auto path = folder / "stats.xls";
  std::ofstream(folder / "original.xls", std::ios::binary) << bytes;
  std::string().swap(bytes);
  ::malloc_trim(0);
  std::filesystem::copy_file(folder / "original.xls", path, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove(folder / "stats.xls.damaged");
  Figures figures{};
  int pipe[2];
  if (::pipe(pipe) != 0) return figures;
  const pid_t child = ::fork();
  if (child == 0) {
    const Figures measured = Measure(path, ceiling);
    ::_exit(::write(pipe[1], &measured, sizeof measured) == sizeof measured ? 0 : 1);
  }
  ::close(pipe[1]);
  if (::read(pipe[0], &figures, sizeof figures) != sizeof figures) figures.saved = false;
  ::close(pipe[0]);
  ::waitpid(child, nullptr, 0);
  return figures;
}

std::filesystem::path ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "workbook-memory-bench-XXXXXX").string();
  return ::mkdtemp(pattern.data());
}

void Report(benchmark::State& state, size_t size, const Figures& figures) {
  if (!figures.saved) state.SkipWithError("failed");
  state.counters["file_MB"] = static_cast<double>(size) / (1 << 20);
  state.counters["before_MB"] = figures.before;
  state.counters["session_MB"] = figures.session;
  state.counters["open_peak_MB"] = figures.openPeak;
  state.counters["save_peak_MB"] = figures.savePeak;
  state.counters["open_ms"] = figures.open;
  state.counters["close_to_exit_ms"] = figures.closeToExit;
  state.counters["moved_aside"] = figures.movedAside;
}

void BM_YearOfRows(benchmark::State& state) {
  const std::filesystem::path folder = ScratchFolder();
  const std::string year = YearWorkbook(folder, static_cast<int>(state.range(0)));
  Figures figures{};
  for (auto _ : state) figures = MeasureInChild(folder, year, workbook_io::kMemoryCeiling);
  Report(state, year.size(), figures);
  std::filesystem::remove_all(folder);
}

void BM_MemoryPerFileByte(benchmark::State& state) {
  const std::filesystem::path folder = ScratchFolder();
  const std::string year = YearWorkbook(folder, static_cast<int>(state.range(0)));
  double low = 1, high = 32;
  for (auto _ : state) {
    while (high - low > 0.125) {
      const double ratio = (low + high) / 2;
      const Figures figures = MeasureInChild(folder, year, static_cast<size_t>(ratio * static_cast<double>(year.size())));
      (figures.saved && !figures.movedAside ? high : low) = ratio;
    }
  }
  state.counters["file_MB"] = static_cast<double>(year.size()) / (1 << 20);
  state.counters["bytes_per_file_byte"] = high;
  std::filesystem::remove_all(folder);
}

// Files up to the byte bound that no program of ours writes.
enum Crafted {
  kDistinctNamesPastTheBound,  // 800,000 distinct element names
  kDistinctNamesAtTheBound,    // as many as the bound lets, used over and over
  kLongNames,                  // as many as the bound lets, long and alike but for their ends
  kAttributes,                 // every element with as many attributes as the bound lets
  kOneElementsAttributes,      // one element with all the attributes the file holds
  kNamespaces,                 // every element in a namespace of its own prefix
  kDeepNesting,                // elements nested as deep as the bound lets, over and over
  kCharacterReferences,        // the pupil's own cell, one character reference after another
  kGrowsWhenWritten,           // a valid workbook whose other sheet's text is ">"
  kElementFlood,               // empty elements
};

// `prefix` and the number (not "..." + std::to_string(n): GCC 12 at -O3 warns wrongly of it).
std::string Named(const char* prefix, size_t n) {
  std::string name(prefix);
  name += std::to_string(n);
  return name;
}

std::string CraftedFile(Crafted kind, const std::string& year) {
  const size_t room = workbook_io::kMaxWorkbookBytes - 4096;
  const std::string head = year.substr(0, year.find("<Worksheet"));
  const std::string tail = "</Workbook>";
  std::string body;
  auto fill = [&](auto piece) {
    for (size_t n = 0; body.size() < room - head.size();) body += piece(n++);
  };
  switch (kind) {
    case kDistinctNamesPastTheBound:
      for (size_t n = 0; n < 800000; ++n) body += Named("<n", n) + "/>";
      break;
    case kDistinctNamesAtTheBound:
      fill([](size_t n) { return Named("<n", n % (workbook_document::kMaxDistinctNames - 64)) + "/>"; });
      break;
    case kLongNames: {
      const size_t names = workbook_document::kMaxDistinctNames - 64;
      const std::string prefix(room / names - 16, 'n');
      fill([&](size_t n) { return Named(("<" + prefix).c_str(), n % names) + "/>"; });
      break;
    }
    case kAttributes: {
      std::string element = "<a";
      for (size_t n = 0; n < workbook_document::kMaxAttributes; ++n) element += Named(" b", n) + "=\"\"";
      fill([&](size_t) { return element + "/>"; });
      break;
    }
    case kOneElementsAttributes:
      body = "<a";
      fill([](size_t n) { return Named(" b", n) + "=\"\""; });
      body += "/>";
      break;
    case kNamespaces:
      fill([](size_t n) {
        const std::string prefix = Named("p", n % 60);
        return "<" + prefix + ":a xmlns:" + prefix + "=\"" + Named("urn:", n % 60) + "\"/>";
      });
      break;
    case kDeepNesting:
      fill([](size_t) {
        std::string chain;
        for (int n = 0; n < workbook_document::kMaxNesting - 8; ++n) chain += "<a>";
        for (int n = 0; n < workbook_document::kMaxNesting - 8; ++n) chain += "</a>";
        return chain;
      });
      break;
    case kCharacterReferences: {
      body = "<Worksheet ss:Name=\"Ученица 0050 Александра Констан\"><Table><Row><Cell><Data ss:Type=\"String\">";
      fill([](size_t) { return std::string("&#1078;"); });
      body += "</Data></Cell></Row></Table></Worksheet>";
      break;
    }
    case kGrowsWhenWritten:
      body = "<Worksheet ss:Name=\"Другой\"><Table><Row><Cell><Data ss:Type=\"String\">";
      fill([](size_t) { return std::string(4096, '>'); });
      body += "</Data></Cell></Row></Table></Worksheet>";
      break;
    case kElementFlood:
      fill([](size_t) { return std::string("<a/><a/><a/><a/><a/><a/><a/><a/>"); });
      break;
  }
  return head + body + tail;
}

void BM_CraftedFile(benchmark::State& state) {
  const std::filesystem::path folder = ScratchFolder();
  const std::string crafted = CraftedFile(static_cast<Crafted>(state.range(0)), YearWorkbook(folder, 1));
  Figures figures{};
  for (auto _ : state) figures = MeasureInChild(folder, crafted, workbook_io::kMemoryCeiling);
  Report(state, crafted.size(), figures);
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ExistingPupilRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NewPupilRun)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_YearOfRows)->Arg(50)->Arg(100)->Arg(200)->Arg(300)->Arg(370)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryPerFileByte)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CraftedFile)->DenseRange(kDistinctNamesPastTheBound, kElementFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

#include "framework/workbook/statistics_workbook.h"

#include <time.h>
#include <xercesc/util/PlatformUtils.hpp>

#include <algorithm>
#include <chrono>
#include <new>
#include <random>
#include <stdexcept>
#include <utility>

#include "framework/platform/utf.h"
#include "framework/workbook/sheet_names.h"
#include "framework/workbook/workbook_document.h"
#include "framework/workbook/workbook_file.h"
#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_store.h"

using namespace XERCES_CPP_NAMESPACE;
using workbook_document::Outcome;
using workbook_store::Status;

namespace {

using Row = IMStatisticsWorkbook::Row;
using Clock = std::chrono::steady_clock;

constexpr char kNoMemory[] = "there is not enough memory to read it";

// How long a save goes on reading and merging again while other sessions keep replacing the
// workbook: what a shutdown gives a session before it is killed.
constexpr auto kSettleTime = std::chrono::seconds(90);

// Rounds of reading and merging until no other session replaced the workbook meanwhile. Each
// lost race costs a whole read and merge, so a session that lost waits a random part of a
// window that doubles with each loss, starting at what one round took: sessions that saved at
// the same moment then land one after another instead of all reading again at once.
class Rounds {
 public:
  Rounds() : deadline_(Clock::now() + kSettleTime) {}

  // Before each round: false once the time is up.
  bool Next() {
    const Clock::time_point now = Clock::now();
    if (started_ != Clock::time_point{} && !Wait(now - started_)) return false;
    started_ = Clock::now();
    return started_ < deadline_;
  }

 private:
  bool Wait(Clock::duration round) {
    constexpr Clock::duration kLongest = std::chrono::seconds(10);
    Clock::duration window = std::max<Clock::duration>(round, std::chrono::milliseconds(20)) * (1 << std::min(lost_++, 4));
    window = std::min(window, kLongest);
    std::uniform_int_distribution<Clock::rep> part(0, window.count());
    const Clock::time_point until = Clock::now() + Clock::duration(part(random_));
    if (until >= deadline_) return false;
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
    if (wait.count() > 0) {
      timespec pause{static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};
      while (::nanosleep(&pause, &pause) != 0) {
      }
    }
    return true;
  }

  Clock::time_point deadline_;
  Clock::time_point started_{};
  int lost_ = 0;
  std::mt19937_64 random_{std::random_device{}()};
};

// What the rows add to a workbook written out, at most: each character escaped at its longest,
// and a new sheet with its owner record.
size_t RowsBytes(const std::vector<Row>& rows) {
  size_t bytes = 4096;
  for (const Row& row : rows) {
    bytes += 128;
    for (const IMStatisticsWorkbook::Cell& cell : row) bytes += 128 + 6 * (cell.type.size() + cell.text.size());
  }
  return bytes;
}

}  // namespace

IMStatisticsWorkbook::~IMStatisticsWorkbook() {
  if (xmlInitialized_) XMLPlatformUtils::Terminate();
}

void IMStatisticsWorkbook::Open(const std::wstring& path, const std::wstring& sheetName) {
  path_ = path;
  pupil_ = sheetName;
  sheetRows_.clear();
  pending_.clear();
  movedAsidePath_.clear();
  saveFailure_.clear();
  if (!xmlInitialized_) {
    try {
      XMLPlatformUtils::Initialize("en_US");
    } catch (const XMLException&) {
      throw std::runtime_error("the XML library cannot be initialised");
    }
    xmlInitialized_ = true;
  }
  try {
    // Whatever keeps the file from being read now, Save meets again and reports.
    Document document(memoryCeiling_);
    if (ReadWithoutWriting({}, &document, nullptr) || document.LoadTemplate(pupil_, {}) == Outcome::kDone) {
      sheetName_ = document.SheetName();
      sheetHasTable_ = document.SheetHasTable();
      sheetRows_ = document.TakeSheetRows();
      return;
    }
  } catch (const std::bad_alloc&) {
  }
  // No memory even for the empty workbook: the sheet as a fresh one would be named.
  sheetName_ = sheet_names::ToSheetName(pupil_);
  sheetHasTable_ = true;
}

IMStatisticsWorkbook::Step IMStatisticsWorkbook::Read(workbook_store::Store* store, const std::vector<Row>& rows,
                                                      Document* document, std::string* bytes, std::string* why) {
  std::string read, aside;
  Status status = store->Read(&read, &aside, why);
  NoteMovedAside(aside);
  if (status != Status::kRead && status != Status::kMissing) return Step::kRefused;
  const size_t added = RowsBytes(rows);
  const size_t expected = read.size() + added;
  // This program's own workbooks grow by their rows alone when written back: a file read within
  // the bound that would pass it by more was written by something else, and would block every
  // save from now on.
  const size_t limit = workbook_io::kMaxWorkbookBytes + added;
  Outcome outcome = status == Status::kMissing
                        ? document->LoadTemplate(pupil_, rows)
                        : document->Load(std::move(read), platform::ToUtf8(path_).c_str(), pupil_, rows);
  if (outcome == Outcome::kDone && bytes != nullptr) outcome = document->Write(bytes, expected, limit);
  if (outcome == Outcome::kNotOurs || outcome == Outcome::kTooLarge) {
    // Whatever is there may be the only copy of earlier results: keep it under another name.
    std::string damaged;
    status = store->MoveAside(&damaged, why);
    if (status == Status::kChanged) return Step::kAgain;
    if (status != Status::kDone) {
      if (why->empty()) *why = "it is not a workbook and cannot be moved aside";
      return Step::kRefused;
    }
    NoteMovedAside(damaged);
    outcome = document->LoadTemplate(pupil_, rows);
    if (outcome == Outcome::kDone && bytes != nullptr) outcome = document->Write(bytes, added, limit);
  }
  if (outcome != Outcome::kDone) {
    store->End();
    *why = kNoMemory;
    return Step::kRefused;
  }
  return Step::kRead;
}

void IMStatisticsWorkbook::NoteMovedAside(const std::string& aside) {
  if (aside.empty()) return;
  movedAsidePath_ = platform::FromUtf8(aside);
  ++movedAsideCount_;
}

void IMStatisticsWorkbook::AddRow(const std::wstring& caption, const std::wstring& value,
                                  const std::wstring& type) {
  if (!xmlInitialized_) return;
  pending_.push_back({{u"String", sheet_names::ToDomText(caption)},
                      {sheet_names::ToDomText(type), sheet_names::ToDomText(value)}});
}

void IMStatisticsWorkbook::AddEmptyRow() {
  if (xmlInitialized_) pending_.emplace_back();
}

bool IMStatisticsWorkbook::Save(const std::wstring& path) {
  if (!xmlInitialized_) return false;
  try {
    const std::string own = platform::ToUtf8(path_);
    const std::string target = path.empty() ? own : platform::ToUtf8(path);
    if (target == own || workbook_file::SameFile(target, own)) return SaveOwn();
    return SaveElsewhere(target);
  } catch (const std::bad_alloc&) {
    // Every row is still here, for the backup file.
    saveFailure_ = kNoMemory;
    return false;
  }
}

bool IMStatisticsWorkbook::SaveOwn() {
  // What other sessions saved since this one read the file is kept: the file is read again and
  // this session's rows are added to it once more; when another session replaced it before
  // this one's write, all of that is done again.
  for (Rounds rounds; rounds.Next();) {
    const auto store = workbook_store::ForPath(platform::ToUtf8(path_), lockMilliseconds_);
    Document document(memoryCeiling_);
    std::string bytes;
    const Step step = Read(store.get(), pending_, &document, &bytes, &saveFailure_);
    if (step == Step::kRefused) return false;
    if (step == Step::kAgain) continue;
    const bool hasTable = document.SheetHasTable();
    std::vector<Row> rows = document.TakeSheetRows();
    const std::u16string name = document.SheetName();
    // One workbook in memory at a time: the parsed one goes before the bytes are handed on.
    document.Release();
    const Status status = store->Commit(bytes, &saveFailure_);
    if (status == Status::kChanged) continue;
    if (status != Status::kDone) return false;
    // A second save adds nothing twice.
    sheetRows_ = std::move(rows);
    sheetHasTable_ = hasTable;
    sheetName_ = name;
    pending_.clear();
    saveFailure_.clear();
    return true;
  }
  saveFailure_ = "other sessions kept replacing it for " +
                 std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kSettleTime).count()) + " s";
  return false;
}

bool IMStatisticsWorkbook::ReadWithoutWriting(const std::vector<Row>& rows, Document* document, std::string* bytes) {
  Step step = Step::kAgain;
  for (Rounds rounds; step == Step::kAgain && rounds.Next();) {
    const auto store = workbook_store::ForPath(platform::ToUtf8(path_), lockMilliseconds_);
    std::string why;
    step = Read(store.get(), rows, document, bytes, &why);
    store->End();
  }
  return step == Step::kRead;
}

bool IMStatisticsWorkbook::SaveElsewhere(const std::string& target) {
  std::string bytes;
  // A workbook that cannot be read now still leaves the pupil's own rows to copy.
  {
    Document document(memoryCeiling_);
    if (!ReadWithoutWriting(pending_, &document, &bytes) && !SheetAloneBytes(&bytes)) return false;
  }
  return workbook_file::ReplaceFile(target, bytes);
}

bool IMStatisticsWorkbook::SheetAloneBytes(std::string* bytes) {
  try {
    std::vector<Row> rows = sheetRows_;
    rows.insert(rows.end(), pending_.begin(), pending_.end());
    Document document(memoryCeiling_);
    const size_t size = workbook_document::TemplateSize() + RowsBytes(rows);
    return document.LoadTemplate(pupil_, rows, &sheetName_) == Outcome::kDone &&
           document.Write(bytes, size, size) == Outcome::kDone;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool IMStatisticsWorkbook::SaveToNewFile(const std::wstring& path) {
  std::string bytes;
  try {
    return xmlInitialized_ && SheetAloneBytes(&bytes) && workbook_file::CreateNewFile(platform::ToUtf8(path), bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::wstring IMStatisticsWorkbook::GetSheetName() const { return platform::FromUtf16(sheetName_); }

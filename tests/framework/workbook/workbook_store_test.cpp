// The account's own workbook saved by sessions that overlap: none waits for another's reading,
// and none writes over what another saved after it read.

#include "framework/workbook/workbook_store.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_reader.h"

namespace {

using workbook_store::Status;

TEST(LocalStoreTest, AWorkbookAnotherSessionChangedSinceItWasReadIsLeftAsItIs) {
  workbook_test::ScratchFolder folder;
  const std::filesystem::path path = folder / "stats.xls";
  const auto first = workbook_store::LocalStore(path.string(), 0), second = workbook_store::LocalStore(path.string(), 0);
  std::string bytes, aside, why;
  // Nothing there when read, a file there at the commit.
  ASSERT_EQ(first->Read(&bytes, &aside, &why), Status::kMissing) << why;
  ASSERT_EQ(second->Read(&bytes, &aside, &why), Status::kMissing) << why;
  ASSERT_EQ(second->Commit("second", &why), Status::kDone) << why;
  EXPECT_EQ(first->Commit("first", &why), Status::kChanged);
  EXPECT_EQ(workbook_test::ReadBytes(path), "second");
  // Replaced before the move aside.
  ASSERT_EQ(first->Read(&bytes, &aside, &why), Status::kRead) << why;
  ASSERT_EQ(second->Read(&bytes, &aside, &why), Status::kRead) << why;
  ASSERT_EQ(second->Commit("third", &why), Status::kDone) << why;
  EXPECT_EQ(first->MoveAside(&aside, &why), Status::kChanged);
  EXPECT_FALSE(std::filesystem::exists(folder / "stats.xls.damaged"));
  // Another session's write under way: reading goes on, the commit waits no longer than its bound.
  const int open = workbook_io::OpenFolder(folder.path().c_str());
  const int held = workbook_io::LockWithin(open, {"stats.xls.lock", 0600, 0});
  ASSERT_GE(held, 0);
  ASSERT_EQ(first->Read(&bytes, &aside, &why), Status::kRead) << why;
  EXPECT_EQ(first->Commit("fourth", &why), Status::kBusy);
  EXPECT_EQ(workbook_test::ReadBytes(path), "third");
  ::close(held);
  ::close(open);
}

}  // namespace

// The ledger of our own jobs: who may read and write what at the same time,
// and that a job that died leaves nothing in the way.
#include <gtest/gtest.h>

#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <variant>

#include "JobTestSupport.h"
#include "platform/linux/JobLedger.h"

namespace drivecopy {
namespace {

using linux_backend::JobLedger;
using linux_backend::LedgerEntry;
using linux_backend::LedgerHolder;
using linux_backend::LedgerResult;
using linux_backend::LedgerUse;
using linux_backend::StoragePlace;
using Kind = StoragePlace::Kind;
using Reach = StoragePlace::Reach;

StoragePlace Disk(unsigned minorNumber, std::int64_t first, std::int64_t end, Reach how = Reach::Exactly) {
  return StoragePlace{Kind::DiskRange, makedev(7, minorNumber), 0, SectorRange{first, end}, how};
}

StoragePlace File(ino_t inode) {
  return StoragePlace{Kind::FileRange, makedev(254, 0), inode, SectorRange{0, INT64_MAX}, Reach::Exactly};
}

bool Entered(const LedgerResult& result) {
  return std::holds_alternative<std::unique_ptr<LedgerEntry>>(result);
}

TEST(JobLedger, WritersExcludeEveryOtherUseOfTheSameBytes) {
  test_support::ScratchDirectory scratch;
  JobLedger ledger(scratch.File("jobs"));
  const LedgerResult writer = ledger.Enter(LedgerUse::Writing, {Disk(3, 2048, 4096)}, "/dev/loop3p1");
  ASSERT_TRUE(Entered(writer));

  struct Case {
    const char* Name;
    LedgerUse Use;
    StoragePlace Place;
    bool Admitted;
  };
  const Case cases[] = {
      {"a reader of the written range", LedgerUse::Reading, Disk(3, 0, 2049), false},
      {"a second writer of it", LedgerUse::Writing, Disk(3, 4095, 8192), false},
      {"a writer of the neighbouring range", LedgerUse::Writing, Disk(3, 4096, 8192), true},
      {"a reader of another disk", LedgerUse::Reading, Disk(4, 2048, 4096), true},
      {"a file of the same numbers", LedgerUse::Writing,
       StoragePlace{Kind::FileRange, makedev(7, 3), 0, {2048, 4096}, Reach::Exactly}, true},
      {"a volume on it as a member", LedgerUse::Reading, Disk(3, 0, INT64_MAX, Reach::OnMember), false},
      {"the file system a file lies in", LedgerUse::Writing, Disk(3, 0, INT64_MAX, Reach::Somewhere), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // Asking who is in the way enters nothing, and tells the same.
    EXPECT_EQ(!ledger.InTheWayOf(c.Use, {c.Place}), c.Admitted);
    const LedgerResult result = ledger.Enter(c.Use, {c.Place}, "/dev/other");
    EXPECT_EQ(Entered(result), c.Admitted);
    if (const auto* holder = std::get_if<LedgerHolder>(&result)) {
      EXPECT_EQ(holder->Use, LedgerUse::Writing);
      EXPECT_NE(holder->Description.find("/dev/loop3p1"), std::string::npos) << holder->Description;
      EXPECT_NE(holder->Description.find(std::to_string(::getpid())), std::string::npos)
          << holder->Description;
    }
  }
}

TEST(JobLedger, ReadersShareAndKeepWritersOutUntilTheyEnd) {
  test_support::ScratchDirectory scratch;
  JobLedger ledger(scratch.File("jobs"));
  auto first = ledger.Enter(LedgerUse::Reading, {File(12)}, "image.img");
  auto second = ledger.Enter(LedgerUse::Reading, {File(12)}, "image.img");
  ASSERT_TRUE(Entered(first));
  ASSERT_TRUE(Entered(second));
  EXPECT_FALSE(Entered(ledger.Enter(LedgerUse::Writing, {Disk(1, 0, 8), File(12)}, "image.img")));
  first = LedgerResult(LedgerHolder{});
  EXPECT_FALSE(Entered(ledger.Enter(LedgerUse::Writing, {File(12)}, "image.img")));
  second = LedgerResult(LedgerHolder{});
  EXPECT_TRUE(Entered(ledger.Enter(LedgerUse::Writing, {File(12)}, "image.img")));
}

// A job killed in the middle leaves its record behind, but nobody holds
// it any more: it stands in no one's way, and the next look removes it.
TEST(JobLedger, AKilledJobsRecordIsNotCounted) {
  test_support::ScratchDirectory scratch;
  const std::filesystem::path folder = scratch.File("jobs");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    JobLedger inChild(folder);
    auto entry = inChild.Enter(LedgerUse::Writing, {Disk(3, 0, 100)}, "/dev/loop3");
    ::_exit(Entered(entry) ? 0 : 1);  // no destructor runs: the record stays as a kill leaves it
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto records = [&] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().filename().string()[0] != '.') ++count;
    return count;
  };
  ASSERT_EQ(records(), 1);

  JobLedger ledger(folder);
  EXPECT_TRUE(Entered(ledger.Enter(LedgerUse::Writing, {Disk(3, 0, 100)}, "/dev/loop3")));
  EXPECT_EQ(records(), 0) << "the dead job's record is still there (the new entry was let go already)";
}

}  // namespace
}  // namespace drivecopy

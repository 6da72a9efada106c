#pragma once
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/linux/StoragePlace.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {

// Whether a job's place and another's stand in each other's way: they
// overlap, and are not both only somewhere on the member of a device built
// on several (two volumes of one volume group lie on the same member).
bool LedgerPlacesMeet(const StoragePlace& a, const StoragePlace& b);

enum class LedgerUse { Reading, Writing };

// A job's line in the ledger; the job holds it for its whole run and the
// destructor takes it out again.
class LedgerEntry {
 public:
  LedgerEntry() = default;  // holds nothing (no ledger could be kept)
  LedgerEntry(std::filesystem::path record, UniqueFd fd) : record_(std::move(record)), fd_(std::move(fd)) {}
  ~LedgerEntry();
  LedgerEntry(const LedgerEntry&) = delete;
  LedgerEntry& operator=(const LedgerEntry&) = delete;

 private:
  std::filesystem::path record_;
  UniqueFd fd_;  // carries the record's flock, the proof that its job lives
};

// The job that stands in the way of a new entry.
struct LedgerHolder {
  LedgerUse Use = LedgerUse::Writing;
  // "/dev/sdb @:2048-67583, PID 4711": what the job was given, and its process.
  std::string Description;
};

using LedgerResult = std::variant<std::unique_ptr<LedgerEntry>, LedgerHolder>;

// The jobs of every drivecopy on this machine that read or write storage, so
// that no job reads what another writes, nor writes what another reads or
// writes: two ways to the same bytes (a partition and its disk, a loop device
// and its file) are one place here, which the system's own locks cannot see.
//
// Kept as one small record file per job in a folder all of them share. A job
// holds an exclusive flock on its record for as long as it lives, so a record
// whose lock can be taken was left by a process that is gone, and is not
// counted. Entering happens under the folder's own lock, so of two jobs that
// start at once on the same bytes one is refused. The ledger is a help
// between our own jobs, not the guard itself: where the folder cannot be
// used, an entry that holds nothing is handed out and the system's own locks
// (exclusive opens of block devices, flock of files) still keep two writers
// apart.
class JobLedger {
 public:
  explicit JobLedger(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // Enters a job that reads or writes `places` (as TraceStorage finds them;
  // places only somewhere in a file system are left out), described to
  // others as `description` (the path it was given); the holder that stands
  // in the way when one does: a writer of any of the places, or for a
  // writer, a reader too.
  LedgerResult Enter(LedgerUse use, const std::vector<StoragePlace>& places, const std::string& description);

  // The job that would stand in the way of such an entry, without entering
  // one: to name the holder where the system only says "in use".
  std::optional<LedgerHolder> InTheWayOf(LedgerUse use, const std::vector<StoragePlace>& places);

 private:
  std::filesystem::path folder_;
};

// The folder all drivecopy processes of this machine share (/run/lock/drivecopy).
std::filesystem::path SharedLedgerFolder();

}  // namespace drivecopy::linux_backend

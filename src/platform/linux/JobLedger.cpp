#include "platform/linux/JobLedger.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <optional>
#include <sstream>
#include <thread>

namespace drivecopy::linux_backend {

namespace {

namespace fs = std::filesystem;

// The folder's lock is held for the moment of one look over the records; a
// process that keeps it longer (stopped in a debugger, say) must not stop
// every job on the machine.
constexpr auto kFolderLockWait = std::chrono::seconds(5);
constexpr std::size_t kLargestRecord = 64 * 1024;
constexpr const char* kFolderLockName = ".lock";

// One job's record as read back from its file.
struct JobRecord {
  LedgerUse Use = LedgerUse::Reading;
  std::string Description;
  std::vector<StoragePlace> Places;
};

std::string UseWord(LedgerUse use) { return use == LedgerUse::Writing ? "writing" : "reading"; }

// The places that count: the bytes themselves, and the members of a device
// built on several; not the file system a file lies somewhere in.
bool Counts(const StoragePlace& place) { return place.How != StoragePlace::Reach::Somewhere; }

std::string RecordText(LedgerUse use, const std::vector<StoragePlace>& places,
                       const std::string& description) {
  std::ostringstream text;
  text << "drivecopy job\n";
  text << "use " << UseWord(use) << '\n';
  // The one line with the user's own words: nothing of it may start a line.
  std::string oneLine = description;
  for (char& c : oneLine)
    if (c == '\n' || c == '\r') c = '?';
  text << "description " << oneLine << ", PID " << ::getpid() << '\n';
  for (const StoragePlace& place : places) {
    if (!Counts(place)) continue;
    text << "place " << (place.What == StoragePlace::Kind::FileRange ? "file" : "disk") << ' '
         << (place.How == StoragePlace::Reach::OnMember ? "member" : "exactly") << ' ' << major(place.Device)
         << ' ' << minor(place.Device) << ' ' << place.Inode << ' ' << place.Range.FirstSector << ' '
         << place.Range.EndSector << '\n';
  }
  return text.str();
}

// nullopt for a file that is no record of ours (a record is never trusted
// further than its own lines).
std::optional<JobRecord> ParseRecord(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != "drivecopy job") return std::nullopt;
  JobRecord record;
  bool haveUse = false;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "use") {
      std::string use;
      words >> use;
      if (use != "writing" && use != "reading") return std::nullopt;
      record.Use = use == "writing" ? LedgerUse::Writing : LedgerUse::Reading;
      haveUse = true;
    } else if (keyword == "description") {
      record.Description = line.substr(std::string("description ").size());
    } else if (keyword == "place") {
      std::string kind, reach;
      unsigned int majorNumber = 0, minorNumber = 0;
      unsigned long long inode = 0;
      StoragePlace place;
      words >> kind >> reach >> majorNumber >> minorNumber >> inode >> place.Range.FirstSector >>
          place.Range.EndSector;
      if (!words || (kind != "file" && kind != "disk") || (reach != "exactly" && reach != "member"))
        return std::nullopt;
      place.What = kind == "file" ? StoragePlace::Kind::FileRange : StoragePlace::Kind::DiskRange;
      place.How = reach == "member" ? StoragePlace::Reach::OnMember : StoragePlace::Reach::Exactly;
      place.Device = makedev(majorNumber, minorNumber);
      place.Inode = static_cast<ino_t>(inode);
      record.Places.push_back(place);
    }
  }
  if (!haveUse) return std::nullopt;
  return record;
}

// The shared folder, opened; made (open to every user, sticky as /tmp is, so
// that each can add records and remove only its own) when it is not there.
// Not trusted when someone other than root or this user owns it: whoever
// owns it could take records out of it.
UniqueFd OpenFolder(const fs::path& folder) {
  if (::mkdir(folder.c_str(), 01777) == 0) (void)::chmod(folder.c_str(), 01777);  // the umask took bits away
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.Valid()) return fd;
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      (status.st_uid != 0 && status.st_uid != ::geteuid())) {
    return UniqueFd();
  }
  return fd;
}

// Takes the folder's lock, waiting a little while for another job's look.
UniqueFd LockFolder(int folder) {
  UniqueFd lock(::openat(folder, kFolderLockName, O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!lock.Valid()) return lock;
  const auto until = std::chrono::steady_clock::now() + kFolderLockWait;
  while (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) return UniqueFd();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return lock;
}

// The record `name` of a job that still runs; nullopt for a record left by a
// process that is gone (removed, where this user may) or anything else.
std::optional<JobRecord> LivingRecord(int folder, const char* name) {
  UniqueFd fd(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  if (::flock(fd.Get(), LOCK_SH | LOCK_NB) == 0) {
    (void)::unlinkat(folder, name, 0);  // another user's leftover stays; it is not counted either way
    return std::nullopt;
  }
  if (errno != EWOULDBLOCK) return std::nullopt;
  std::string text(kLargestRecord, '\0');
  const ssize_t got = ::read(fd.Get(), text.data(), text.size());
  if (got <= 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(got));
  return ParseRecord(text);
}

bool InTheWay(const JobRecord& other, LedgerUse use, const std::vector<StoragePlace>& places) {
  if (other.Use == LedgerUse::Reading && use == LedgerUse::Reading) return false;
  for (const StoragePlace& theirs : other.Places)
    for (const StoragePlace& ours : places)
      if (Counts(ours) && LedgerPlacesMeet(theirs, ours)) return true;
  return false;
}

std::string NewRecordName() {
  static std::atomic<unsigned> counter{0};
  return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".job";
}

}  // namespace

bool LedgerPlacesMeet(const StoragePlace& a, const StoragePlace& b) {
  if (a.How == StoragePlace::Reach::OnMember && b.How == StoragePlace::Reach::OnMember) return false;
  return a.Overlaps(b);
}

LedgerEntry::~LedgerEntry() {
  if (!record_.empty()) (void)::unlink(record_.c_str());
}

namespace {

// The first living job in the way of one that would read or write `places`.
std::optional<LedgerHolder> FirstInTheWay(int folder, LedgerUse use,
                                          const std::vector<StoragePlace>& places) {
  DIR* listing = ::fdopendir(::dup(folder));
  if (listing == nullptr) return std::nullopt;
  std::unique_ptr<DIR, int (*)(DIR*)> closer(listing, ::closedir);
  while (const dirent* entry = ::readdir(listing)) {
    if (entry->d_name[0] == '.') continue;
    if (auto record = LivingRecord(folder, entry->d_name); record && InTheWay(*record, use, places)) {
      return LedgerHolder{record->Use, record->Description};
    }
  }
  return std::nullopt;
}

}  // namespace

LedgerResult JobLedger::Enter(LedgerUse use, const std::vector<StoragePlace>& places,
                              const std::string& description) {
  auto holdsNothing = [] { return LedgerResult(std::make_unique<LedgerEntry>()); };
  const UniqueFd folder = OpenFolder(folder_);
  if (!folder.Valid()) return holdsNothing();
  const UniqueFd folderLock = LockFolder(folder.Get());
  if (!folderLock.Valid()) return holdsNothing();
  if (auto holder = FirstInTheWay(folder.Get(), use, places)) return *holder;

  const std::string name = NewRecordName();
  UniqueFd record(
      ::openat(folder.Get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!record.Valid() || ::flock(record.Get(), LOCK_EX | LOCK_NB) != 0) return holdsNothing();
  const std::string text = RecordText(use, places, description);
  if (::write(record.Get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    (void)::unlinkat(folder.Get(), name.c_str(), 0);
    return holdsNothing();
  }
  return std::make_unique<LedgerEntry>(folder_ / name, std::move(record));
}

std::optional<LedgerHolder> JobLedger::InTheWayOf(LedgerUse use, const std::vector<StoragePlace>& places) {
  const UniqueFd folder = OpenFolder(folder_);
  if (!folder.Valid()) return std::nullopt;
  const UniqueFd folderLock = LockFolder(folder.Get());
  if (!folderLock.Valid()) return std::nullopt;
  return FirstInTheWay(folder.Get(), use, places);
}

fs::path SharedLedgerFolder() {
  std::error_code error;
  if (fs::is_directory("/run/lock", error)) return "/run/lock/drivecopy";
  return fs::temp_directory_path(error) / "drivecopy-jobs";
}

}  // namespace drivecopy::linux_backend

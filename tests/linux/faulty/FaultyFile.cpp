// drivecopy_faulty_file: a one-file FUSE file system for fault tests.
//
//   drivecopy_faulty_file --backing FILE [--bad LIST] [--gone-from SECTOR]
//                         [--read-delay-ms N] [--write-delay-ms N]
//                         [--failed-read-delay-ms N] [--read-log FILE] MOUNTPOINT
//
// MOUNTPOINT then holds one file, `disk`, whose bytes are those of FILE.
// Reads and writes are passed on to FILE, except that a read touching any of
// the 512-byte sectors in LIST (e.g. "1000,2047-2050") fails with EIO as a
// whole, the way a disk fails a request that meets an unreadable sector;
// from the first read or write that reaches sector SECTOR on, every read and
// write fails with ENODEV, as a disk that was unplugged; and every read or
// write waits the given milliseconds first, as a slow disk does. A read that
// fails with EIO waits --failed-read-delay-ms more before it answers, as a
// failing disk that retries inside. With --read-log, every read is noted in
// FILE as one line "OFFSET LENGTH ok|EIO|ENODEV".
// Attached with `losetup --direct-io=on --sector-size 512` (or 4096), the
// file becomes a real block device whose bad sectors fail exactly.
//
// The file is opened in direct-I/O mode, so the kernel hands every request to
// us with its own offset and length and never answers from its page cache; a
// failed request therefore never spoils a neighbouring sector. The program
// runs in the foreground, single-threaded unless it is asked to be slow; the
// caller ends it with `fusermount3 -u MOUNTPOINT` (or SIGTERM).
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kSectorBytes = 512;
constexpr const char* kFileName = "disk";
constexpr const char* kFilePath = "/disk";

// Unreadable sectors as ranges, first -> last (inclusive), disjoint: a dead
// region of millions of sectors costs one entry.
using SectorRanges = std::map<std::int64_t, std::int64_t>;

struct FaultyFileState {
  int backingFd = -1;
  SectorRanges badSectors;
  std::int64_t goneFrom = -1;  // -1: never goes away
  std::atomic<bool> gone{false};
  int readDelayMs = 0;
  int writeDelayMs = 0;
  int failedReadDelayMs = 0;
  std::FILE* readLog = nullptr;
  std::mutex readLogMutex;
};

FaultyFileState state;

void AddRange(SectorRanges& ranges, std::int64_t first, std::int64_t last) {
  auto next = ranges.upper_bound(first);
  if (next != ranges.begin() && std::prev(next)->second + 1 >= first) {
    --next;
    first = next->first;
    last = std::max(last, next->second);
  }
  while (next != ranges.end() && next->first <= last + 1) {
    last = std::max(last, next->second);
    next = ranges.erase(next);
  }
  ranges[first] = last;
}

// Parses "1000,2047-2050" into sector ranges; false on any malformed part.
bool ParseSectorList(const std::string& text, SectorRanges& sectors) {
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t end = text.find(',', position);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(position, end - position);
    const std::size_t dash = part.find('-');
    try {
      std::size_t used = 0;
      const std::int64_t first = std::stoll(part.substr(0, dash), &used);
      if (used != part.substr(0, dash).size() || first < 0) return false;
      std::int64_t last = first;
      if (dash != std::string::npos) {
        const std::string tail = part.substr(dash + 1);
        last = std::stoll(tail, &used);
        if (used != tail.size() || last < first) return false;
      }
      AddRange(sectors, first, last);
    } catch (const std::exception&) {
      return false;
    }
    position = end + 1;
  }
  return true;
}

bool TouchesBadSector(std::int64_t offset, std::size_t length) {
  if (length == 0) return false;
  const std::int64_t first = offset / kSectorBytes;
  const std::int64_t last = (offset + static_cast<std::int64_t>(length) - 1) / kSectorBytes;
  auto after = state.badSectors.upper_bound(last);
  return after != state.badSectors.begin() && std::prev(after)->second >= first;
}

void LogRead(off_t offset, std::size_t length, const char* result) {
  if (state.readLog == nullptr) return;
  std::lock_guard<std::mutex> lock(state.readLogMutex);
  std::fprintf(state.readLog, "%lld %zu %s\n", static_cast<long long>(offset), length, result);
  std::fflush(state.readLog);
}

// True (and gone from then on) once a transfer reaches the sector where the disk goes away.
bool GoesAway(std::int64_t offset, std::size_t length) {
  if (state.goneFrom >= 0 && length > 0 &&
      (offset + static_cast<std::int64_t>(length) - 1) / kSectorBytes >= state.goneFrom)
    state.gone = true;
  return state.gone;
}

int GetAttributes(const char* path, struct stat* status, fuse_file_info*) {
  std::memset(status, 0, sizeof *status);
  if (std::strcmp(path, "/") == 0) {
    status->st_mode = S_IFDIR | 0755;
    status->st_nlink = 2;
    return 0;
  }
  if (std::strcmp(path, kFilePath) != 0) return -ENOENT;
  struct stat backing {};
  if (::fstat(state.backingFd, &backing) != 0) return -errno;
  status->st_mode = S_IFREG | 0644;
  status->st_nlink = 1;
  status->st_size = backing.st_size;
  status->st_blocks = backing.st_blocks;
  status->st_mtim = backing.st_mtim;
  return 0;
}

int ReadDirectory(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
                  fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  fill(buffer, kFileName, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

int Open(const char* path, fuse_file_info* info) {
  if (std::strcmp(path, kFilePath) != 0) return -ENOENT;
  info->direct_io = 1;
  info->keep_cache = 0;
  return 0;
}

int Read(const char*, char* buffer, std::size_t length, off_t offset, fuse_file_info*) {
  if (state.readDelayMs > 0) ::usleep(static_cast<useconds_t>(state.readDelayMs) * 1000);
  if (GoesAway(offset, length)) {
    LogRead(offset, length, "ENODEV");
    return -ENODEV;
  }
  if (TouchesBadSector(offset, length)) {
    LogRead(offset, length, "EIO");
    if (state.failedReadDelayMs > 0) ::usleep(static_cast<useconds_t>(state.failedReadDelayMs) * 1000);
    return -EIO;
  }
  LogRead(offset, length, "ok");
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got =
        ::pread(state.backingFd, buffer + done, length - done, offset + static_cast<off_t>(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -errno;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<int>(done);
}

int Write(const char*, const char* buffer, std::size_t length, off_t offset, fuse_file_info*) {
  if (state.writeDelayMs > 0) ::usleep(static_cast<useconds_t>(state.writeDelayMs) * 1000);
  if (GoesAway(offset, length)) return -ENODEV;
  std::size_t done = 0;
  while (done < length) {
    const ssize_t put =
        ::pwrite(state.backingFd, buffer + done, length - done, offset + static_cast<off_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return -errno;
    }
    done += static_cast<std::size_t>(put);
  }
  return static_cast<int>(done);
}

int Synchronise(const char*, int, fuse_file_info*) { return ::fsync(state.backingFd) == 0 ? 0 : -errno; }

// The file keeps its size: a disk does not grow or shrink.
int Truncate(const char*, off_t size, fuse_file_info*) {
  struct stat backing {};
  if (::fstat(state.backingFd, &backing) != 0) return -errno;
  return size == backing.st_size ? 0 : -EPERM;
}

int Usage(const char* program) {
  std::fprintf(
      stderr,
      "usage: %s --backing FILE [--bad SECTOR[-SECTOR][,...]] [--gone-from SECTOR] [--read-delay-ms N] "
      "[--write-delay-ms N] [--failed-read-delay-ms N] [--read-log FILE] MOUNTPOINT\n",
      program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string backingPath;
  std::string mountPoint;
  std::string readLogPath;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--backing" && i + 1 < argc) {
      backingPath = argv[++i];
    } else if (word == "--bad" && i + 1 < argc) {
      if (!ParseSectorList(argv[++i], state.badSectors)) {
        std::fprintf(stderr, "%s: cannot read the sector list \"%s\"\n", argv[0], argv[i]);
        return 2;
      }
    } else if (word == "--gone-from" && i + 1 < argc) {
      state.goneFrom = std::atoll(argv[++i]);
    } else if (word == "--read-delay-ms" && i + 1 < argc) {
      state.readDelayMs = std::atoi(argv[++i]);
    } else if (word == "--write-delay-ms" && i + 1 < argc) {
      state.writeDelayMs = std::atoi(argv[++i]);
    } else if (word == "--failed-read-delay-ms" && i + 1 < argc) {
      state.failedReadDelayMs = std::atoi(argv[++i]);
    } else if (word == "--read-log" && i + 1 < argc) {
      readLogPath = argv[++i];
    } else if (!word.starts_with("-") && mountPoint.empty()) {
      mountPoint = word;
    } else {
      return Usage(argv[0]);
    }
  }
  if (backingPath.empty() || mountPoint.empty()) return Usage(argv[0]);

  state.backingFd = ::open(backingPath.c_str(), O_RDWR | O_CLOEXEC);
  if (state.backingFd < 0) {
    std::fprintf(stderr, "%s: cannot open %s: %s\n", argv[0], backingPath.c_str(), std::strerror(errno));
    return 1;
  }
  if (!readLogPath.empty()) {
    state.readLog = std::fopen(readLogPath.c_str(), "we");
    if (state.readLog == nullptr) {
      std::fprintf(stderr, "%s: cannot open %s: %s\n", argv[0], readLogPath.c_str(), std::strerror(errno));
      return 1;
    }
  }

  fuse_operations operations{};
  operations.getattr = GetAttributes;
  operations.readdir = ReadDirectory;
  operations.open = Open;
  operations.read = Read;
  operations.write = Write;
  operations.fsync = Synchronise;
  operations.truncate = Truncate;

  // Single-threaded, unless the disk is slow: then others who read it (a
  // second program listing the disks) are not held up behind a waiting
  // request.
  std::vector<char*> fuseArguments = {argv[0], const_cast<char*>("-f"), const_cast<char*>("-o"),
                                      const_cast<char*>("fsname=drivecopy_faulty_file"), mountPoint.data()};
  if (state.readDelayMs == 0 && state.writeDelayMs == 0 && state.failedReadDelayMs == 0)
    fuseArguments.insert(fuseArguments.begin() + 2, const_cast<char*>("-s"));
  const int status =
      fuse_main(static_cast<int>(fuseArguments.size()), fuseArguments.data(), &operations, nullptr);
  ::close(state.backingFd);
  if (state.readLog != nullptr) std::fclose(state.readLog);
  return status;
}

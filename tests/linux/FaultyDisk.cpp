#include "FaultyDisk.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace drivecopy::test_support {
namespace fs = std::filesystem;
using std::chrono::steady_clock;

namespace {

const std::string kHelperProgram = DRIVECOPY_FAULTY_FILE_BINARY;

std::string SectorList(const DiskFaults& faults) {
  std::string list;
  for (std::int64_t sector : faults.BadSectors) list += (list.empty() ? "" : ",") + std::to_string(sector);
  for (const SectorRange& range : faults.BadRanges) {
    if (range.SectorCount() <= 0) continue;
    list += (list.empty() ? "" : ",") + std::to_string(range.FirstSector) + "-" +
            std::to_string(range.EndSector - 1);
  }
  return list;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exited(pid_t process) {
  int status = 0;
  return ::waitpid(process, &status, WNOHANG) == process;
}

}  // namespace

std::string FaultyDevicesUnavailableReason() {
  if (auto reason = LoopDevicesUnavailableReason(); !reason.empty()) return reason;
  if (kHelperProgram.empty()) return "the FUSE fault file was not built (libfuse3 missing)";
  if (!fs::exists("/dev/fuse")) return "no /dev/fuse on this machine";
  if (RunCommand("command -v fusermount3 >/dev/null 2>&1").ExitCode != 0) return "fusermount3 missing";
  return {};
}

FaultyDisk::FaultyDisk(const std::vector<std::byte>& content, const DiskFaults& faults)
    : FaultyDisk(static_cast<std::int64_t>(content.size()), &content, faults) {}

FaultyDisk::FaultyDisk(std::int64_t bytes, const DiskFaults& faults) : FaultyDisk(bytes, nullptr, faults) {}

FaultyDisk::FaultyDisk(std::int64_t bytes, const std::vector<std::byte>* content, const DiskFaults& faults) {
  if (bytes <= 0 || bytes % faults.LogicalSectorBytes != 0 || faults.LogicalSectorBytes % 512 != 0)
    throw std::invalid_argument("a disk is whole logical sectors");
  std::string pattern = (fs::temp_directory_path() / "drivecopy-faulty-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
  directory_ = pattern;
  backingImage_ = (directory_ / "backing.img").string();
  mountPoint_ = (directory_ / "fuse").string();
  if (faults.LogReads) readLog_ = (directory_ / "reads.log").string();
  try {
    {
      std::ofstream file(backingImage_, std::ios::binary);
      if (content != nullptr)
        file.write(reinterpret_cast<const char*>(content->data()), static_cast<std::streamsize>(bytes));
      if (!file) throw std::runtime_error("cannot write " + backingImage_);
    }
    if (content == nullptr) fs::resize_file(backingImage_, static_cast<std::uintmax_t>(bytes));
    fs::create_directory(mountPoint_);
    StartHelper(faults);
    WaitForMount(bytes);
    // Direct I/O on the loop: every read reaches the FUSE file with its own
    // offset and length, so one bad sector fails alone (with 512-byte
    // logical sectors; with 4096-byte ones its whole logical sector). Through
    // the loop's page cache a whole 4 KiB page would fail.
    loop_ = std::make_unique<LoopDevice>(
        mountPoint_ + "/disk", "--direct-io=on --sector-size " + std::to_string(faults.LogicalSectorBytes));
  } catch (...) {
    StopHelper();
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
    throw;
  }
}

FaultyDisk::~FaultyDisk() {
  AnswerAgain();
  loop_.reset();
  StopHelper();
  std::error_code ignored;
  fs::remove_all(directory_, ignored);
}

void FaultyDisk::StartHelper(const DiskFaults& faults) {
  const std::string log = (directory_ / "helper.log").string();
  std::vector<std::string> words = {kHelperProgram, "--backing", backingImage_};
  if (const std::string bad = SectorList(faults); !bad.empty()) {
    words.push_back("--bad");
    words.push_back(bad);
  }
  if (faults.GoneFrom >= 0) {
    words.push_back("--gone-from");
    words.push_back(std::to_string(faults.GoneFrom));
  }
  if (faults.ReadDelayMs > 0) {
    words.push_back("--read-delay-ms");
    words.push_back(std::to_string(faults.ReadDelayMs));
  }
  if (faults.WriteDelayMs > 0) {
    words.push_back("--write-delay-ms");
    words.push_back(std::to_string(faults.WriteDelayMs));
  }
  if (faults.FailedReadDelayMs > 0) {
    words.push_back("--failed-read-delay-ms");
    words.push_back(std::to_string(faults.FailedReadDelayMs));
  }
  if (!readLog_.empty()) {
    words.push_back("--read-log");
    words.push_back(readLog_);
  }
  words.push_back(mountPoint_);
  helper_ = StartProgram(words, log);
  if (helper_ < 0) throw std::runtime_error("cannot start " + kHelperProgram);
}

std::vector<DiskRead> FaultyDisk::Reads() const {
  std::vector<DiskRead> reads;
  std::istringstream lines(readLog_.empty() ? std::string() : FileText(readLog_));
  DiskRead read;
  std::string result;
  while (lines >> read.Offset >> read.Length >> result) {
    read.Failed = result != "ok";
    reads.push_back(read);
  }
  return reads;
}

void FaultyDisk::StopAnswering() {
  if (helper_ > 0) ::kill(helper_, SIGSTOP);
}

void FaultyDisk::AnswerAgain() {
  if (helper_ > 0) ::kill(helper_, SIGCONT);
}

void FaultyDisk::WaitForMount(std::int64_t bytes) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(10);
  const std::string file = mountPoint_ + "/disk";
  for (;;) {
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0 && status.st_size == bytes) return;
    if (Exited(helper_)) {
      helper_ = -1;
      throw std::runtime_error("the FUSE fault file stopped: " + FileText(directory_ / "helper.log"));
    }
    if (steady_clock::now() > deadline)
      throw std::runtime_error("the FUSE fault file did not appear at " + file);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void FaultyDisk::StopHelper() {
  if (helper_ <= 0) return;
  // A detached loop device lets go of the file a moment later; until then the
  // mount is busy.
  const auto deadline = steady_clock::now() + std::chrono::seconds(5);
  while (RunCommand("fusermount3 -u " + ShellQuoted(mountPoint_) + " 2>/dev/null").ExitCode != 0 &&
         steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto exitDeadline = steady_clock::now() + std::chrono::seconds(5);
  while (!Exited(helper_)) {
    if (steady_clock::now() > exitDeadline) {
      // Still mounted or hanging: unmount lazily and end the helper.
      RunCommand("fusermount3 -u -z " + ShellQuoted(mountPoint_) + " 2>/dev/null");
      ::kill(helper_, SIGKILL);
      ::waitpid(helper_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  helper_ = -1;
}

}  // namespace drivecopy::test_support

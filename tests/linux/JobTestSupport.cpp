#include "JobTestSupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace drivecopy::test_support {
namespace fs = std::filesystem;

std::vector<std::byte> PseudoRandomBytes(std::int64_t count, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<std::byte> bytes(static_cast<std::size_t>(count));
  for (auto& byte : bytes) byte = static_cast<std::byte>(generator() & 0xFF);
  return bytes;
}

std::vector<std::byte> FileBytes(const std::string& path, std::int64_t offset, std::int64_t length) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::byte> bytes(static_cast<std::size_t>(length));
  in.seekg(offset);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (fs::temp_directory_path() / "drivecopy-images-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

namespace {
std::int64_t LittleEndianAt(const std::vector<std::byte>& bytes, std::size_t offset, std::size_t size) {
  std::int64_t value = 0;
  for (std::size_t i = size; i-- > 0;)
    value = (value << 8) | std::to_integer<std::int64_t>(bytes.at(offset + i));
  return value;
}
}  // namespace

std::int64_t HeadedImageBlockOffset(const std::string& image, std::int64_t block) {
  const auto header = FileBytes(image, 0, 65);
  if (header.size() != 65) throw std::runtime_error(image + " has no header");
  std::int64_t offset = 65 + 8 * LittleEndianAt(header, 44, 4);
  for (std::int64_t i = 0; i < block; ++i) {
    const auto length = FileBytes(image, offset, 8);
    if (length.size() != 8) throw std::runtime_error(image + " ends before block " + std::to_string(block));
    offset += 8 + LittleEndianAt(length, 0, 8);
  }
  return offset;
}

ProgramRun RunDrivecopy(const std::vector<std::string>& arguments, const std::vector<std::string>& launcher) {
  std::string errorFile = (fs::temp_directory_path() / "drivecopy-stderr-XXXXXX").string();
  const int fd = ::mkstemp(errorFile.data());
  if (fd >= 0) ::close(fd);
  std::string commandLine;
  for (const auto& word : launcher) commandLine += ShellQuoted(word) + " ";
  commandLine += ShellQuoted(DRIVECOPY_BINARY);
  for (const auto& argument : arguments) commandLine += " " + ShellQuoted(argument);
  auto result = RunCommand(commandLine + " </dev/null 2>" + ShellQuoted(errorFile));
  ProgramRun run{result.ExitCode, std::move(result.Output), {}};
  std::ifstream err(errorFile);
  std::stringstream text;
  text << err.rdbuf();
  run.Err = text.str();
  fs::remove(errorFile);
  return run;
}

std::ostream& operator<<(std::ostream& out, const ProgramRun& run) {
  return out << "exit " << run.ExitCode << "\n--- stdout ---\n" << run.Out << "--- stderr ---\n" << run.Err;
}

namespace {
std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace

BackgroundRun::BackgroundRun(const std::vector<std::string>& arguments) {
  std::string pattern = (fs::temp_directory_path() / "drivecopy-run-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
  directory_ = pattern;
  std::vector<std::string> words = {DRIVECOPY_BINARY};
  words.insert(words.end(), arguments.begin(), arguments.end());
  process_ = StartProgram(words, directory_ + "/out", directory_ + "/err");
  if (process_ < 0) throw std::runtime_error("cannot start drivecopy");
}

BackgroundRun::~BackgroundRun() {
  if (process_ > 0) {
    ::kill(process_, SIGKILL);
    ::waitpid(process_, nullptr, 0);
  }
  std::error_code ignored;
  fs::remove_all(directory_, ignored);
}

bool BackgroundRun::WaitForOutput(const std::string& text, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (FileText(directory_ + "/out").find(text) != std::string::npos) return true;
    if (process_ <= 0 || ::waitpid(process_, nullptr, WNOHANG) != 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void BackgroundRun::Signal(int signal) {
  if (process_ > 0) ::kill(process_, signal);
}

namespace {
// The peak resident memory of a running process in KiB (0 when unknown).
std::int64_t PeakResidentKiB(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  std::string word;
  while (status >> word) {
    if (word != "VmHWM:") continue;
    std::int64_t kib = 0;
    status >> kib;
    return kib;
  }
  return 0;
}
}  // namespace

ProgramRun BackgroundRun::Wait(std::int64_t* peakResidentKiB) {
  if (peakResidentKiB != nullptr) {
    // Read until the process has ended; it is reaped below, so its number
    // is not taken by another process meanwhile.
    *peakResidentKiB = 0;
    siginfo_t info{};
    while (process_ > 0 &&
           ::waitid(P_PID, static_cast<id_t>(process_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0) {
      *peakResidentKiB = std::max(*peakResidentKiB, PeakResidentKiB(process_));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  int status = 0;
  ProgramRun run;
  if (process_ > 0 && ::waitpid(process_, &status, 0) == process_) {
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  process_ = -1;
  run.Out = FileText(directory_ + "/out");
  run.Err = FileText(directory_ + "/err");
  return run;
}

std::optional<ProgramRun> BackgroundRun::WaitUpTo(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (process_ > 0) {
    if (::waitpid(process_, &status, WNOHANG) == process_) {
      ProgramRun run;
      run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      process_ = -1;
      run.Out = FileText(directory_ + "/out");
      run.Err = FileText(directory_ + "/err");
      return run;
    }
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

std::multiset<std::int64_t> SectorsNamedInMemo(const std::string& memo) {
  static const std::regex sectorAt(R"(@:\s*(\d+)\s*$)");
  static const std::regex runAt(R"(@:\s*(\d+)-(\d+) \(([\d,]+) sectors\)\s*$)");
  std::multiset<std::int64_t> sectors;
  std::istringstream lines(memo);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("@:") == std::string::npos) continue;
    std::smatch match;
    if (std::regex_search(line, match, sectorAt)) {
      sectors.insert(std::stoll(match[1].str()));
    } else if (std::regex_search(line, match, runAt)) {
      const std::int64_t first = std::stoll(match[1].str());
      const std::int64_t last = std::stoll(match[2].str());
      std::string count = match[3].str();
      std::erase(count, ',');
      // A run of fewer than two sectors, or one whose length is wrong, is no run.
      if (last <= first || std::stoll(count) != last - first + 1) sectors.insert(-1);
      for (std::int64_t sector = first; sector <= last; ++sector) sectors.insert(sector);
    } else {
      sectors.insert(-1);
    }
  }
  return sectors;
}

void PutOnePartitionTable(std::vector<std::byte>& disk, std::int64_t firstSector, std::int64_t sectors) {
  std::fill(disk.begin() + 440, disk.begin() + 512, std::byte{0});
  auto put32 = [&](std::size_t offset, std::int64_t value) {
    for (std::size_t i = 0; i < 4; ++i) disk[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
  };
  put32(440, 0x1234ABCD);  // disk signature
  constexpr std::size_t entry = 446;
  disk[entry + 1] = disk[entry + 2] = disk[entry + 5] = disk[entry + 6] =
      std::byte{0xFF};  // CHS beyond reach
  disk[entry + 3] = disk[entry + 7] = std::byte{0xFF};
  disk[entry + 4] = std::byte{0x83};
  put32(entry + 8, firstSector);
  put32(entry + 12, sectors);
  disk[510] = std::byte{0x55};
  disk[511] = std::byte{0xAA};
}

std::string OnePartitionTable(std::int64_t firstSector, std::int64_t sectors) {
  return "label: dos\nstart=" + std::to_string(firstSector) + ", size=" + std::to_string(sectors) +
         ", type=83\n";
}

Ext4SourceDisk::Ext4SourceDisk(std::int64_t diskBytes) : loop_(std::make_unique<LoopDevice>(diskBytes)) {
  loop_->WritePartitionTable(OnePartitionTable(kFirstSector, kPartitionSectors), {1});
  loop_->MakeExt4(1);
  const std::string mountPoint = loop_->Mount(1);
  std::uint32_t seed = 1;
  for (const char* name : {"a.bin", "b.bin", "notes/c.bin"}) {
    const fs::path file = fs::path(mountPoint) / name;
    fs::create_directories(file.parent_path());
    const auto data = PseudoRandomBytes((1LL << 20) * seed + 123, seed);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ++seed;
  }
  loop_->Unmount(mountPoint);
}

std::vector<std::byte> Ext4SourceDisk::PartitionBytes() const {
  return FileBytes(loop_->BackingFile(), kFirstSector * 512, kPartitionSectors * 512);
}

}  // namespace drivecopy::test_support

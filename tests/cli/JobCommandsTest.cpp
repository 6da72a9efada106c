// create, restore and clone on the command line, on a simulated machine whose
// drive contents live in files of the test's own folder, so that one run's
// result is the next run's input.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/MachineChoice.h"
#include "cli/CloneCommand.h"
#include "cli/CommandLine.h"
#include "cli/CreateCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/TerminalObserver.h"
#include "platform/sim/SimulatedMachine.h"
#include "sim/SimTestSupport.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace drivecopy {
namespace {

constexpr std::int64_t Sector = 512;
constexpr std::int64_t DiskSectors = 8192;  // 4 MiB

// Two equal partitions on drive 0, a larger empty drive 1, a drive 2 with an
// unreadable and an unwritable sector and one that loses what is written to it, the volume without which no
// physical drive is listed, and a full volume D: where the clone log would go.
constexpr const char* Description = R"({
  "physicalDrives": [
    {"number": 0, "model": "Source Disk", "contentFile": "disk0.bin",
     "layout": [{"startSector": 64,   "sectorCount": 2048, "number": 1, "type": "0x07"},
                {"startSector": 2112, "sectorCount": 2048, "number": 2, "type": "0x83"}]},
    {"number": 1, "model": "Bigger Disk", "contentFile": "disk1.bin"},
    {"number": 2, "model": "Worn Disk", "contentFile": "disk2.bin",
     "unreadableSectors": [300], "unwritableSectors": [4000], "lostWriteSectors": [5000]}],
  "volumes": [{"letter": "C", "size": "1 MiB"}, {"letter": "D", "size": "1 MiB", "freeBytes": 0}],
  "session": {"currentDirectory": "D:\\"}})";

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path, std::int64_t offset = 0, std::int64_t length = -1) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(offset);
  if (length < 0) return std::string(std::istreambuf_iterator<char>(in), {});
  std::string bytes(static_cast<std::size_t>(length), '\0');
  in.read(bytes.data(), length);
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// Every sector names its disk and number, so misplaced sectors show.
void WriteStampedDisk(const std::string& path, const std::string& label, std::int64_t sectors) {
  std::ofstream out(path, std::ios::binary);
  for (std::int64_t s = 0; s < sectors; ++s) {
    std::string sector = label + " sector " + std::to_string(s);
    sector.resize(Sector, static_cast<char>('a' + s % 26));
    out << sector;
  }
}

class JobCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteStampedDisk(folder_ / "disk0.bin", "disk0", DiskSectors);
    WriteStampedDisk(folder_ / "disk1.bin", "disk1", 2 * DiskSectors);
    WriteStampedDisk(folder_ / "disk2.bin", "disk2", DiskSectors);
    std::ofstream(machineFile_) << Description;
  }

  // The whole command line, as main runs it (without a terminal).
  RunResult Run(std::vector<std::string> words) {
    words.insert(words.begin(), {"drivecopy", "--machine", machineFile_});
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    std::ostringstream out, err;
    const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err, ChoosePlatform);
    return {status, out.str(), err.str()};
  }

  // One job command with a terminal set up by the test.
  template <typename Command>
  RunResult RunWith(Command command, const std::vector<std::string>& args, const TerminalSetup& terminal) {
    auto machine = test_support::Machine(Description, folder_.Path());
    std::ostringstream out, err;
    const int status = command(*machine, args, out, err, terminal);
    return {status, out.str(), err.str()};
  }

  std::string Disk(int number) const { return folder_ / ("disk" + std::to_string(number) + ".bin"); }

  test_support::ScratchFolder folder_;
  const std::string machineFile_ = folder_ / "machine.json";
};

TEST_F(JobCommandsTest, CreateVerifyAndRestoreOntoAnEqualPartition) {
  const std::string image = folder_ / "part1.img";
  const RunResult created =
      Run({"create", "\\\\.\\PhysicalDrive0#1", image, "--compression", "high", "--log"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(created.err, "");
  // The window's lines first (source, compression, log), the job's last.
  EXPECT_TRUE(
      created.out.starts_with("Source drive:: Source Disk; Partition: 1;\nType: NTFS; Size: 1.00 MBytes \n"
                              "Compression Level: High\n"
                              "Creating a log file " +
                              image + ".log\n"))
      << created.out;
  EXPECT_TRUE(created.out.ends_with("Ready\n")) << created.out;
  EXPECT_TRUE(std::filesystem::exists(image + ".log"));

  const RunResult verified = Run({"info", image, "--verify"});
  EXPECT_EQ(verified.status, 0) << verified.err;
  EXPECT_NE(verified.out.find("SectorsStored:   2048"), std::string::npos) << verified.out;

  const RunResult restored = Run({"restore", image, "\\\\.\\PhysicalDrive0#2", "--yes"});
  ASSERT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.out,
            "Size of selected image: 1.00 MBytes \n"
            "Destination Drive: Source Disk; Partition: 2;\nType: Linux; Size: 1.00 MBytes \n"
            "Starting...\n");
  EXPECT_EQ(ReadFile(Disk(0), 2112 * Sector, 2048 * Sector), ReadFile(Disk(0), 64 * Sector, 2048 * Sector));
  // Nothing beyond the destination partition was touched.
  EXPECT_NE(ReadFile(Disk(0), 4160 * Sector, Sector).find("disk0 sector 4160"), std::string::npos);
}

TEST_F(JobCommandsTest, CloneOntoALargerDriveKeepsWhatLiesBeyond) {
  const std::string before = ReadFile(Disk(1));
  const RunResult cloned = Run({"clone", "\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1", "--yes"});
  ASSERT_EQ(cloned.status, 0) << cloned.err;
  EXPECT_EQ(cloned.out,
            "Source drive:Source Disk 4.00 MBytes \n"
            "Destination DriveBigger Disk 8.00 MBytes \n"
            "To see the cloning result you have to restart the computer.\n");
  EXPECT_EQ(ReadFile(Disk(1), 0, DiskSectors * Sector), ReadFile(Disk(0)));
  EXPECT_EQ(ReadFile(Disk(1), DiskSectors * Sector), before.substr(DiskSectors * Sector));
}

TEST_F(JobCommandsTest, ExitStatusesAndTheirReasons) {
  const std::string image = folder_ / "x.img";
  struct Case {
    std::string What;
    std::vector<std::string> Words;
    int Status;
    std::string InOut;  // expected in standard output
    std::string InErr;  // expected in standard error
  };
  const std::vector<Case> cases = {
      {"unreadable sector",
       {"create", "\\\\.\\PhysicalDrive2", image},
       4,
       "WARNING: bad sector skipped @:300\n",
       ""},
      {"unwritable sector",
       {"restore", Disk(0), "\\\\.\\PhysicalDrive2", "--yes"},
       4,
       "WARNING: bad sector skipped",
       ""},
      {"log not written",
       {"clone", "\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1", "--log", "--yes"},
       5,
       "To see the cloning result you have to restart the computer.",
       "Cannot write the log file D:\\TALVO_Cloning_Log"},
      {"pairing",
       {"clone", "\\\\.\\PhysicalDrive0#1", "\\\\.\\PhysicalDrive1", "--yes"},
       1,
       "",
       "a partition is cloned onto a partition"},
      {"too small",
       {"restore", Disk(1), "\\\\.\\PhysicalDrive0", "--yes"},
       1,
       "",
       "drivecopy: Partition to small: Destination partition to small."},
      {"volume as destination", {"restore", Disk(0), "C:", "--yes"}, 1, "", "C: is a volume"},
      {"unknown name",
       {"clone", "\\\\.\\PhysicalDrive7", "\\\\.\\PhysicalDrive1"},
       1,
       "",
       "no drive, partition, floppy or volume is named \\\\.\\PhysicalDrive7; see drivecopy list"},
      {"valid partitions of a partition",
       {"create", "C:", image, "--valid-partitions"},
       2,
       "",
       "--valid-partitions applies to a whole drive or a floppy"},
      {"bad level", {"create", "C:", image, "--compression", "max"}, 2, "", "--compression takes"},
      {"unknown option", {"restore", image, "C:", "--force"}, 2, "", "unknown option '--force'"},
      {"missing name", {"clone", "\\\\.\\PhysicalDrive0"}, 2, "", "too few names"},
  };
  for (const Case& c : cases) {
    const RunResult result = Run(c.Words);
    EXPECT_EQ(result.status, c.Status) << c.What << "\n" << result.out << result.err;
    EXPECT_NE(result.out.find(c.InOut), std::string::npos) << c.What << "\n" << result.out;
    EXPECT_NE(result.err.find(c.InErr), std::string::npos) << c.What << "\n" << result.err;
  }
  // Each command explains itself.
  for (const std::string command : {"create", "restore", "clone"}) {
    const RunResult help = Run({command, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: drivecopy [--machine FILE|demo] " + command)) << help.out;
  }
}

// --verify reads back what was written: status 6 when sectors differ, which
// outweighs unwritable sectors (4) and a log that was not written (5); sectors
// the job stored as zeros because they could not be read are no mismatch; a
// stop during the pass is a stop (3).
TEST_F(JobCommandsTest, VerifyNamesWhatDiffersAndGivesItsOwnExitStatus) {
  const std::string image = folder_ / "v.img";
  const std::string drive1 = "\\\\.\\PhysicalDrive1", drive2 = "\\\\.\\PhysicalDrive2";
  struct Case {
    std::string What;
    std::vector<std::string> Words;
    int Status;
    std::vector<std::string> InOut;  // expected in standard output
  };
  const std::vector<Case> cases = {
      {"restore intact",
       {"restore", Disk(0), drive1, "--yes", "--verify"},
       0,
       {"Verifying: " + drive1 + " is read back and compared with " + Disk(0) + ".\n",
        "Verification passed: all 8,192 sectors of " + drive1 + " are identical to " + Disk(0) + ".\n"}},
      // Sector 300 cannot be read, 4000 could not be written, and 5000 lost what was written.
      {"restore onto a worn disk",
       {"restore", Disk(0), drive2, "--yes", "--verify"},
       6,
       {"WARNING: bad sector skipped @:4000\n",
        "Sector 300 of " + drive2 + " cannot be read back: Data error (cyclic redundancy check).\n",
        "Sector 4000 of " + drive2 + " differs from " + Disk(0) + ".\n",
        "Sector 5000 of " + drive2 + " differs from " + Disk(0) + ".\n",
        "Verification failed: 3 of 8,192 sectors differ.\n"}},
      {"clone onto a worn disk",
       {"clone", "\\\\.\\PhysicalDrive0", drive2, "--yes", "--verify"},
       6,
       {"To see the cloning result you have to restart the computer.\nVerifying: ",
        "Sector 5000 of " + drive2 + " differs from \\\\.\\PhysicalDrive0.\n"}},
      {"clone intact, log not written",
       {"clone", "\\\\.\\PhysicalDrive0", drive1, "--yes", "--verify", "--log"},
       5,
       {"Verification passed: all 8,192 sectors of " + drive1}},
      {"raw image of a disk with an unreadable sector",
       {"create", drive2, image, "--yes", "--verify"},
       4,
       {"WARNING: bad sector skipped @:300\n",
        "Verification passed: all 8,192 sectors of " + image + " are identical to " + drive2 + ".\n"}},
      {"headed image",
       {"create", "\\\\.\\PhysicalDrive0", image, "--yes", "--verify", "--compression", "low"},
       0,
       {"Verifying: " + image + " is read back and every block checked.\n",
        "Verification passed: all 64 blocks of " + image + " were read back and are sound.\n"}},
      {"nothing to read back", {"create", "\\\\.\\PhysicalDrive0", image, "--verify", "--virtual"}, 2, {}},
  };
  for (const Case& c : cases) {
    const RunResult result = Run(c.Words);
    EXPECT_EQ(result.status, c.Status) << c.What << "\n" << result.out << result.err;
    for (const std::string& text : c.InOut) {
      EXPECT_NE(result.out.find(text), std::string::npos) << c.What << ": " << text << "\n" << result.out;
    }
  }

  // The restore's 63 progress reports (64 blocks), the pass's first, and one 2 MiB piece of it.
  TerminalSetup stopInPass;
  stopInPass.StopAfterProgressReports = 65;
  const RunResult stopped = RunWith(RunRestoreCommand, {Disk(0), drive1, "--yes", "--verify"}, stopInPass);
  EXPECT_EQ(stopped.status, 3) << stopped.err;
  EXPECT_TRUE(stopped.out.ends_with("Verification stopped at sector 4096; the rest was not compared.\n"))
      << stopped.out;
}

// A careless user's mistakes: each ends with status 1 and one error line that
// names the path and why it cannot be used.
TEST_F(JobCommandsTest, ErrorsNameThePathAndTheCause) {
  const std::string missingFolder = folder_ / "gone/x.img";
  struct Case {
    std::string What;
    std::vector<std::string> Words;
    std::vector<std::string> InErr;
  };
  const std::vector<Case> cases = {
      {"image in a folder that does not exist",
       {"create", "\\\\.\\PhysicalDrive0#1", missingFolder},
       {"drivecopy: Error: Unable to open file: " + missingFolder +
        ": The system cannot find the path specified"}},
      {"image to restore in a folder that does not exist",
       {"restore", missingFolder, "\\\\.\\PhysicalDrive1", "--yes"},
       {"drivecopy restore: " + missingFolder +
            " cannot be opened for reading: The system cannot find the path",
        "Nothing was written."}},
      {"a raw image larger than the free space",
       {"create", "\\\\.\\PhysicalDrive0#1", "D:\\x.img"},
       {"drivecopy: Writing Error: Not enough disk space: The image D:\\x.img needs 1,048,576 bytes (1.00 "
        "MBytes); "
        "the volume it is to be stored on has 0 bytes (0.00 bytes) free."}},
      {"a destination smaller than the image",
       {"restore", Disk(1), "\\\\.\\PhysicalDrive0", "--yes"},
       {"drivecopy: Partition to small: Destination partition to small. Select a bigger one. " + Disk(1) +
        " needs 16,384 sectors (8.00 MBytes), and the destination \\\\.\\PhysicalDrive0 (sectors 0 to 8191) "
        "holds only 8,192 sectors (4.00 MBytes)."}},
      {"a destination smaller than the source",
       {"clone", "\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive0", "--yes"},
       {"\\\\.\\PhysicalDrive1 needs 16,384 sectors (8.00 MBytes), and the destination \\\\.\\PhysicalDrive0 "
        "(sectors 0 to 8191) holds only 8,192 sectors (4.00 MBytes)."}},
  };
  for (const Case& c : cases) {
    const RunResult result = Run(c.Words);
    EXPECT_EQ(result.status, 1) << c.What << "\n" << result.out << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.What << "\n" << result.err;
    for (const std::string& part : c.InErr) {
      EXPECT_NE(result.err.find(part), std::string::npos) << c.What << "\n" << result.err;
    }
  }
}

TEST_F(JobCommandsTest, NothingIsOverwrittenWithoutConfirmation) {
  const std::string image = folder_ / "kept.img";
  std::ofstream(image) << "precious";
  const std::string disk1 = ReadFile(Disk(1));

  const RunResult noImage = Run({"create", "\\\\.\\PhysicalDrive0#1", image});
  EXPECT_EQ(noImage.status, 1);
  EXPECT_NE(noImage.err.find("add --yes to confirm"), std::string::npos) << noImage.err;
  EXPECT_EQ(ReadFile(image), "precious");
  const RunResult noClone = Run({"clone", "\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1"});
  EXPECT_EQ(noClone.status, 1);
  EXPECT_EQ(ReadFile(Disk(1)), disk1);

  // On a terminal the question is asked on standard error; only y or yes is Yes.
  for (const auto& [answer, status] :
       std::vector<std::pair<std::string, int>>{{"n\n", 1}, {"\n", 1}, {"", 1}, {" YES \n", 0}}) {
    std::istringstream keyboard(answer);
    TerminalSetup terminal;
    terminal.Answers = &keyboard;
    const RunResult result =
        RunWith(RunCloneCommand, {"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1"}, terminal);
    EXPECT_EQ(result.status, status) << "answer '" << answer << "'\n" << result.err;
    EXPECT_NE(
        result.err.find("All data will be overwritten on Bigger Disk 8.00 MBytes . Are you sure? [y/N] "),
        std::string::npos)
        << result.err;
    EXPECT_EQ(ReadFile(Disk(1)) == disk1, status != 0) << "answer '" << answer << "'";
  }
}

TEST_F(JobCommandsTest, AStopCompletesTheImageOrDeletesItWhenAsked) {
  TerminalSetup stopEarly;
  stopEarly.StopAfterProgressReports = 3;
  const std::string image = folder_ / "stopped.img";

  const RunResult kept =
      RunWith(RunCreateCommand, {"\\\\.\\PhysicalDrive1", image, "--compression", "low"}, stopEarly);
  EXPECT_EQ(kept.status, 3) << kept.err;
  EXPECT_NE(kept.out.find("Operation stopped at sector:"), std::string::npos) << kept.out;
  EXPECT_NE(kept.err.find("stopping after the current block"), std::string::npos) << kept.err;
  const RunResult verified = Run({"info", image, "--verify"});
  EXPECT_EQ(verified.status, 0) << verified.err;
  EXPECT_EQ(verified.out.find("SectorsStored:   16384"), std::string::npos) << "the stop came too late";

  // The image a stopped run deletes is its own: the one it was to replace stays.
  const std::string before = ReadFile(image);
  const RunResult deleted =
      RunWith(RunCreateCommand, {"\\\\.\\PhysicalDrive1", image, "--yes", "--delete-on-stop"}, stopEarly);
  EXPECT_EQ(deleted.status, 3) << deleted.err;
  EXPECT_NE(deleted.out.find("User abort. Image file deleted\nThe image file " + image +
                             " that was there before is left as it was."),
            std::string::npos)
      << deleted.out;
  EXPECT_EQ(ReadFile(image), before);
  EXPECT_FALSE(std::filesystem::exists(image + ".drivecopy-partial"));

  std::filesystem::remove(image);
  const RunResult alone =
      RunWith(RunCreateCommand, {"\\\\.\\PhysicalDrive1", image, "--yes", "--delete-on-stop"}, stopEarly);
  EXPECT_EQ(alone.status, 3) << alone.err;
  EXPECT_NE(alone.out.find("User abort. Image file deleted"), std::string::npos) << alone.out;
  EXPECT_FALSE(std::filesystem::exists(image));
}

// Ctrl-C on the real program: the first interrupt is Cancel, and the image
// written up to there is complete.
#ifndef _WIN32  // a signal to a child process: Ctrl-C on Windows is a console event
TEST_F(JobCommandsTest, InterruptStopsTheProgramWithACompleteImage) {
  const std::string bigMachine = folder_ / "big.json";
  std::ofstream(bigMachine) << R"({"physicalDrives": [{"number": 0, "size": "256 GiB"}],
                                    "volumes": [{"letter": "C", "size": "1 MiB"}]})";
  const std::string image = folder_ / "interrupted.img";
  const std::string output = folder_ / "output.txt";
  const std::string errors = folder_ / "errors.txt";

  std::vector<std::string> words = {DRIVECOPY_BINARY,        "--machine", bigMachine,      "create",
                                    "\\\\.\\PhysicalDrive0", image,       "--compression", "low"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // The first memo line comes after the handler is in place; then let the job run a little.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ReadFile(output).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(::kill(child, SIGINT), 0);

  int waitStatus = 0;
  pid_t ended = 0;
  while ((ended = ::waitpid(child, &waitStatus, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &waitStatus, 0);
    FAIL() << "the program did not stop within 20 seconds of Ctrl-C";
  }
  ASSERT_TRUE(WIFEXITED(waitStatus)) << "ended by signal " << WTERMSIG(waitStatus);
  EXPECT_EQ(WEXITSTATUS(waitStatus), 3) << ReadFile(output);
  EXPECT_NE(ReadFile(output).find("Operation stopped at sector:"), std::string::npos) << ReadFile(output);
  EXPECT_NE(ReadFile(errors).find("stopping after the current block"), std::string::npos) << ReadFile(errors);
  const RunResult verified = Run({"info", image, "--verify"});
  EXPECT_EQ(verified.status, 0) << verified.err;
}
#endif

}  // namespace
}  // namespace drivecopy

namespace drivecopy {
namespace {

TEST(TerminalProgress, LineShowsPercentSpeedAndTimeLeft) {
  JobProgress progress;
  progress.MainPercent = 42;
  progress.BytesDone = 42 << 20;
  progress.BytesTotal = 100 << 20;
  EXPECT_EQ(ProgressLineText(progress, 2.0, 4 << 20),
            " 42% [############                  ]  2.0 MiB/s  0:29 left");
  // Too early to tell a speed.
  EXPECT_EQ(ProgressLineText(progress, 0.5, 4 << 20), " 42% [############                  ]");
  progress.MainPercent = 100;
  progress.BytesDone = progress.BytesTotal = std::int64_t{300} << 30;
  EXPECT_EQ(ProgressLineText(progress, 7200.0, progress.BytesTotal),
            "100% [##############################]  42.7 MiB/s  0:00 left");
}

TEST_F(JobCommandsTest, ProgressGoesToATerminalOnlyAndIsClearedAtTheEnd) {
  TerminalSetup terminal;
  terminal.DrawProgress = true;
  const RunResult drawn = RunWith(RunCreateCommand, {"\\\\.\\PhysicalDrive1", folder_ / "p.img"}, terminal);
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_TRUE(drawn.err.starts_with("\r  0% [")) << drawn.err;
  EXPECT_TRUE(drawn.err.ends_with(std::string(37, ' ') + "\r")) << drawn.err;
  EXPECT_EQ(drawn.out.find('\r'), std::string::npos);

  const RunResult quiet =
      RunWith(RunCreateCommand, {"\\\\.\\PhysicalDrive1", folder_ / "q.img"}, TerminalSetup{});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
}

}  // namespace
}  // namespace drivecopy

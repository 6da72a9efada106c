// Files given as IMAGE that are crafted to hurt or are no image at all, run
// through the real program (the Linux platform) under a cap on its address
// space: whatever a header says, info, info --verify and restore end with a
// message naming the file, never with a signal, a hang or gigabytes taken.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "image/BlockCompressor.h"
#include "image/ImageHeader.h"
#include "image/LittleEndian.h"

extern char** environ;

namespace drivecopy {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t GiB = std::int64_t{1} << 30;
constexpr std::int64_t BlockBytes = 65536;

// A normal run of info --verify takes about 20 MB of address space and a
// restore about 60 MB (its decoding threads' stacks and heaps included; the
// desktop build maps Qt as well, some 75 MB); the cap leaves room for both
// and for a machine with more cores, where threads that find no room are
// simply not started.
constexpr rlim_t AddressSpaceCap = rlim_t{300} << 20;
constexpr int SecondsAllowed = 30;

bool SanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

struct LimitedRun {
  bool Exited = false;  // false: ended by a signal or killed after SecondsAllowed
  int ExitCode = -1;
  int Signal = 0;
  std::string Out;
  std::string Err;
};

std::ostream& operator<<(std::ostream& out, const LimitedRun& run) {
  if (run.Exited)
    out << "exit " << run.ExitCode;
  else
    out << "ended by signal " << run.Signal;
  return out << "\n--- stdout ---\n"
             << run.Out.substr(0, 2000) << "--- stderr ---\n"
             << run.Err.substr(0, 2000);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the program with `arguments` under AddressSpaceCap, standard input
// empty; one that is still running after SecondsAllowed is killed. A
// sanitized program needs terabytes of address space for its shadow memory,
// so there the sanitizer's own cap on a single allocation takes the place of
// the limit.
LimitedRun RunWithMemoryCap(const std::vector<std::string>& arguments, const fs::path& scratch) {
  const std::string out = (scratch / "run.out").string();
  const std::string err = (scratch / "run.err").string();
  std::vector<std::string> words = {DRIVECOPY_BINARY};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string(*entry).starts_with("ASAN_OPTIONS=")) environment.emplace_back(*entry);
  }
  const char* asan = std::getenv("ASAN_OPTIONS");
  environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                        ":max_allocation_size_mb=256:exitcode=86");
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const bool capAddressSpace = !SanitizedBuild();

  const pid_t child = ::fork();
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(126);
    const rlimit cap{AddressSpaceCap, AddressSpaceCap};
    if (capAddressSpace && ::setrlimit(RLIMIT_AS, &cap) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  LimitedRun run;
  if (child < 0) return run;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(SecondsAllowed);
  pid_t ended = 0;
  while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ended == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  run.Exited = WIFEXITED(status);
  run.ExitCode = run.Exited ? WEXITSTATUS(status) : -1;
  run.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.Out = FileText(out);
  run.Err = FileText(err);
  return run;
}

// Bytes at a file offset; everything else of a crafted file is a hole.
struct Piece {
  std::int64_t Offset = 0;
  std::vector<std::byte> Bytes;
};

void WriteSparseFile(const std::string& path, std::int64_t size, const std::vector<Piece>& pieces) {
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const Piece& piece : pieces) {
      file.seekp(piece.Offset);
      file.write(reinterpret_cast<const char*>(piece.Bytes.data()),
                 static_cast<std::streamsize>(piece.Bytes.size()));
    }
  }
  fs::resize_file(path, static_cast<std::uintmax_t>(size));
}

Piece HeaderPiece(const ImageHeader& header) {
  const auto bytes = SerializeHeader(header);
  Piece piece{0, std::vector<std::byte>(bytes.begin(), bytes.end())};
  for (const std::int64_t start : header.PartitionStarts) {
    piece.Bytes.resize(piece.Bytes.size() + 8);
    StoreLittleEndian(piece.Bytes.data() + piece.Bytes.size() - 8, start);
  }
  return piece;
}

// A header with one partition start, so its blocks begin at offset 73.
constexpr std::int64_t FirstBlock = 65 + 8;
ImageHeader CraftedHeader(std::int64_t sectorsStored) {
  ImageHeader header;
  header.SectorCount = sectorsStored;
  header.LastSector = 2048 + sectorsStored;
  header.SectorsStored = sectorsStored;
  header.FirstSector = 2048;
  header.PartitionCount = 1;
  header.PartitionStarts = {2048};
  header.SourceKind = 0x62;
  return header;
}

// `count` blocks of 65,536 zero bytes, each with its length field, from
// `offset` on; `ends` receives each block's offset and the end of the last.
Piece ZeroBlocks(std::int64_t offset, std::int64_t count, std::vector<std::int64_t>& ends) {
  const std::vector<std::byte> zeros(BlockBytes);
  const auto stream = CompressBlock(zeros, CompressionLevel::High).value();
  Piece piece{offset, {}};
  for (std::int64_t i = 0; i < count; ++i) {
    ends.push_back(offset + static_cast<std::int64_t>(piece.Bytes.size()));
    const std::size_t at = piece.Bytes.size();
    piece.Bytes.resize(at + 8);
    StoreLittleEndian(piece.Bytes.data() + at, static_cast<std::int64_t>(stream.size()));
    piece.Bytes.insert(piece.Bytes.end(), stream.begin(), stream.end());
  }
  ends.push_back(offset + static_cast<std::int64_t>(piece.Bytes.size()));
  return piece;
}

Piece IndexPiece(std::int64_t offset, const std::vector<std::int64_t>& entries) {
  Piece piece{offset, std::vector<std::byte>(8 * entries.size())};
  for (std::size_t i = 0; i < entries.size(); ++i) StoreLittleEndian(piece.Bytes.data() + 8 * i, entries[i]);
  return piece;
}

class HostileImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::temp_directory_path() / ("drivecopy-hostile-" + std::to_string(::getpid()));
    fs::create_directories(scratch_);
    destination_ = File("destination.bin");
    fs::resize_file(destination_, 0);
  }
  void TearDown() override { fs::remove_all(scratch_); }

  std::string File(const std::string& name) const {
    const std::string path = (scratch_ / name).string();
    std::ofstream touch(path, std::ios::app);
    return path;
  }

  // What one command must end with: exit status 1 (or 0 where the file is
  // sound for what that command reads) and a text on standard error.
  struct Expected {
    std::vector<std::string> Arguments;  // "IMAGE" stands for the image path
    int ExitCode = 1;
    std::string Text;  // found in standard error ("" for exit 0)
  };

  void ExpectEach(const std::string& image, const std::vector<Expected>& commands) {
    for (const Expected& expected : commands) {
      std::vector<std::string> arguments;
      for (const std::string& word : expected.Arguments) arguments.push_back(word == "IMAGE" ? image : word);
      std::string shown;
      for (const std::string& word : expected.Arguments) shown += word + " ";
      SCOPED_TRACE(shown);
      const LimitedRun run = RunWithMemoryCap(arguments, scratch_);
      ASSERT_TRUE(run.Exited) << run;
      EXPECT_EQ(run.ExitCode, expected.ExitCode) << run;
      if (expected.ExitCode != 0) {
        EXPECT_NE(run.Err.find(image), std::string::npos) << "the message names no path\n" << run;
        EXPECT_NE(run.Err.find(expected.Text), std::string::npos) << "expected \"" << expected.Text << "\"\n"
                                                                  << run;
      }
    }
  }

  std::vector<std::string> Restore() const { return {"restore", "IMAGE", destination_, "--yes"}; }

  fs::path scratch_;
  std::string destination_;
};

// Headers whose counts, taken at their word, would cost gigabytes: each is
// refused, or read a piece at a time, within the cap. The files are sparse;
// only the header and a few blocks take room on the disk.
TEST_F(HostileImagesTest, CraftedHeadersEndWithAMessageWithinTheMemoryCap) {
  struct Case {
    const char* Name;
    std::int64_t FileSize;
    std::vector<Piece> Pieces;
    std::vector<Expected> Commands;
    std::int64_t DestinationBytes = 1 << 20;
  };
  std::vector<Case> cases;

  // A list of 2^28 partition starts (2 GiB) in a 64 GiB file: it fits the
  // file, but no drive's layout holds more than 101 partitions.
  for (const std::int32_t count : {std::int32_t{1} << 28, std::int32_t{0x7FFFFFFF}}) {
    ImageHeader header = CraftedHeader(128);
    header.PartitionCount = count;
    header.PartitionStarts.clear();
    const std::string text = "list of " + std::to_string(count) + " partition starts is longer than the 101";
    cases.push_back(
        {count == 0x7FFFFFFF ? "PartitionCount 2^31 - 1" : "PartitionCount 2^28",
         64 * GiB,
         {HeaderPiece(header)},
         {{{"info", "IMAGE"}, 1, text}, {{"info", "IMAGE", "--verify"}, 1, text}, {Restore(), 1, text}}});
  }

  // One sound block, then an index that claims the rest of a 64 GiB file.
  // The index is checked against the 2 entries SectorsStored gives it before
  // a byte of it is read; a restore does not need the index and writes the block.
  {
    std::vector<std::int64_t> ends;
    Piece block = ZeroBlocks(FirstBlock, 1, ends);
    ImageHeader header = CraftedHeader(128);
    header.IndexOffset = ends.back();
    header.IndexSize = (64 * GiB - header.IndexOffset) / 8 * 8;
    cases.push_back(
        {"IndexSize of 64 GiB",
         header.IndexOffset + header.IndexSize,
         {HeaderPiece(header), block, IndexPiece(header.IndexOffset, ends)},
         {{{"info", "IMAGE"}, 0, ""},
          {{"info", "IMAGE", "--verify"},
           1,
           "the index holds " + std::to_string(header.IndexSize / 8) + " entries, but 1 blocks need 2"},
          {Restore(), 0, ""}}});
  }
  // An index said to lie far beyond the end of the file.
  {
    std::vector<std::int64_t> ends;
    Piece block = ZeroBlocks(FirstBlock, 1, ends);
    ImageHeader header = CraftedHeader(128);
    header.IndexOffset = std::int64_t{1} << 62;
    header.IndexSize = 16;
    cases.push_back(
        {"IndexOffset past the end",
         64 * GiB,
         {HeaderPiece(header), block},
         {{{"info", "IMAGE", "--verify"}, 1, "the index offset 4611686018427387904 lies outside"}}});
  }
  // A block whose stream ends properly but whose length claims the rest of a
  // 64 GiB file: the stray bytes are counted, not read.
  {
    std::vector<std::int64_t> ends;
    Piece block = ZeroBlocks(FirstBlock, 1, ends);
    const std::int64_t stream = ends[1] - ends[0] - 8;
    const std::int64_t length = 64 * GiB - FirstBlock - 8 - 16;
    StoreLittleEndian(block.Bytes.data(), length);
    ImageHeader header = CraftedHeader(128);
    header.IndexOffset = 64 * GiB - 16;
    header.IndexSize = 16;
    const std::string text =
        std::to_string(length - stream) + " bytes of stray data follow the end of its zlib stream";
    cases.push_back(
        {"block length of 64 GiB",
         64 * GiB,
         {HeaderPiece(header), block, IndexPiece(header.IndexOffset, {FirstBlock, header.IndexOffset})},
         {{{"info", "IMAGE", "--verify"}, 1, text}, {Restore(), 1, text}}});
  }
  // An image of a 2 TB drive: 2^25 blocks, a 256 MiB index at the end of a
  // sparse file. The first 8,200 blocks and their entries are sound (the
  // index is read in pieces of 8,192 entries between the blocks), then the
  // blocks stop. A restore onto a 2 TiB sparse file writes three sound blocks.
  for (const std::int64_t soundBlocks : {std::int64_t{8200}, std::int64_t{3}}) {
    const std::int64_t blocks = std::int64_t{1} << 25;
    std::vector<std::int64_t> ends;
    Piece written = ZeroBlocks(FirstBlock, soundBlocks, ends);
    ImageHeader header = CraftedHeader(blocks * 128);
    header.IndexOffset = FirstBlock + 16 * blocks;
    header.IndexSize = 8 * (blocks + 1);
    const std::string text = "block " + std::to_string(soundBlocks) + " (at byte " +
                             std::to_string(ends.back()) + "): its length 0 is not positive";
    std::vector<Expected> commands = {{{"info", "IMAGE", "--verify"}, 1, text}};
    if (soundBlocks < 10) commands = {{Restore(), 1, text}};
    cases.push_back({soundBlocks < 10 ? "2 TB image restored" : "2 TB image verified",
                     header.IndexOffset + header.IndexSize,
                     {HeaderPiece(header), written, IndexPiece(header.IndexOffset, ends)},
                     commands,
                     blocks * BlockBytes});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string image = File("crafted.img");
    WriteSparseFile(image, c.FileSize, c.Pieces);
    fs::resize_file(destination_, static_cast<std::uintmax_t>(c.DestinationBytes));
    ExpectEach(image, c.Commands);
  }
}

// An image made without writing its blocks (a dry run) of a 2 TB drive holds
// a 256 MiB index and nothing else; it is read entry by entry and found sound.
TEST_F(HostileImagesTest, IndexOfATwoTerabyteDriveIsVerifiedWithinTheMemoryCap) {
  const std::int64_t blocks = std::int64_t{1} << 25;
  ImageHeader header = CraftedHeader(blocks * 128);
  header.SectorsStored = 0;
  header.IndexOffset = FirstBlock;
  header.IndexSize = 8 * (blocks + 1);
  const std::string image = File("dry-run.img");
  {
    std::ofstream file(image, std::ios::binary | std::ios::trunc);
    const Piece head = HeaderPiece(header);
    file.write(reinterpret_cast<const char*>(head.Bytes.data()),
               static_cast<std::streamsize>(head.Bytes.size()));
    // Written a megabyte at a time: the entries the blocks would have had.
    std::vector<std::byte> piece(1 << 20);
    std::int64_t entry = 0;
    while (entry <= blocks) {
      std::size_t used = 0;
      for (; used < piece.size() && entry <= blocks; used += 8, ++entry) {
        StoreLittleEndian(piece.data() + used, FirstBlock + 100 * entry);
      }
      file.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(used));
    }
  }
  const LimitedRun run = RunWithMemoryCap({"info", image, "--verify"}, scratch_);
  ASSERT_TRUE(run.Exited) << run;
  EXPECT_EQ(run.ExitCode, 0) << run;
  EXPECT_NE(run.Out.find("only an index of the 33554432 blocks it would have had"), std::string::npos) << run;
}

// Only a regular file or a block device is an image. Anything else is
// refused at once, before it is opened, with what it is: a named pipe would
// otherwise keep the program waiting for a writer.
TEST_F(HostileImagesTest, WhatIsNoFileOrBlockDeviceIsRefusedAtOnce) {
  const std::string pipe = (scratch_ / "pipe").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string folder = (scratch_ / "folder").string();
  fs::create_directory(folder);
  fs::resize_file(destination_, 1 << 20);
  struct Case {
    std::string Path;
    std::string What;
  };
  for (const Case& c : {Case{pipe, "is a named pipe (FIFO), not a regular file or a block device"},
                        Case{folder, "is a directory, not a regular file or a block device"},
                        Case{"/dev/null", "is a character device, not a regular file or a block device"},
                        Case{"/dev/zero", "is a character device, not a regular file or a block device"}}) {
    SCOPED_TRACE(c.Path);
    ExpectEach(
        c.Path,
        {{{"info", "IMAGE"}, 1, c.What}, {{"info", "IMAGE", "--verify"}, 1, c.What}, {Restore(), 1, c.What}});
  }
  // The simulated machine reads host files as images too.
  ExpectEach(pipe, {{{"--machine", "demo", "info", "IMAGE"}, 1, "named pipe (FIFO)"}});
}

}  // namespace
}  // namespace drivecopy

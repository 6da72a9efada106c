#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/ImageCompleteness.h"
#include "image/ImageFileNames.h"
#include "image/ImageReader.h"
#include "image/ImageVerifier.h"
#include "jobs/CreateImageJob.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/MemoryDevice.h"
#include "support/RecordingObserver.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

using test_support::RecordingObserver;
using test_support::ScratchFolder;

const std::string kDrive0 = R"(\\.\PhysicalDrive0)";

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Bytes that differ from sector to sector and compress unevenly: some
// sectors pseudo-random, some a repeated text, some zeros.
std::vector<std::byte> SourcePattern(std::int64_t sectors) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(sectors * 512));
  std::uint32_t state = 12345;
  for (std::int64_t s = 0; s < sectors; ++s) {
    for (std::size_t i = 0; i < 512; ++i) {
      std::byte& b = bytes[static_cast<std::size_t>(s) * 512 + i];
      switch (s % 3) {
        case 0:
          state = state * 1103515245u + 12345u;
          b = static_cast<std::byte>(state >> 24);
          break;
        case 1:
          b = static_cast<std::byte>("sector text "[i % 12] + s % 7);
          break;
        default:
          b = std::byte{0};
      }
    }
  }
  return bytes;
}

std::vector<std::byte> ReadFile(const std::string& path, std::int64_t offset = 0, std::int64_t count = -1) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return {};
  const std::int64_t size = file.tellg();
  if (count < 0) count = size - offset;
  std::vector<std::byte> bytes(static_cast<std::size_t>(count));
  file.seekg(offset);
  file.read(reinterpret_cast<char*>(bytes.data()), count);
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

void WriteFile(const std::string& path, std::int64_t offset, const std::vector<std::byte>& bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(offset);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A machine with drive 0 of `size` (`extra` adds keys to its description)
// whose first `patternSectors` sectors hold SourcePattern, plus `more`
// top-level parts.
struct Fixture {
  explicit Fixture(const std::string& extra = "", std::int64_t patternSectors = 4096,
                   const std::string& more = "", const std::string& size = "8 MiB") {
    machine = test_support::Machine(R"({"physicalDrives": [{"number": 0, "size": ")" + size + "\"" + extra +
                                    "}]" + more + "}");
    source = SourcePattern(patternSectors);
    WriteFile(*machine->ContentPath(kDrive0), 0, source);
  }
  std::vector<std::byte> SourceSectors(std::int64_t first, std::int64_t end) const {
    return {source.begin() + first * 512, source.begin() + end * 512};
  }
  CreateImageParameters Parameters(std::int64_t first, std::int64_t end, const std::string& imagePath) const {
    CreateImageParameters p;
    p.DevicePath = kDrive0;
    p.DeviceKind = KindPartition;
    p.FirstSector = first;
    p.EndSector = end;
    p.Header.SectorCount = end - first;
    p.Header.FirstSector = first;
    p.Header.LastSector = end;
    p.Header.PartitionCount = 1;
    p.Header.PartitionStarts = {first};
    p.Header.SourceKind = KindPartition;
    p.ImagePath = imagePath;
    return p;
  }
  JobOutcome Run(const CreateImageParameters& p) {
    return RunCreateImageJob(*machine, Texts(), p, memo, observer);
  }

  std::unique_ptr<SimulatedMachine> machine;
  std::vector<std::byte> source;
  OperationMemo memo;
  RecordingObserver observer;
};

std::vector<std::byte> Restored(const std::string& imagePath) {
  std::vector<std::byte> sectors;
  test_support::MemoryDevice device(ReadFile(imagePath));
  auto reader = ImageReader::Open(device);
  EXPECT_TRUE(reader.ok());
  if (!reader.ok()) return {};
  while (!reader->AtEnd()) {
    auto block = reader->ReadBlock();
    EXPECT_TRUE(block.ok()) << block.error().text;
    if (!block.ok()) break;
    sectors.insert(sectors.end(), block->begin(), block->end());
  }
  return sectors;
}

std::string FileSizeLine(std::int64_t bytes) { return Texts().strSFileSizeLabel + SizeText(bytes); }
std::string BadSectorLine(std::int64_t sector) {
  return Texts().strSBADSingleSECTOR + " @:" + std::to_string(sector);
}

struct RangeCase {
  std::int64_t First, End, Blocks;
};

class RawRange : public ::testing::TestWithParam<RangeCase> {};

// 1,000 sectors are 7 whole blocks and 104 single sectors; a range that
// starts inside the drive reads from there; 127 sectors have no whole block.
TEST_P(RawRange, RawImageIsTheSourceSectorsBackToBack) {
  const RangeCase c = GetParam();
  ScratchFolder folder;
  Fixture f;
  const auto outcome = f.Run(f.Parameters(c.First, c.End, folder / "raw.img"));

  EXPECT_EQ(outcome.Status, JobStatus::Finished);
  EXPECT_EQ(outcome.SectorsDone, c.End - c.First);
  EXPECT_EQ(ReadFile(folder / "raw.img"), f.SourceSectors(c.First, c.End));
  EXPECT_EQ(static_cast<std::int64_t>(f.observer.ProgressCalls.size()), c.Blocks);
  EXPECT_EQ(f.observer.ProgressCalls.back().MainPercent, 100);
  EXPECT_EQ(f.observer.ProgressCalls.back().BytesRemaining, 0);
  const std::int64_t firstBlockBytes = c.End - c.First >= 128 ? 65536 : 512;
  EXPECT_EQ(f.observer.ProgressCalls.front().BytesRemaining, (c.End - c.First) * 512 - firstBlockBytes);
  EXPECT_EQ(f.observer.MemoLines,
            (std::vector<std::string>{FileSizeLine((c.End - c.First) * 512), Texts().StrSReady}));
  EXPECT_EQ(f.memo.Lines(), f.observer.MemoLines);
  EXPECT_TRUE(f.observer.Errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Ranges, RawRange,
                         ::testing::Values(RangeCase{0, 1000, 7 + 104}, RangeCase{2048, 2048 + 256, 2},
                                           RangeCase{5, 5 + 127, 127}));

class HeadedLevel : public ::testing::TestWithParam<CompressionLevel> {};

TEST_P(HeadedLevel, HeadedImageVerifiesAndReadsBackAsTheSource) {
  ScratchFolder folder;
  Fixture f;
  auto p = f.Parameters(2048, 3048, folder / "headed.img");
  p.Raw = false;
  p.Level = GetParam();
  ASSERT_EQ(f.Run(p).Status, JobStatus::Finished);

  test_support::MemoryDevice image(ReadFile(folder / "headed.img"));
  const auto verification = VerifyImage(image);
  EXPECT_TRUE(verification.Sound) << verification.Fault;
  EXPECT_EQ(verification.BlocksChecked, 7 + 104);
  auto header = ParseHeader(image.Bytes);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->SectorsStored, 1000);
  EXPECT_EQ(header->FirstSector, 2048);
  EXPECT_EQ(header->PartitionCount, 1);
  EXPECT_EQ(Restored(folder / "headed.img"), f.SourceSectors(2048, 3048));
}

INSTANTIATE_TEST_SUITE_P(Levels, HeadedLevel,
                         ::testing::Values(CompressionLevel::None, CompressionLevel::Low,
                                           CompressionLevel::Medium, CompressionLevel::High));

TEST(CreateImageJob, TwoHundredFiftySixSectorsAreTwoBlocks) {
  ScratchFolder folder;
  Fixture f;
  auto p = f.Parameters(0, 256, folder / "two.img");
  p.Raw = false;
  ASSERT_EQ(f.Run(p).Status, JobStatus::Finished);
  const auto header = ParseHeader(ReadFile(folder / "two.img"));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->SectorsStored, 256);
  EXPECT_EQ(header->IndexSize, 3 * 8);
  EXPECT_EQ(f.observer.ProgressCalls.size(), 2u);
}

TEST(CreateImageJob, VirtualRunWritesNoBlocksButReportsTheirSize) {
  ScratchFolder folder;
  Fixture f;
  auto raw = f.Parameters(0, 1000, folder / "virtual.img");
  raw.Virtual = true;
  ASSERT_EQ(f.Run(raw).Status, JobStatus::Finished);
  EXPECT_TRUE(std::filesystem::exists(folder / "virtual.img"));
  EXPECT_EQ(std::filesystem::file_size(folder / "virtual.img"), 0u);
  EXPECT_EQ(f.observer.MemoLines.front(), FileSizeLine(512000));

  auto headed = f.Parameters(0, 1000, folder / "virtual-headed.img");
  headed.Virtual = true;
  headed.Raw = false;
  ASSERT_EQ(f.Run(headed).Status, JobStatus::Finished);
  test_support::MemoryDevice image(ReadFile(folder / "virtual-headed.img"));
  const auto verification = VerifyImage(image);
  EXPECT_TRUE(verification.Sound) << verification.Fault;
  EXPECT_TRUE(verification.IndexOnly);
}

struct DamageCase {
  std::string Name;
  bool ShortReads;
  bool Raw;
};

class DamagedSource : public ::testing::TestWithParam<DamageCase> {};

// Sector 127 of the first block and one sector of the single-sector tail
// cannot be read. A short read (the sectors before the bad one) must not be
// taken for the whole block: the rest is read sector by sector.
TEST_P(DamagedSource, UnreadableSectorsAreZerosAndNamedOnce) {
  const DamageCase c = GetParam();
  ScratchFolder folder;
  Fixture f(std::string(R"(, "unreadableSectors": [2175, 2948])") +
            (c.ShortReads ? R"(, "shortReads": true)" : ""));
  auto p = f.Parameters(2048, 3048, folder / "damaged.img");
  p.Raw = c.Raw;
  const auto outcome = f.Run(p);

  EXPECT_EQ(outcome.Status, JobStatus::FinishedWithProblems);
  EXPECT_EQ(outcome.UnreadableSectors, 2);
  ASSERT_EQ(f.observer.MemoLines.size(), 4u);
  EXPECT_EQ(f.observer.MemoLines[0], BadSectorLine(2175));
  EXPECT_EQ(f.observer.MemoLines[1], BadSectorLine(2948));
  EXPECT_EQ(f.observer.MemoLines[2].rfind(Texts().strSFileSizeLabel, 0), 0u);
  EXPECT_EQ(f.observer.MemoLines[3], Texts().StrSReady);

  auto expected = f.SourceSectors(2048, 3048);
  std::fill_n(expected.begin() + 127 * 512, 512, std::byte{0});
  std::fill_n(expected.begin() + 900 * 512, 512, std::byte{0});
  EXPECT_EQ(c.Raw ? ReadFile(folder / "damaged.img") : Restored(folder / "damaged.img"), expected);
}

INSTANTIATE_TEST_SUITE_P(Reads, DamagedSource,
                         ::testing::Values(DamageCase{"FailedReads", false, true},
                                           DamageCase{"ShortReads", true, true},
                                           DamageCase{"ShortReadsHeaded", true, false}),
                         [](const auto& info) { return info.param.Name; });

class StoppedRun : public ::testing::TestWithParam<bool> {};

// A stop after three blocks keeps a complete image of those blocks, or
// deletes it when the user says so.
TEST_P(StoppedRun, StopKeepsACompleteShorterImageOrDeletesIt) {
  const bool deleteIt = GetParam();
  ScratchFolder folder;
  Fixture f;
  auto p = f.Parameters(2048, 3048, folder / "stopped.img");
  p.Raw = false;
  p.WriteLog = true;
  f.observer.StopAfterProgressCalls = 3;
  f.observer.Answers = {deleteIt};
  const auto outcome = f.Run(p);

  EXPECT_EQ(outcome.Status, JobStatus::Stopped);
  EXPECT_EQ(outcome.SectorsDone, 384);
  ASSERT_EQ(f.observer.Questions.size(), 1u);
  EXPECT_EQ(f.observer.Questions[0].Kind, JobQuestion::DeleteImageAfterStop);
  EXPECT_EQ(f.observer.Questions[0].Text, Texts().StrSDeleteImage);
  EXPECT_EQ(f.observer.MemoLines.back(), Texts().StrSUserAbort + std::to_string(2048 + 384));
  EXPECT_EQ(std::filesystem::exists(folder / "stopped.img"), !deleteIt);
  EXPECT_EQ(std::find(f.observer.MemoLines.begin(), f.observer.MemoLines.end(),
                      Texts().StrSDeleteImageText) != f.observer.MemoLines.end(),
            deleteIt);
  // The log is written either way, holding the closing lines.
  EXPECT_TRUE(std::filesystem::exists(folder / "stopped.img.log"));
  if (!deleteIt) {
    test_support::MemoryDevice image(ReadFile(folder / "stopped.img"));
    EXPECT_TRUE(VerifyImage(image).Sound);
    EXPECT_EQ(ParseHeader(image.Bytes)->SectorsStored, 384);
    EXPECT_EQ(Restored(folder / "stopped.img"), f.SourceSectors(2048, 2048 + 384));
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, StoppedRun, ::testing::Bool());

TEST(CreateImageJob, OutputIsWrittenOnlyWhenItPassesFiveHundredBlocks) {
  ScratchFolder folder;
  Fixture f("", 0, "", "40 MiB");
  auto p = f.Parameters(0, 501 * 128, folder / "batched.img");
  std::vector<std::uintmax_t> sizes;
  bool namedEarly = false;
  f.observer.OnProgress = [&](const JobProgress&) {
    // Until the end the image grows under its temporary name.
    sizes.push_back(std::filesystem::file_size(UnfinishedImagePath(folder / "batched.img")));
    namedEarly |= std::filesystem::exists(folder / "batched.img");
  };
  ASSERT_EQ(f.Run(p).Status, JobStatus::Finished);

  EXPECT_FALSE(namedEarly);
  EXPECT_FALSE(std::filesystem::exists(UnfinishedImagePath(folder / "batched.img")));
  ASSERT_EQ(sizes.size(), 501u);
  EXPECT_EQ(sizes[499], 0u) << "500 blocks are not yet more than the batch";
  // The batch that passed the threshold is written on the writing thread
  // while the job goes on; it is all in the file when the job ends.
  EXPECT_EQ(std::filesystem::file_size(folder / "batched.img"), 501u * 65536u);
  EXPECT_EQ(f.observer.ProgressCalls[499].BufferPercent, 100);
  EXPECT_EQ(f.observer.ProgressCalls[500].BufferPercent, 0);
  EXPECT_EQ(f.observer.ProgressCalls[500].FileSizeText, "< " + SizeText(32768000 + 501 * 65536));
}

TEST(CreateImageJob, ParallelCompressionMakesTheSameFileAsOneThread) {
  ScratchFolder folder;
  Fixture f(R"(, "unreadableSectors": [2500])");
  std::vector<std::vector<std::byte>> files;
  for (const unsigned threads : {1u, 4u}) {
    auto p = f.Parameters(2048, 2048 + 3000, folder / ("t" + std::to_string(threads) + ".img"));
    p.Raw = false;
    p.CompressionThreads = threads;
    ASSERT_EQ(f.Run(p).Status, JobStatus::FinishedWithProblems);
    files.push_back(ReadFile(p.ImagePath));
  }
  EXPECT_EQ(files[0], files[1]);
}

TEST(CreateImageJob, LogicalDriveSectorsCountFromTheVolumeStart) {
  ScratchFolder folder;
  Fixture f(R"(, "layout": [{"startSector": 2048, "sectorCount": 2048, "number": 1, "type": 7}])", 4096,
            R"(, "volumes": [{"letter": "C", "partition": {"drive": 0, "entry": 0}}])");
  auto p = f.Parameters(2048, 2048 + 300, folder / "volume.img");
  p.DevicePath = R"(\\.\C:)";
  p.DeviceKind = KindFixedVolume;
  p.Header.SourceKind = KindFixedVolume;
  p.Header.PartitionStarts = {0};
  p.Raw = false;
  ASSERT_EQ(f.Run(p).Status, JobStatus::Finished);
  const auto header = ParseHeader(ReadFile(folder / "volume.img"));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->FirstSector, 0);
  EXPECT_EQ(header->LastSector, 300);
  EXPECT_EQ(header->SectorsStored, 300);
  EXPECT_EQ(Restored(folder / "volume.img"), f.SourceSectors(2048, 2048 + 300));
}

// --- refusals and failures ---

struct TargetCase {
  std::string Name;
  std::string Volume;  // the E: description
  std::int64_t Sectors;
  bool Raw;
  CompressionLevel Level;
  bool Virtual;
  bool Refused;
  bool TooLargeForFat;
};

class TargetVolume : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetVolume, ImagesOfKnownSizeAreRefusedWhereTheyCannotFit) {
  const TargetCase c = GetParam();
  Fixture f("", 0, R"(, "volumes": [)" + c.Volume + "]", "5 GiB");
  auto p = f.Parameters(0, c.Sectors, R"(E:\image.img)");
  p.Raw = c.Raw;
  p.Level = c.Level;
  p.Virtual = c.Virtual;
  f.observer.StopAfterProgressCalls = 1;  // a run that is let through need not read gigabytes
  f.observer.DefaultAnswer = false;
  const auto outcome = f.Run(p);

  if (!c.Refused) {
    EXPECT_NE(outcome.Status, JobStatus::NotStarted);
    return;
  }
  EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
  EXPECT_FALSE(f.machine->FileExists(p.ImagePath));
  ASSERT_EQ(f.observer.Errors.size(), 1u);
  EXPECT_EQ(f.observer.Errors[0].Title,
            c.TooLargeForFat ? Texts().strSFSTOSMALLTitle : Texts().strSNotEnoughSpaceTitle);
  // The window's own message, then the image and the sizes that decided it.
  const std::string& text = f.observer.Errors[0].Text;
  EXPECT_TRUE(
      text.starts_with((c.TooLargeForFat ? Texts().strSFSTOSMALL : Texts().strSNotEnoughSpace) + "\n"))
      << text;
  if (c.TooLargeForFat) {
    EXPECT_NE(text.find("The image E:\\image.img would be 4,294,967,296 bytes (4.00 GBytes) long"),
              std::string::npos)
        << text;
  } else {
    EXPECT_NE(
        text.find(
            "The image E:\\image.img needs 1,049,088 bytes (1.00 MBytes); the volume it is to be stored "
            "on has 1,048,576 bytes (1.00 MBytes) free."),
        std::string::npos)
        << text;
  }
}

constexpr std::int64_t kFourGiBSectors = std::int64_t{4} * 1024 * 1024 * 2;
const std::string kFat = R"({"letter": "E", "fileSystem": "FAT32", "totalBytes": "100 GiB"})";
const std::string kExFat = R"({"letter": "E", "fileSystem": "exFAT", "totalBytes": "100 GiB"})";
const std::string kSmall = R"({"letter": "E", "fileSystem": "NTFS", "totalBytes": "1 MiB"})";

INSTANTIATE_TEST_SUITE_P(
    Cases, TargetVolume,
    ::testing::Values(
        TargetCase{"FatRawAtFourGiB", kFat, kFourGiBSectors, true, CompressionLevel::Medium, false, true,
                   true},
        TargetCase{"FatStoredAtFourGiB", kFat, kFourGiBSectors, false, CompressionLevel::None, false, true,
                   true},
        TargetCase{"FatRawBelowFourGiB", kFat, kFourGiBSectors - 1, true, CompressionLevel::Medium, false,
                   false, false},
        TargetCase{"FatCompressed", kFat, kFourGiBSectors, false, CompressionLevel::Medium, false, false,
                   false},
        TargetCase{"ExFatRaw", kExFat, kFourGiBSectors, true, CompressionLevel::Medium, false, false, false},
        TargetCase{"SmallRaw", kSmall, 2049, true, CompressionLevel::Medium, false, true, false},
        TargetCase{"SmallStored", kSmall, 2049, false, CompressionLevel::None, false, true, false},
        TargetCase{"SmallRawFits", kSmall, 2048, true, CompressionLevel::Medium, false, false, false},
        TargetCase{"SmallVirtual", kSmall, 4096, true, CompressionLevel::Medium, true, false, false}),
    [](const auto& info) { return info.param.Name; });

TEST(CreateImageJob, FullTargetVolumeFailsNamingTheFile) {
  Fixture f("", 4096, R"(, "volumes": [{"letter": "E", "totalBytes": "64 KiB"}])");
  auto p = f.Parameters(0, 4096, R"(E:\full.img)");
  p.Raw = false;  // random sectors do not shrink below 64 KiB
  const auto outcome = f.Run(p);

  EXPECT_EQ(outcome.Status, JobStatus::Failed);
  ASSERT_EQ(f.observer.Errors.size(), 1u);
  EXPECT_EQ(f.observer.Errors[0].Title, Texts().strSTitleERROR);
  EXPECT_NE(f.observer.Errors[0].Text.find(R"(E:\full.img)"), std::string::npos) << f.observer.Errors[0].Text;
  EXPECT_EQ(std::count(f.observer.MemoLines.begin(), f.observer.MemoLines.end(), Texts().StrSReady), 0);
}

TEST(CreateImageJob, ExistingFileIsKeptWhenOverwriteIsRefused) {
  ScratchFolder folder;
  Fixture f;
  const std::string path = folder / "old.img";
  std::ofstream(path) << "old image";
  f.observer.Answers = {false};
  EXPECT_EQ(f.Run(f.Parameters(0, 256, path)).Status, JobStatus::NotStarted);
  ASSERT_EQ(f.observer.Questions.size(), 1u);
  EXPECT_EQ(f.observer.Questions[0].Kind, JobQuestion::OverwriteImageFile);
  EXPECT_EQ(f.observer.Questions[0].Text, "File " + path + " exists. Override?");
  EXPECT_EQ(std::filesystem::file_size(path), 9u);
  EXPECT_FALSE(std::filesystem::exists(UnfinishedImagePath(path))) << "the file claimed for writing stays";
  EXPECT_TRUE(f.observer.MemoLines.empty());
}

TEST(CreateImageJob, UnopenableSourceIsNamedWithTheSystemTextAndTouchesNoFile) {
  ScratchFolder folder;
  Fixture f;
  const std::string path = folder / "old.img";
  std::ofstream(path) << "old image";
  auto p = f.Parameters(0, 256, path);
  p.DevicePath = R"(\\.\PhysicalDrive7)";
  EXPECT_EQ(f.Run(p).Status, JobStatus::Failed);
  ASSERT_EQ(f.observer.Errors.size(), 1u);
  EXPECT_EQ(f.observer.Errors[0].Title, "");
  EXPECT_EQ(f.observer.Errors[0].Text,
            "\\\\.\\PhysicalDrive7 cannot be opened for reading: The system cannot find the file specified. "
            "Nothing was written.");
  EXPECT_TRUE(f.observer.Questions.empty());
  EXPECT_EQ(std::filesystem::file_size(path), 9u);
}

TEST(CreateImageJob, EmptyPathStartsNothing) {
  Fixture f;
  EXPECT_EQ(f.Run(f.Parameters(0, 256, "")).Status, JobStatus::NotStarted);
  EXPECT_TRUE(f.observer.Errors.empty());
  EXPECT_TRUE(f.observer.MemoLines.empty());
}

// --- the image a run replaces -------------------------------------------------

std::string ReadText(const std::string& path) {
  const auto bytes = ReadFile(path);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Until a run ends with an image to keep, an image of that name stays as it
// was and nothing of the new one is left: a stop before the first block, a
// write that fails, and a stopped image the user deletes.
TEST(CreateImageJob, AnImageThereBeforeStaysUnlessTheRunEndsWithOneToKeep) {
  struct Case {
    const char* Name;
    std::string FreeOnE;  // free bytes of the volume the image goes to
    std::optional<int> StopAfterProgressCalls;
    bool DeleteAfterStop;
    JobStatus Status;
    std::string Says;
  };
  const Case cases[] = {
      {"stopped before the first block", "8 MiB", 0, false, JobStatus::Stopped,
       "Stopped before the first block was copied: no image was written to E:\\old.img."},
      {"a write that fails", "64 KiB", std::nullopt, false, JobStatus::Failed,
       "so what was written of it was deleted; nothing was put under that name."},
      {"stopped and deleted", "8 MiB", 3, true, JobStatus::Stopped, "User abort. Image file deleted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Fixture f("", 4096, R"(, "volumes": [{"letter": "E", "totalBytes": ")" + c.FreeOnE + R"("}])");
    const std::string folder = *f.machine->VolumeDirectory('E');
    std::ofstream(folder + "/old.img") << "the old image";
    auto p = f.Parameters(0, 4096, R"(E:\old.img)");
    p.Raw = false;  // random sectors do not shrink below 64 KiB
    p.Level = CompressionLevel::Low;
    p.WriteLog = true;
    f.observer.StopAfterProgressCalls = c.StopAfterProgressCalls;
    f.observer.Answers = {true, c.DeleteAfterStop};  // replace the image? delete it after the stop?

    const auto outcome = f.Run(p);

    EXPECT_EQ(outcome.Status, c.Status);
    EXPECT_EQ(ReadText(folder + "/old.img"), "the old image");
    EXPECT_FALSE(std::filesystem::exists(folder + "/old.img.drivecopy-partial"));
    const auto& lines = f.observer.MemoLines;
    const auto says = std::find_if(lines.begin(), lines.end(),
                                   [&](const std::string& line) { return line.find(c.Says) != line.npos; });
    ASSERT_NE(says, lines.end()) << c.Says;
    ASSERT_NE(says + 1, lines.end());
    EXPECT_EQ(says[1], "The image file E:\\old.img that was there before is left as it was.");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), Texts().StrSReady), 0);
    if (c.Status == JobStatus::Stopped) {
      EXPECT_EQ(lines.back().rfind(Texts().StrSUserAbort, 0), 0u) << lines.back();
      EXPECT_TRUE(std::filesystem::exists(folder + "/old.img.log")) << "the log holds the stop";
    }
    if (!c.StopAfterProgressCalls || *c.StopAfterProgressCalls == 0) {
      EXPECT_EQ(std::count_if(f.observer.Questions.begin(), f.observer.Questions.end(),
                              [](const auto& q) { return q.Kind == JobQuestion::DeleteImageAfterStop; }),
                0)
          << "nothing was kept to be deleted";
    }
  }
}

// A raw image kept after a stop cannot say so itself: the note beside it
// does, until a finished image takes the name and the note goes.
TEST(CreateImageJob, StoppedRawImageCarriesANoteUntilAFinishedOneTakesItsName) {
  ScratchFolder folder;
  Fixture f;
  const std::string path = folder / "raw.img";
  f.observer.StopAfterProgressCalls = 3;
  f.observer.Answers = {false};  // keep it
  ASSERT_EQ(f.Run(f.Parameters(2048, 3048, path)).Status, JobStatus::Stopped);

  EXPECT_EQ(ReadFile(path), f.SourceSectors(2048, 2048 + 384));
  EXPECT_EQ(ReadText(StoppedNotePath(path)),
            "drivecopy note: the raw image beside this file was stopped early\n"
            "SectorsStored 384\nSectorCount 1000\n");
  test_support::MemoryDevice image(ReadFile(path));
  auto reader = ImageReader::Open(image);
  ASSERT_TRUE(reader);
  const auto stop = FindEarlyStop(*f.machine, path, *reader);
  ASSERT_TRUE(stop);
  EXPECT_EQ(stop->SectorsHeld, 384);
  EXPECT_EQ(stop->SectorsOfSource, 1000);

  Fixture again;
  ASSERT_EQ(again.Run(again.Parameters(2048, 3048, path)).Status, JobStatus::Finished);
  EXPECT_EQ(ReadFile(path), again.SourceSectors(2048, 3048));
  EXPECT_FALSE(std::filesystem::exists(StoppedNotePath(path)));
  EXPECT_FALSE(std::filesystem::exists(UnfinishedImagePath(path)));
}

// What a killed run left under the temporary name is taken over and removed
// by the next create of that image; while a living job holds it, the next
// create is refused and touches nothing.
TEST(CreateImageJob, AKilledRunsFileIsTakenOverButALivingJobsIsNot) {
  ScratchFolder folder;
  Fixture f;
  const std::string path = folder / "image.img";
  const std::string leftover = UnfinishedImagePath(path);
  std::ofstream(path) << "the old image";
  std::ofstream(leftover) << "what a killed run wrote";

  {
    auto living = f.machine->ClaimForWriting(leftover, {}, ClaimTarget::ImageFile);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<WriteClaim>>(living));
    EXPECT_EQ(f.Run(f.Parameters(0, 256, path)).Status, JobStatus::NotStarted);
    ASSERT_EQ(f.observer.Errors.size(), 1u);
    EXPECT_NE(f.observer.Errors[0].Text.find(leftover + " is in use by another program"), std::string::npos)
        << f.observer.Errors[0].Text;
    EXPECT_EQ(ReadText(leftover), "what a killed run wrote");
    EXPECT_EQ(ReadText(path), "the old image");
  }

  Fixture next;
  ASSERT_EQ(next.Run(next.Parameters(0, 256, path)).Status, JobStatus::Finished);
  EXPECT_EQ(ReadFile(path), next.SourceSectors(0, 256));
  EXPECT_FALSE(std::filesystem::exists(leftover));
}

// A raw image needs its whole size free. A killed run's file is removed
// before writing, so its bytes count as free; the image being replaced
// keeps its bytes until the new one is complete, so they do not, and the
// refusal says that deleting it would make room.
TEST(CreateImageJob, OnlyAKilledRunsFileGivesBackItsSpaceBeforeTheImageIsWritten) {
  struct Case {
    const char* Name;
    std::int64_t LeftoverBytes, OldImageBytes;
    bool Refused;
    std::string Hint;
  };
  const std::string hint =
      "The image file E:\\image.img that is there now keeps its 4,096 bytes (4.00 KBytes) until the new "
      "image is complete; delete it first, or choose another place.";
  const Case cases[] = {
      {"a killed run's file makes room", 4096, 0, false, ""},
      {"the replaced image would make room", 0, 4096, true, hint},
      {"the replaced image would not make room either", 0, 100, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // 1 MiB free; the raw image of 2,049 sectors needs 512 bytes more.
    Fixture f("", 4096, R"(, "volumes": [{"letter": "E", "fileSystem": "NTFS", "totalBytes": "1 MiB"}])");
    const std::string folder = *f.machine->VolumeDirectory('E');
    if (c.LeftoverBytes > 0) {
      std::ofstream(folder + "/image.img.drivecopy-partial") << std::string(c.LeftoverBytes, 'x');
    }
    if (c.OldImageBytes > 0) std::ofstream(folder + "/image.img") << std::string(c.OldImageBytes, 'o');

    const auto outcome = f.Run(f.Parameters(0, 2049, R"(E:\image.img)"));

    if (!c.Refused) {
      EXPECT_EQ(outcome.Status, JobStatus::Finished) << outcome.ErrorText;
      EXPECT_EQ(ReadFile(folder + "/image.img"), f.SourceSectors(0, 2049));
      continue;
    }
    EXPECT_EQ(outcome.Status, JobStatus::NotStarted);
    ASSERT_EQ(f.observer.Errors.size(), 1u);
    const std::string& text = f.observer.Errors[0].Text;
    EXPECT_NE(text.find("has 1,048,576 bytes (1.00 MBytes) free."), std::string::npos) << text;
    if (c.Hint.empty()) {
      EXPECT_EQ(text.find("keeps its"), std::string::npos) << text;
    } else {
      EXPECT_NE(text.find(c.Hint), std::string::npos) << text;
    }
    EXPECT_EQ(ReadText(folder + "/image.img"), std::string(c.OldImageBytes, 'o'));
  }
}

}  // namespace
}  // namespace drivecopy

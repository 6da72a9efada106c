#include "cli/InfoCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "image/ImageFileNames.h"
#include "image/LittleEndian.h"
#include "image/StoppedImageNote.h"
#include "support/RegularFilePlatform.h"
#include "support/TestImages.h"

namespace drivecopy {
namespace {

using test_support::IndexEntries;
using test_support::PartitionHeader;
using test_support::PatternSectors;
using test_support::RegularFilePlatform;
using test_support::WriteHeadedImage;

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

class InfoCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() / ("drivecopy-info-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(directory_);
    headed_ = WriteHeadedImage(PatternSectors(300), PartitionHeader(300, {2048, 4096}));
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::string Store(const std::string& name, const std::vector<std::byte>& bytes) {
    const auto path = (directory_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  RunResult Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunInfoCommand(platform_, args, out, err);
    return {status, out.str(), err.str()};
  }

  std::filesystem::path directory_;
  std::vector<std::byte> headed_;
  RegularFilePlatform platform_;
};

TEST_F(InfoCommandTest, ShowsEveryHeaderFieldOfAHeadedImage) {
  const std::string path = Store("disk.img", headed_);
  const RunResult result = Run({path});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  const std::string indexOffset = std::to_string(IndexEntries(headed_).back());
  for (const std::string& line : std::vector<std::string>{
           "Format:          headed (compressed blocks)", "Magic:           VRZImage", "HeaderSize:      65",
           "SectorCount:     300", "LastSector:      2348", "SectorsStored:   300", "FirstSector:     2048",
           "PartitionCount:  2", "IndexOffset:     " + indexOffset, "IndexSize:       376",
           "SourceKind:      0x62 (partition)", "PartitionStarts: 2048 4096", "Blocks:          46"}) {
    EXPECT_NE(result.out.find(line + "\n"), std::string::npos) << line << "\n" << result.out;
  }
}

TEST_F(InfoCommandTest, JsonCarriesTheSameAndTheVerification) {
  const std::string path = Store("disk.img", headed_);
  const RunResult plain = Run({"--json", path});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const auto info = nlohmann::json::parse(plain.out);
  EXPECT_EQ(info["format"], "headed");
  EXPECT_EQ(info["magic"], "VRZImage");
  EXPECT_EQ(info["headerSize"], 65);
  EXPECT_EQ(info["sectorCount"], 300);
  EXPECT_EQ(info["lastSector"], 2348);
  EXPECT_EQ(info["sectorsStored"], 300);
  EXPECT_EQ(info["firstSector"], 2048);
  EXPECT_EQ(info["partitionCount"], 2);
  EXPECT_EQ(info["indexOffset"], IndexEntries(headed_).back());
  EXPECT_EQ(info["indexSize"], 376);
  EXPECT_EQ(info["sourceKind"], 0x62);
  EXPECT_EQ(info["sourceKindName"], "partition");
  EXPECT_EQ(info["partitionStarts"], nlohmann::json({2048, 4096}));
  EXPECT_EQ(info["blockCount"], 46);
  EXPECT_FALSE(info.contains("verified"));

  const RunResult verified = Run({path, "--verify", "--json"});
  ASSERT_EQ(verified.status, 0) << verified.err;
  const auto checked = nlohmann::json::parse(verified.out);
  EXPECT_EQ(checked["verified"], true);
  EXPECT_TRUE(checked["fault"].is_null());
}

TEST_F(InfoCommandTest, VerifyReportsTheDamagedBlockOnOneLine) {
  auto damaged = headed_;
  damaged[static_cast<std::size_t>(IndexEntries(headed_)[17]) + 8] = std::byte{0x1F};
  const std::string path = Store("damaged.img", damaged);

  const RunResult plain = Run({path});  // the header alone is fine
  EXPECT_EQ(plain.status, 0);

  const RunResult text = Run({path, "--verify"});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(std::count(text.err.begin(), text.err.end(), '\n'), 1) << text.err;
  EXPECT_EQ(text.err.rfind("drivecopy info: " + path + ": block 17 ", 0), 0u) << text.err;
  EXPECT_NE(text.err.find("bad zlib data"), std::string::npos) << text.err;

  const RunResult json = Run({path, "--verify", "--json"});
  EXPECT_EQ(json.status, 1);
  const auto info = nlohmann::json::parse(json.out);
  EXPECT_EQ(info["verified"], false);
  EXPECT_NE(info["fault"].get<std::string>().find("block 17"), std::string::npos);
}

TEST_F(InfoCommandTest, RawImageShowsSizeAndSectors) {
  auto raw = PatternSectors(1000);
  raw.resize(raw.size() + 100);
  const std::string path = Store("raw.img", raw);
  const RunResult text = Run({path, "--verify"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("raw (the sectors back to back, no header)"), std::string::npos);
  EXPECT_NE(text.out.find("File size:       512100 bytes"), std::string::npos);
  EXPECT_NE(text.out.find("Sectors:         1000"), std::string::npos);
  EXPECT_NE(text.out.find("the last 100 bytes are less than a sector"), std::string::npos) << text.out;

  const auto info = nlohmann::json::parse(Run({path, "--json"}).out);
  EXPECT_EQ(info["format"], "raw");
  EXPECT_EQ(info["fileSize"], 512100);
  EXPECT_EQ(info["sectorCount"], 1000);
  EXPECT_FALSE(info.contains("magic"));
}

// What says an image is not whole: no blocks at all (the frame a create
// stopped before its first block used to leave), a killed create's file, and
// the note beside a raw image kept after a stop. Only a note that claims
// more sectors than its image holds is believed, and only a note of ours.
TEST_F(InfoCommandTest, ImagesThatAreNotWholeSaySo) {
  const auto raw = PatternSectors(1000);
  struct Case {
    const char* Name;
    std::string FileName;
    std::vector<std::byte> Image;
    std::optional<StoppedImageNote> Note;
    std::string NoteText;  // a file of the note's name that is no note of ours
    int VerifyStatus;
    std::string Says;   // on standard error when the status is 1, else on standard output; "" nothing
    bool StoppedEarly;  // in --json, with "unfinished" true for the killed create's file
  };
  const Case cases[] = {
      {"headed without blocks",
       "frame.img",
       WriteHeadedImage({}, PartitionHeader(65536, {2048})),
       {},
       "",
       1,
       "it holds no sectors (81 bytes)",
       true},
      {"a killed create's raw file",
       UnfinishedImagePath("killed.img"),
       raw,
       {},
       "",
       1,
       "it was never finished: a create was writing it when it was killed or the system went down",
       false},
      {"raw with its note", "stopped.img", raw, StoppedImageNote{1000, 65536}, "", 0,
       "holds 1,000 of 65,536 sectors: it was stopped early.", true},
      {"raw beside an older note", "later.img", raw, StoppedImageNote{500, 800}, "", 0, "", false},
      {"raw beside a file that is no note",
       "other.img",
       raw,
       {},
       "SectorsStored 1\nSectorCount 65536\n",
       0,
       "",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Store(c.FileName, c.Image);
    if (c.Note) ASSERT_TRUE(WriteStoppedNote(platform_, path, *c.Note));
    if (!c.NoteText.empty()) std::ofstream(StoppedNotePath(path)) << c.NoteText;

    const RunResult verified = Run({path, "--verify"});
    EXPECT_EQ(verified.status, c.VerifyStatus) << verified.err;
    const std::string& said = c.VerifyStatus == 1 ? verified.err : verified.out;
    if (c.Says.empty()) {
      EXPECT_EQ(said.find("stopped early"), std::string::npos) << said;
    } else {
      EXPECT_NE(said.find(c.Says), std::string::npos) << said;
    }
    const auto info = nlohmann::json::parse(Run({path, "--json"}).out);
    EXPECT_EQ(info["unfinished"], c.FileName.ends_with(".drivecopy-partial"));
    EXPECT_EQ(info["stoppedEarly"], c.StoppedEarly);
  }
}

TEST_F(InfoCommandTest, FailuresAndUsage) {
  auto badList = headed_;
  StoreLittleEndian(badList.data() + 44, std::int32_t{-4});
  const std::string badListPath = Store("badlist.img", badList);
  const std::string missing = (directory_ / "missing.img").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string errStart;
  };
  const std::vector<Case> cases = {
      {{missing}, 1, "drivecopy info: cannot open " + missing + ": No such file or directory\n"},
      {{badListPath},
       1,
       "drivecopy info: " + badListPath + ": Not a valid image: its partition count is negative"},
      {{}, 2, "drivecopy info: which image file?"},
      {{"--verify"}, 2, "drivecopy info: which image file?"},
      {{"a.img", "b.img"}, 2, "drivecopy info: only one image file"},
      {{"a.img", "--fast"}, 2, "drivecopy info: unknown option '--fast'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    const RunResult result = Run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err.rfind(c.errStart, 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.out, "");
  }
  const RunResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: drivecopy info IMAGE [--verify] [--json]", 0), 0u);
}

}  // namespace
}  // namespace drivecopy

// `drivecopy list` on the demo machine, and the command line's usage errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/MachineChoice.h"
#include "cli/CommandLine.h"

namespace drivecopy {
namespace {

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

CommandRun RunWords(std::vector<std::string> words) {
  words.insert(words.begin(), "drivecopy");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  std::ostringstream out, err;
  const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err, ChoosePlatform);
  return {status, out.str(), err.str()};
}

TEST(ListCommand, JsonNamesEveryRowOfTheDemoMachine) {
  const CommandRun run = RunWords({"--machine", "demo", "list", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto listing = nlohmann::json::parse(run.out);

  ASSERT_EQ(listing["floppies"].size(), 1u);
  const auto& floppy = listing["floppies"][0];
  EXPECT_EQ(floppy["caption"], "A:\\ 1.41 MBytes ");
  EXPECT_EQ(floppy["rootPath"], "A:\\");
  EXPECT_EQ(floppy["devicePath"], "\\\\.\\A:");
  EXPECT_EQ(floppy["kind"], 112);
  EXPECT_EQ(floppy["endSector"], 2880);

  ASSERT_EQ(listing["drives"].size(), 2u);
  const auto& internal = listing["drives"][0];
  EXPECT_EQ(internal["driveNumber"], 0);
  EXPECT_EQ(internal["kind"], 96);
  EXPECT_TRUE(internal["caption"].get<std::string>().starts_with("[ C: D:  ] "));
  ASSERT_EQ(internal["partitions"].size(), 2u);  // the extended container is left out
  const auto& c = internal["partitions"][0];
  EXPECT_EQ(c["kind"], 98);
  EXPECT_EQ(c["partitionNumber"], 1);
  EXPECT_EQ(c["partitionType"], 7);
  EXPECT_EQ(c["typeName"], "NTFS");
  EXPECT_EQ(c["firstSector"], 2048);
  EXPECT_LT(c["firstSector"].get<long long>(), c["endSector"].get<long long>());
  EXPECT_TRUE(c["caption"].get<std::string>().starts_with("[ C: ] "));
  EXPECT_TRUE(c.contains("entryIndex"));
  EXPECT_EQ(listing["drives"][1]["driveNumber"], 1);

  std::vector<std::string> roots;
  for (const auto& volume : listing["volumes"]) roots.push_back(volume["rootPath"]);
  EXPECT_EQ(roots, (std::vector<std::string>{"A:\\", "C:\\", "D:\\", "E:\\"}));
  EXPECT_EQ(listing["volumes"][3]["kind"], 128);
  EXPECT_EQ(listing["volumes"][1]["kind"], 100);
}

TEST(ListCommand, TextShowsTheCaptionsInListOrder) {
  const CommandRun run = RunWords({"--machine", "demo", "list"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto floppy = run.out.find("\"A:\\ 1.41 MBytes \"");
  const auto drive0 = run.out.find("\\\\.\\PhysicalDrive0");
  const auto logical = run.out.find("Logical drives:");
  ASSERT_NE(floppy, std::string::npos) << run.out;
  EXPECT_LT(floppy, drive0);
  EXPECT_LT(drive0, logical);
}

TEST(CommandLine, WrongUsageAndMissingMachinesAreClearErrors) {
  struct Case {
    std::vector<std::string> words;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{}, 2, "Usage:"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{"--machine"}, 2, "--machine needs"},
      {{"--bogus", "list"}, 2, "unknown option '--bogus'"},
      {{"--machine", "demo", "list", "--yaml"}, 2, "unknown argument '--yaml'"},
      {{"--machine", "/nonexistent/machine.json", "list"}, 1, "/nonexistent/machine.json"},
  };
  for (const Case& c : cases) {
    const CommandRun run = RunWords(c.words);
    SCOPED_TRACE(run.err);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos);
  }
  for (const auto& help : {std::vector<std::string>{"--help"}, {"--machine", "demo", "list", "--help"}}) {
    const CommandRun run = RunWords(help);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage:"), std::string::npos);
  }
}

}  // namespace
}  // namespace drivecopy

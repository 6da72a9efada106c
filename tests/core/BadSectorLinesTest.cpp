// The memo lines of skipped sectors: one line per run of neighbouring
// sectors, told once the run is known to be whole.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "jobs/BadSectorLines.h"
#include "jobs/OperationMemo.h"
#include "support/EnglishTexts.h"
#include "support/RecordingObserver.h"

namespace drivecopy {
namespace {

using test_support::EnglishTexts;
using test_support::RecordingObserver;

// What a job hands over after each block (or write): the sectors skipped in
// it, and the sector after it.
struct Step {
  std::vector<SectorRange> skipped;
  std::int64_t handledEnd;
};

struct Case {
  const char* name;
  std::string drive;
  std::vector<Step> steps;
  // Lines after each step, and after Close.
  std::vector<std::vector<std::string>> linesAfterStep;
  std::vector<std::string> linesAtClose;
};

TEST(BadSectorLines, OneLinePerRunToldWhenTheRunIsWhole) {
  const std::vector<Case> cases = {
      {"a single sector keeps its line",
       "",
       {{{{5, 6}}, 128}},
       {{"WARNING: bad sector skipped @:5"}},
       {"WARNING: bad sector skipped @:5"}},
      {"a run is told with its length",
       "",
       {{{{100, 132}}, 256}},
       {{"WARNING: bad sectors skipped @:100-131 (32 sectors)"}},
       {"WARNING: bad sectors skipped @:100-131 (32 sectors)"}},
      {"a run across blocks is one line, told once a good sector follows",
       "",
       {{{{100, 128}}, 128}, {{{128, 256}}, 256}, {{{256, 1300}}, 1400}},
       {{}, {}, {"WARNING: bad sectors skipped @:100-1299 (1,200 sectors)"}},
       {"WARNING: bad sectors skipped @:100-1299 (1,200 sectors)"}},
      {"a run still open is told at the close",
       "",
       {{{{0, 5}, {120, 128}}, 128}},
       {{"WARNING: bad sectors skipped @:0-4 (5 sectors)"}},
       {"WARNING: bad sectors skipped @:0-4 (5 sectors)",
        "WARNING: bad sectors skipped @:120-127 (8 sectors)"}},
      {"a clone names the drive",
       "Source Drive",
       {{{{7, 8}, {9, 11}}, 128}},
       {{"WARNING: bad sector skippedSource Drive @:7",
         "WARNING: bad sectors skippedSource Drive @:9-10 (2 sectors)"}},
       {"WARNING: bad sector skippedSource Drive @:7",
        "WARNING: bad sectors skippedSource Drive @:9-10 (2 sectors)"}},
      {"nothing skipped, nothing told", "", {{{}, 128}, {{}, 256}}, {{}, {}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OperationMemo memo;
    RecordingObserver observer;
    JobReport report(EnglishTexts(), memo, observer);
    BadSectorLines lines(report, c.drive);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      SectorRanges skipped;
      for (const SectorRange& range : c.steps[i].skipped) skipped.Add(range);
      lines.Take(skipped, c.steps[i].handledEnd);
      EXPECT_EQ(observer.MemoLines, c.linesAfterStep[i]) << "after step " << i;
    }
    lines.Close();
    lines.Close();  // a second close tells nothing more
    EXPECT_EQ(observer.MemoLines, c.linesAtClose);
    EXPECT_EQ(memo.Lines(), c.linesAtClose);
  }
}

}  // namespace
}  // namespace drivecopy

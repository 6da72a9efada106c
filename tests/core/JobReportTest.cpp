#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobs/JobReport.h"
#include "jobs/OperationMemo.h"
#include "support/EnglishTexts.h"
#include "support/FakeSettingsPlatform.h"
#include "support/RecordingObserver.h"

namespace drivecopy {
namespace {

using test_support::EnglishTexts;
using test_support::FakeSettingsPlatform;
using test_support::RecordingObserver;

// Notes how many lines the memo held whenever a memo line is told, since the
// desktop's memo view relies on the line being saved already.
class MemoWatchingObserver : public RecordingObserver {
 public:
  explicit MemoWatchingObserver(const OperationMemo& memo) : memo_(memo) {}
  void MemoLine(const std::string& line) override {
    RecordingObserver::MemoLine(line);
    MemoSizes.push_back(memo_.Lines().size());
  }
  std::vector<std::size_t> MemoSizes;

 private:
  const OperationMemo& memo_;
};

TEST(JobReport, EachLineIsSavedInTheMemoBeforeTheFrontEndShowsIt) {
  OperationMemo memo;
  MemoWatchingObserver observer(memo);
  JobReport report(EnglishTexts(), memo, observer);

  report.Line("Starting...");
  report.BadSectors({5, 6});
  report.BadSectors({1000, 1001}, "Source Drive");

  const std::vector<std::string> expected = {"Starting...", "WARNING: bad sector skipped @:5",
                                             "WARNING: bad sector skippedSource Drive @:1000"};
  EXPECT_EQ(memo.Lines(), expected);
  EXPECT_EQ(observer.MemoLines, expected);
  EXPECT_EQ(observer.MemoSizes, (std::vector<std::size_t>{1, 2, 3}));
  EXPECT_TRUE(observer.Errors.empty());
}

TEST(JobReport, RefusalAndFailureShowTheBoxOnceAndKeepWhatTheRunDid) {
  OperationMemo memo;
  RecordingObserver observer;
  JobReport report(EnglishTexts(), memo, observer);

  // A refusal may show a longer text than the one its outcome carries.
  const JobOutcome refused = report.Refuse("Error", "Cannot open file\nx.img: denied", "x.img: denied");
  EXPECT_EQ(refused.Status, JobStatus::NotStarted);
  EXPECT_EQ(refused.ErrorText, "x.img: denied");

  JobOutcome soFar;
  soFar.UnreadableSectors = 2;
  soFar.SectorsDone = 640;
  const JobOutcome failed = report.Fail(soFar, "", "the device went away");
  EXPECT_EQ(failed.Status, JobStatus::Failed);
  EXPECT_EQ(failed.ErrorText, "the device went away");
  EXPECT_EQ(failed.UnreadableSectors, 2);
  EXPECT_EQ(failed.SectorsDone, 640);

  ASSERT_EQ(observer.Errors.size(), 2u);
  EXPECT_EQ(observer.Errors[0].Title, "Error");
  EXPECT_EQ(observer.Errors[0].Text, "Cannot open file\nx.img: denied");
  EXPECT_EQ(observer.Errors[1].Title, "");
  EXPECT_TRUE(memo.Lines().empty());  // an error box is not a memo line
}

TEST(JobReport, ALogThatCannotBeSavedIsShownAndReturned) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "write fails" : "write succeeds");
    FakeSettingsPlatform platform;
    platform.FailWrite = fails;
    OperationMemo memo;
    RecordingObserver observer;
    JobReport report(EnglishTexts(), memo, observer);
    report.Line("Ready");

    const Outcome<void> saved = report.SaveLog(platform, "E:\\x.img.log");

    EXPECT_EQ(saved.ok(), !fails);
    if (fails) {
      ASSERT_EQ(observer.Errors.size(), 1u);
      EXPECT_EQ(observer.Errors[0].Title, EnglishTexts().strSTitleERROR);
      EXPECT_EQ(observer.Errors[0].Text, saved.error().text);
      EXPECT_NE(saved.error().text.find("E:\\x.img.log"), std::string::npos) << saved.error().text;
    } else {
      EXPECT_TRUE(observer.Errors.empty());
      EXPECT_FALSE(platform.Files.at("E:\\x.img.log").empty());
    }
  }
}

}  // namespace
}  // namespace drivecopy

// The destination guard through the jobs on the simulated machine: whatever
// lives on a destination (a mounted file system, swap, a device built on
// it, a loop device, another program, another job) or makes it unwritable
// refuses the job before a byte is written, naming it; and a device that
// goes away mid-run ends the job with an error instead of a success.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "jobs/CloneJob.h"
#include "jobs/CreateImageJob.h"
#include "jobs/RestoreImageJob.h"
#include "platform/KindTags.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/HostFileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestImages.h"
#include "support/TransferRecordingPlatform.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;
using test_support::RecordingObserver;
using test_support::TransferRecordingPlatform;

const std::string Drive0 = "\\\\.\\PhysicalDrive0";
const std::string Drive1 = "\\\\.\\PhysicalDrive1";
constexpr SectorRange Partition{2048, 2048 + 4096};

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Drive 0 is a source with E: on its partition, drive 1 the destination
// with F: on its partition; `drive1Extras` and `more` add to the description.
std::string MachineJson(const std::string& drive1Extras = "", const std::string& more = "") {
  return R"({"physicalDrives": [
      {"number": 0, "size": "4 MiB", "fill": true,
       "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]},
      {"number": 1, "size": "4 MiB", )" +
         drive1Extras + R"(
       "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]}],
    "volumes": [{"letter": "E", "partition": {"drive": 0, "entry": 0}},
                {"letter": "F", "partition": {"drive": 1, "entry": 0}}],
    "session": {"currentDirectory": "E:\\", "today": "2013-03-15"})" +
         more + "}";
}

struct JobRun {
  JobOutcome Outcome;
  RecordingObserver Observer;
  OperationMemo Memo;
};

using Job = std::function<JobOutcome(Platform&, OperationMemo&, RecordingObserver&)>;

Job RestoreOntoPartition(const std::string& imagePath) {
  return [imagePath](Platform& platform, OperationMemo& memo, RecordingObserver& observer) {
    const RestoreImageParameters parameters{Drive1, Partition.FirstSector, Partition.EndSector, imagePath,
                                            "Disk 1"};
    return RunRestoreImageJob(platform, Texts(), parameters, memo, observer);
  };
}

Job CloneOntoPartition() {
  return [](Platform& platform, OperationMemo& memo, RecordingObserver& observer) {
    CloneParameters parameters;
    parameters.Source = CloneEndpoint{Drive0, KindPartition, Partition.FirstSector, Partition.EndSector};
    parameters.Destination = CloneEndpoint{Drive1, KindPartition, Partition.FirstSector, Partition.EndSector};
    parameters.DestinationDescription = "Disk 1";
    return RunCloneJob(platform, Texts(), parameters, memo, observer);
  };
}

TEST(DestinationGuard, WhatLivesOnTheDestinationRefusesRestoreAndCloneNamingIt) {
  struct Case {
    const char* name;
    std::string drive1Extras;
    std::string more;
    std::string expected;  // in the refusal
  };
  const std::string occupant = R"(, "occupants": [{"device": "\\\\.\\PhysicalDrive1", "firstSector": 3000,
                                   "endSector": 3001, )";
  const Case cases[] = {
      {"swap", "", occupant + R"("kind": "swap", "name": "/swap-area"}])",
       "in use as swap space (/swap-area)"},
      {"RAID member", "", occupant + R"("kind": "stacked", "name": "md0"}])", "is part of md0"},
      {"loop backing store", "", occupant + R"("kind": "loop", "name": "/dev/loop7"}])",
       "backing store of the loop device /dev/loop7"},
      {"another program", "", occupant + R"("kind": "otherProgram"}])", "in use by another program"},
      {"write-protected", R"("readOnly": true,)", "", "is read-only"},
  };
  // A mounted file system is the jobs' own tests' matter.
  for (const Case& c : cases) {
    for (const bool clone : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (clone ? " / clone" : " / restore"));
      test_support::ScratchFolder folder;
      auto machine = test_support::Machine(MachineJson(c.drive1Extras, c.more));
      ASSERT_TRUE(machine);
      const std::string imagePath = folder / "raw.img";
      test_support::WriteHostBytes(imagePath, 0, PatternSectors(64));
      TransferRecordingPlatform platform(*machine);
      JobRun run;
      const Job job = clone ? CloneOntoPartition() : RestoreOntoPartition(imagePath);
      run.Outcome = job(platform, run.Memo, run.Observer);

      EXPECT_EQ(run.Outcome.Status, JobStatus::NotStarted);
      ASSERT_EQ(run.Observer.Errors.size(), 1u);
      EXPECT_NE(run.Observer.Errors[0].Text.find(c.expected), std::string::npos)
          << run.Observer.Errors[0].Text;
      EXPECT_NE(run.Observer.Errors[0].Text.find(Drive1), std::string::npos) << run.Observer.Errors[0].Text;
      EXPECT_TRUE(platform.Writes.empty());
      for (const auto& opening : platform.Openings)
        EXPECT_NE(opening.Mode, OpenMode::ReadWrite) << opening.Path;
    }
  }
}

// A second job on storage the first one holds is refused; once the first
// lets go, the same job runs.
TEST(DestinationGuard, SecondJobOnTheSameStorageWaitsForTheFirst) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  const std::string imagePath = folder / "raw.img";
  test_support::WriteHostBytes(imagePath, 0, PatternSectors(64));
  {
    // The first job writes the whole of drive 1.
    auto first = machine->ClaimForWriting(Drive1, SectorRange{0, 8192}, ClaimTarget::Destination);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<WriteClaim>>(first));
    JobRun second;
    second.Outcome = RestoreOntoPartition(imagePath)(*machine, second.Memo, second.Observer);
    EXPECT_EQ(second.Outcome.Status, JobStatus::NotStarted);
    EXPECT_NE(second.Outcome.ErrorText.find("in use by another program"), std::string::npos)
        << second.Outcome.ErrorText;
  }
  JobRun again;
  again.Outcome = RestoreOntoPartition(imagePath)(*machine, again.Memo, again.Observer);
  EXPECT_EQ(again.Outcome.Status, JobStatus::Finished) << again.Outcome.ErrorText;
}

CreateImageParameters CreateOfDrive0Partition(const std::string& imagePath) {
  CreateImageParameters p;
  p.DevicePath = Drive0;
  p.DeviceKind = KindPartition;
  p.FirstSector = Partition.FirstSector;
  p.EndSector = Partition.EndSector;
  p.Header = test_support::PartitionHeader(Partition.SectorCount(), {Partition.FirstSector});
  p.ImagePath = imagePath;
  return p;
}

// A job of ours that reads storage keeps the others from writing it, and
// one that writes it keeps them from reading it, each named in the refusal;
// the same jobs run once the first has let go.
TEST(DestinationGuard, AJobDoesNotReadWhatAnotherWritesNorWriteWhatAnotherReads) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson());
  ASSERT_TRUE(machine);
  const std::string imagePath = folder / "raw.img";
  test_support::WriteHostBytes(imagePath, 0, PatternSectors(64));
  const std::string created = folder / "created.img";
  {
    auto reading = machine->ClaimForReading(Drive1, SectorRange{0, 8192});
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ReadClaim>>(reading));
    JobRun run;
    run.Outcome = RestoreOntoPartition(imagePath)(*machine, run.Memo, run.Observer);
    EXPECT_EQ(run.Outcome.Status, JobStatus::NotStarted);
    EXPECT_NE(run.Outcome.ErrorText.find("The destination " + Drive1 +
                                         " is being read by another drivecopy job (" + Drive1 + ")"),
              std::string::npos)
        << run.Outcome.ErrorText;
  }
  {
    auto writing = machine->ClaimForWriting(Drive0, SectorRange{0, 8192}, ClaimTarget::Destination);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<WriteClaim>>(writing));
    JobRun run;
    run.Outcome =
        RunCreateImageJob(*machine, Texts(), CreateOfDrive0Partition(created), run.Memo, run.Observer);
    EXPECT_EQ(run.Outcome.Status, JobStatus::NotStarted);
    EXPECT_NE(run.Outcome.ErrorText.find("The source " + Drive0 +
                                         " is being written by another drivecopy job (" + Drive0 + ")"),
              std::string::npos)
        << run.Outcome.ErrorText;
    EXPECT_FALSE(std::filesystem::exists(created));
  }
  JobRun restore;
  restore.Outcome = RestoreOntoPartition(imagePath)(*machine, restore.Memo, restore.Observer);
  EXPECT_EQ(restore.Outcome.Status, JobStatus::Finished) << restore.Outcome.ErrorText;
  JobRun create;
  create.Outcome =
      RunCreateImageJob(*machine, Texts(), CreateOfDrive0Partition(created), create.Memo, create.Observer);
  EXPECT_EQ(create.Outcome.Status, JobStatus::Finished) << create.Outcome.ErrorText;
}

TEST(DestinationGuard, ImageAndLogPathsThatMustNotBeWrittenRefuseTheCreate) {
  struct Case {
    const char* name;
    std::string imagePath;
    bool log;
    std::string expected;
  };
  const Case cases[] = {
      {"a device as the image", Drive1, false, "is not a regular file"},
      {"the image on its own source", "E:\\inside.img", false, "would be stored on the source"},
      {"the image held by another job", "F:\\held.img", false, "in use by another program"},
      {"a folder as the log", "F:\\folder", true, "F:\\folder.log exists and is not a regular file"},
      {"a folder that is not there", "F:\\missing\\x.img", false, "Unable to open file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto machine = test_support::Machine(MachineJson());
    ASSERT_TRUE(machine);
    const std::string volumeF = *machine->VolumeDirectory('F');
    std::filesystem::create_directory(volumeF + "/folder.log");
    const auto drive1Before = test_support::ReadHostBytes(*machine->ContentPath(Drive1), 0, 8192 * 512);
    auto held = machine->ClaimForWriting("F:\\held.img", {}, ClaimTarget::ImageFile);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<WriteClaim>>(held));

    auto parameters = CreateOfDrive0Partition(c.imagePath);
    parameters.WriteLog = c.log;
    JobRun run;
    run.Outcome = RunCreateImageJob(*machine, Texts(), parameters, run.Memo, run.Observer);

    EXPECT_EQ(run.Outcome.Status, JobStatus::NotStarted);
    ASSERT_EQ(run.Observer.Errors.size(), 1u);
    EXPECT_NE(run.Observer.Errors[0].Text.find(c.expected), std::string::npos) << run.Observer.Errors[0].Text;
    EXPECT_TRUE(run.Observer.Questions.empty()) << "asked before refusing";
    EXPECT_EQ(test_support::ReadHostBytes(*machine->ContentPath(Drive1), 0, 8192 * 512), drive1Before);
    EXPECT_FALSE(std::filesystem::exists(volumeF + "/folder"))
        << "an image was made although its log was refused";
  }
}

// A device that goes away part-way is not a run of bad sectors: the job ends
// there with an error naming the device and the sector, and says nothing of
// success.
TEST(DestinationGuard, DeviceGoneMidRunEndsTheJobWithAnError) {
  test_support::ScratchFolder folder;
  const std::string goneAt = R"("goneFromSector": 2600,)";
  {
    SCOPED_TRACE("restore onto a destination that goes away");
    auto machine = test_support::Machine(MachineJson(goneAt));
    ASSERT_TRUE(machine);
    const std::string imagePath = folder / "raw.img";
    test_support::WriteHostBytes(imagePath, 0, PatternSectors(4096));
    TransferRecordingPlatform platform(*machine);
    JobRun run;
    run.Outcome = RestoreOntoPartition(imagePath)(platform, run.Memo, run.Observer);
    EXPECT_EQ(run.Outcome.Status, JobStatus::Failed);
    EXPECT_NE(run.Outcome.ErrorText.find("Writing to " + Drive1 +
                                         " failed at sector 2560: The device is not connected."),
              std::string::npos)
        << run.Outcome.ErrorText;
    EXPECT_LT(platform.WritesTo(Drive1).size(), 10u) << "went on writing sector by sector";
    for (const std::string& line : run.Memo.Lines())
      EXPECT_EQ(line.find("bad sector"), std::string::npos) << line;
  }
  for (const bool sourceGoes : {true, false}) {
    SCOPED_TRACE(sourceGoes ? "clone from a source that goes away"
                            : "clone onto a destination that goes away");
    auto machine = test_support::Machine(sourceGoes ? R"({"physicalDrives": [
          {"number": 0, "size": "4 MiB", "goneFromSector": 2600,
           "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]},
          {"number": 1, "size": "4 MiB",
           "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]}]})"
                                                    : MachineJson(goneAt));
    ASSERT_TRUE(machine);
    JobRun run;
    run.Outcome = CloneOntoPartition()(*machine, run.Memo, run.Observer);
    EXPECT_EQ(run.Outcome.Status, JobStatus::Failed);
    const std::string expected =
        sourceGoes ? "Reading " + Drive0 + " failed at sector" : "Writing to " + Drive1;
    EXPECT_NE(run.Outcome.ErrorText.find(expected), std::string::npos) << run.Outcome.ErrorText;
    for (const std::string& line : run.Memo.Lines()) {
      EXPECT_EQ(line.find("restart the computer"), std::string::npos) << "closing line after a failure";
      EXPECT_EQ(line.find("bad sector"), std::string::npos) << line;
    }
  }
  {
    SCOPED_TRACE("raw image of a source that goes away");
    auto machine =
        test_support::Machine(R"({"physicalDrives": [{"number": 0, "size": "4 MiB", "goneFromSector": 2600,
        "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]}]})");
    ASSERT_TRUE(machine);
    const std::string imagePath = folder / "gone.img";
    JobRun run;
    run.Outcome =
        RunCreateImageJob(*machine, Texts(), CreateOfDrive0Partition(imagePath), run.Memo, run.Observer);
    EXPECT_EQ(run.Outcome.Status, JobStatus::Failed);
    EXPECT_NE(run.Outcome.ErrorText.find("Reading " + Drive0 + " failed at sector"), std::string::npos)
        << run.Outcome.ErrorText;
    EXPECT_FALSE(std::filesystem::exists(imagePath)) << "an incomplete raw image was left behind";
    ASSERT_FALSE(run.Memo.Lines().empty());
    EXPECT_NE(run.Memo.Lines().back().find("was deleted"), std::string::npos) << run.Memo.Lines().back();
    for (const std::string& line : run.Memo.Lines()) EXPECT_NE(line, "Ready");
  }
}

TEST(DestinationGuard, PartitionTableNotReadAnewIsNamedInTheMemo) {
  test_support::ScratchFolder folder;
  auto machine = test_support::Machine(MachineJson(R"("partitionTableBusy": true,)"));
  ASSERT_TRUE(machine);
  const std::string imagePath = folder / "disk.img";
  test_support::WriteHostBytes(imagePath, 0, PatternSectors(256));
  JobRun run;
  const RestoreImageParameters wholeDrive{Drive1, 0, 8192, imagePath, "Disk 1"};
  run.Outcome = RunRestoreImageJob(*machine, Texts(), wholeDrive, run.Memo, run.Observer);
  EXPECT_EQ(run.Outcome.Status, JobStatus::Finished);
  ASSERT_FALSE(run.Memo.Lines().empty());
  EXPECT_NE(run.Memo.Lines().back().find("could not read the new partition table of " + Drive1),
            std::string::npos)
      << run.Memo.Lines().back();
}

}  // namespace
}  // namespace drivecopy

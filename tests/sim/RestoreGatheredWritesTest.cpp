// Restoring onto a device written with direct I/O: consecutive blocks go out
// in gathered requests, an unwritable sector is still named alone, and a
// stop writes the block in progress and nothing after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobs/RestoreImageJob.h"
#include "sim/SimTestSupport.h"
#include "support/EnglishTexts.h"
#include "support/HostFileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestImages.h"
#include "support/TransferRecordingPlatform.h"
#include "text/MessageCatalogue.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;
using test_support::RecordingObserver;
using Transfer = test_support::TransferRecordingPlatform::Transfer;

const std::string Drive0 = "\\\\.\\PhysicalDrive0";

const MessageTexts& Texts() { return test_support::EnglishTexts(); }

// Hands out handles that ask for 512-byte aligned buffers, as a Linux block
// device opened for direct I/O does; everything else goes to the inner handle.
class DirectIoPlatform : public test_support::TransferRecordingPlatform {
 public:
  using TransferRecordingPlatform::TransferRecordingPlatform;
  Outcome<std::unique_ptr<DeviceHandle>> Open(const std::string& path, OpenMode mode) override {
    auto opened = TransferRecordingPlatform::Open(path, mode);
    if (!opened || path != Drive0) return opened;
    return std::unique_ptr<DeviceHandle>(std::make_unique<AlignedHandle>(std::move(*opened)));
  }

 private:
  class AlignedHandle : public DeviceHandle {
   public:
    explicit AlignedHandle(std::unique_ptr<DeviceHandle> inner) : inner_(std::move(inner)) {}
    Outcome<void> Seek(std::int64_t offset) override { return inner_->Seek(offset); }
    Outcome<std::size_t> Read(std::span<std::byte> buffer) override { return inner_->Read(buffer); }
    Outcome<std::size_t> Write(std::span<const std::byte> data) override { return inner_->Write(data); }
    Outcome<void> Flush() override { return inner_->Flush(); }
    Outcome<std::int64_t> Size() override { return inner_->Size(); }
    std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override {
      return inner_->QueryPartitionInfo();
    }
    std::optional<DISK_GEOMETRY> QueryGeometry() override { return inner_->QueryGeometry(); }
    std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return inner_->QueryLayout(); }
    std::size_t PreferredAlignment() const override { return 512; }

   private:
    std::unique_ptr<DeviceHandle> inner_;
  };
};

// 40 whole blocks and 3 single sectors: runs of 32 blocks and of 8 + 3.
constexpr std::int64_t ImageSectors = 40 * 128 + 3;

struct GatheredRun {
  test_support::ScratchFolder folder;
  std::unique_ptr<SimulatedMachine> machine;
  std::unique_ptr<DirectIoPlatform> platform;
  RecordingObserver observer;
  OperationMemo memo;
  JobOutcome outcome;
  std::vector<std::byte> data = PatternSectors(ImageSectors, 6);

  GatheredRun(const std::string& drive0Extras, bool headed, std::optional<int> stopAfter = {}) {
    machine = test_support::Machine(R"({"physicalDrives": [{"number": 0, "size": "4 MiB", )" + drive0Extras +
                                    R"( "layout": []}]})");
    platform = std::make_unique<DirectIoPlatform>(*machine);
    const std::string imagePath = folder / "image.img";
    test_support::WriteHostBytes(
        imagePath, 0,
        headed ? test_support::WriteHeadedImage(data, test_support::PartitionHeader(ImageSectors, {0}))
               : data);
    observer.StopAfterProgressCalls = stopAfter;
    outcome =
        RunRestoreImageJob(*platform, Texts(), {Drive0, 100, 8192, imagePath, "Disk 0"}, memo, observer);
  }
  std::vector<std::byte> Destination(std::int64_t sector, std::int64_t sectors) const {
    return test_support::ReadHostBytes(*machine->ContentPath(Drive0), (100 + sector) * 512,
                                       static_cast<std::size_t>(sectors * 512));
  }
  std::vector<std::byte> Image(std::int64_t sector, std::int64_t sectors) const {
    return {data.begin() + sector * 512, data.begin() + (sector + sectors) * 512};
  }
};

TEST(RestoreGatheredWrites, EachRunGoesOutInOneRequest) {
  for (const bool headed : {false, true}) {
    SCOPED_TRACE(headed ? "headed" : "raw");
    GatheredRun run("", headed);
    EXPECT_EQ(run.outcome.Status, JobStatus::Finished);
    const std::vector<Transfer> expected = {{Drive0, 100 * 512, 32 * 65536},
                                            {Drive0, (100 + 32 * 128) * 512, 8 * 65536 + 3 * 512}};
    EXPECT_EQ(run.platform->WritesTo(Drive0), expected);
    EXPECT_TRUE(run.Destination(0, ImageSectors) == run.Image(0, ImageSectors));
    EXPECT_EQ(run.observer.ProgressCalls.size(), 42u);  // every block but the last
  }
}

TEST(RestoreGatheredWrites, UnwritableSectorsAreNamedExactly) {
  GatheredRun run(R"("unwritableSectors": [105, 4200, 5222],)", true);
  EXPECT_EQ(run.outcome.Status, JobStatus::FinishedWithProblems);
  EXPECT_EQ(run.outcome.UnwritableSectors, 3);
  const std::vector<std::string> expected = {"Starting...", "WARNING: bad sector skipped @:5",
                                             "WARNING: bad sector skipped @:4100",
                                             "WARNING: bad sector skipped @:5122"};
  EXPECT_EQ(run.memo.Lines(), expected);
  EXPECT_TRUE(run.Destination(6, 4094) == run.Image(6, 4094));
  EXPECT_TRUE(run.Destination(4101, 1021) == run.Image(4101, 1021));
}

TEST(RestoreGatheredWrites, StopWritesTheBlockInProgressAndNothingAfter) {
  GatheredRun run("", true, /*stopAfter=*/5);
  EXPECT_EQ(run.outcome.Status, JobStatus::Stopped);
  EXPECT_EQ(run.outcome.SectorsDone, 5 * 128);
  const std::vector<Transfer> expected = {{Drive0, 100 * 512, 5 * 65536}};
  EXPECT_EQ(run.platform->WritesTo(Drive0), expected);
  EXPECT_TRUE(run.Destination(0, 5 * 128) == run.Image(0, 5 * 128));
  EXPECT_EQ(run.Destination(5 * 128, 128), std::vector<std::byte>(65536));
}

}  // namespace
}  // namespace drivecopy

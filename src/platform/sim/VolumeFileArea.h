#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/Failure.h"

namespace drivecopy::sim {

// The host folder that stands for the files of one simulated volume
// ("E:\backup.img" lives in it as "backup.img"), with the volume's free space
// as a budget: writes that would grow its files beyond that space fail with
// "There is not enough space on the disk.", and on a FAT volume no file may
// grow past 4 GiB - 1 bytes. A temporary folder is removed with its contents
// when the area goes.
class VolumeFileArea {
 public:
  static constexpr std::int64_t FatLargestFile = 0xFFFFFFFFLL;

  static Outcome<std::shared_ptr<VolumeFileArea>> Make(char letter,
                                                       const std::optional<std::string>& directory,
                                                       std::int64_t freeBytes, bool isFat);
  ~VolumeFileArea();
  VolumeFileArea(const VolumeFileArea&) = delete;
  VolumeFileArea& operator=(const VolumeFileArea&) = delete;

  // The host path for the part of a volume path after "X:"; nullopt when it
  // would lead out of the folder ("..").
  std::optional<std::filesystem::path> HostPath(const std::string& pathOnVolume) const;

  // Checks that a file may grow from `oldSize` to `newSize` bytes and, if so, books the growth.
  Outcome<void> Grow(std::int64_t oldSize, std::int64_t newSize);
  // Gives back the bytes of a file that was replaced or deleted.
  void Release(std::int64_t bytes);

  std::int64_t FreeBytes() const { return freeBytes_ - usedBytes_; }
  const std::filesystem::path& Directory() const { return directory_; }

 private:
  VolumeFileArea(std::filesystem::path directory, bool temporary, std::int64_t freeBytes, bool isFat);

  std::filesystem::path directory_;
  bool temporary_;
  std::int64_t freeBytes_;
  bool isFat_;
  std::int64_t usedBytes_ = 0;  // grown by our writes since the machine started
};

}  // namespace drivecopy::sim

#include "platform/sim/VolumeFileArea.h"

#include <random>
#include <string>

#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace fs = std::filesystem;

VolumeFileArea::VolumeFileArea(fs::path directory, bool temporary, std::int64_t freeBytes, bool isFat)
    : directory_(std::move(directory)), temporary_(temporary), freeBytes_(freeBytes), isFat_(isFat) {}

VolumeFileArea::~VolumeFileArea() {
  if (!temporary_) return;
  std::error_code ignored;  // a leftover temporary folder is harmless
  fs::remove_all(directory_, ignored);
}

Outcome<std::shared_ptr<VolumeFileArea>> VolumeFileArea::Make(char letter,
                                                              const std::optional<std::string>& directory,
                                                              std::int64_t freeBytes, bool isFat) {
  std::error_code error;
  if (directory) {
    fs::create_directories(*directory, error);
    if (error || !fs::is_directory(*directory)) {
      Failure failure = WindowsError(ErrorPathNotFound);
      failure.text += " (" + *directory + ")";
      return failure;
    }
    return std::shared_ptr<VolumeFileArea>(new VolumeFileArea(*directory, false, freeBytes, isFat));
  }
  // A new folder of our own in the temporary folder, under a name no one has yet.
  const fs::path parent = fs::temp_directory_path(error);
  std::random_device seed;
  fs::path created;
  for (int attempt = 0; attempt < 100 && created.empty(); ++attempt) {
    fs::path candidate =
        parent / (std::string("drivecopy-sim-volume-") + letter + "-" + std::to_string(seed()));
    if (fs::create_directory(candidate, error)) created = std::move(candidate);
  }
  if (created.empty()) {
    Failure failure = WindowsError(ErrorPathNotFound);
    failure.text += " (" + (parent / "drivecopy-sim-volume-").string() + ")";
    return failure;
  }
  return std::shared_ptr<VolumeFileArea>(new VolumeFileArea(created, true, freeBytes, isFat));
}

std::optional<fs::path> VolumeFileArea::HostPath(const std::string& pathOnVolume) const {
  std::string relative = pathOnVolume;
  for (char& c : relative)
    if (c == '\\') c = '/';
  relative.erase(0, relative.find_first_not_of('/'));
  const fs::path normal = fs::path(relative).lexically_normal();
  if (!normal.empty() && *normal.begin() == "..") return std::nullopt;
  return directory_ / normal;
}

Outcome<void> VolumeFileArea::Grow(std::int64_t oldSize, std::int64_t newSize) {
  if (newSize <= oldSize) return {};
  if (isFat_ && newSize > FatLargestFile) return WindowsError(ErrorDiskFull);
  if (newSize - oldSize > FreeBytes()) return WindowsError(ErrorDiskFull);
  usedBytes_ += newSize - oldSize;
  return {};
}

void VolumeFileArea::Release(std::int64_t bytes) { usedBytes_ -= bytes; }

}  // namespace drivecopy::sim

#include "platform/sim/VolumeFileArea.h"

#include <cstdlib>
#include <vector>

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
  std::string pattern =
      (fs::temp_directory_path(error) / (std::string("drivecopy-sim-volume-") + letter + "-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) {
    Failure failure = WindowsError(ErrorPathNotFound);
    failure.text += " (" + pattern + ")";
    return failure;
  }
  return std::shared_ptr<VolumeFileArea>(new VolumeFileArea(name.data(), true, freeBytes, isFat));
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

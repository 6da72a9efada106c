#include "image/ImageFileNames.h"

namespace drivecopy {

namespace {
constexpr const char* kUnfinishedSuffix = ".drivecopy-partial";
constexpr const char* kStoppedNoteSuffix = ".stopped";
}  // namespace

std::string UnfinishedImagePath(const std::string& imagePath) { return imagePath + kUnfinishedSuffix; }

bool IsUnfinishedImagePath(const std::string& path) { return path.ends_with(kUnfinishedSuffix); }

std::string StoppedNotePath(const std::string& imagePath) { return imagePath + kStoppedNoteSuffix; }

}  // namespace drivecopy

#pragma once
#include <string>

namespace drivecopy {

// The names a create job uses beside the image it makes, all in the image's
// own folder (a rename is one step only within a file system), each made
// from the image's name so that the next job of that name finds them.

// Where an image is written until it is finished or kept after a stop:
// "x.img.drivecopy-partial". A file of this name is never a finished image:
// the job that made it was killed or crashed, and the next create of x.img
// takes it over and removes it.
std::string UnfinishedImagePath(const std::string& imagePath);
bool IsUnfinishedImagePath(const std::string& path);

// The note beside a raw image that a stopped create kept: "x.img.stopped".
std::string StoppedNotePath(const std::string& imagePath);

}  // namespace drivecopy

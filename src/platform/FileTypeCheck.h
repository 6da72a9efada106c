#pragma once
#include <sys/types.h>

#include <filesystem>
#include <string>

namespace drivecopy {

// A device handle reads and writes sectors, which only a regular file and a
// block device hold. Anything else is refused before it is opened: a named
// pipe would make the open wait for a writer (forever, as like as not), a
// character device streams bytes without a size or an end (/dev/zero) or has
// effects of its own when opened, and a directory or socket holds no sectors.
bool IsRegularFileOrBlockDevice(std::filesystem::file_type type);

// The type of a file from the st_mode that stat gives for it.
std::filesystem::file_type FileTypeOfMode(mode_t mode);

// "a named pipe (FIFO)", "a character device", "a directory", "a socket".
std::string FileTypeName(std::filesystem::file_type type);

// The reason a path of this type is not opened, worded to follow the path:
// "it is a named pipe (FIFO), not a regular file or a block device".
std::string NotARegularFileOrBlockDevice(std::filesystem::file_type type);

}  // namespace drivecopy

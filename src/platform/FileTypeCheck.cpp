#include "platform/FileTypeCheck.h"

#include <sys/stat.h>

namespace drivecopy {

namespace fs = std::filesystem;

bool IsRegularFileOrBlockDevice(fs::file_type type) {
  return type == fs::file_type::regular || type == fs::file_type::block;
}

fs::file_type FileTypeOfMode(mode_t mode) {
  return S_ISREG(mode)    ? fs::file_type::regular
         : S_ISBLK(mode)  ? fs::file_type::block
         : S_ISFIFO(mode) ? fs::file_type::fifo
         : S_ISCHR(mode)  ? fs::file_type::character
         : S_ISDIR(mode)  ? fs::file_type::directory
#ifdef S_ISSOCK  // Windows' C library knows no sockets or links among files
         : S_ISSOCK(mode) ? fs::file_type::socket
         : S_ISLNK(mode)  ? fs::file_type::symlink
#endif
                          : fs::file_type::unknown;
}

std::string FileTypeName(fs::file_type type) {
  switch (type) {
    case fs::file_type::regular:
      return "a regular file";
    case fs::file_type::block:
      return "a block device";
    case fs::file_type::fifo:
      return "a named pipe (FIFO)";
    case fs::file_type::character:
      return "a character device";
    case fs::file_type::directory:
      return "a directory";
    case fs::file_type::socket:
      return "a socket";
    case fs::file_type::symlink:
      return "a symbolic link";
    default:
      return "something of an unknown type";
  }
}

std::string NotARegularFileOrBlockDevice(fs::file_type type) {
  return "it is " + FileTypeName(type) + ", not a regular file or a block device";
}

}  // namespace drivecopy

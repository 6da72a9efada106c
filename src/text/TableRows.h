#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Failure.h"
#include "text/MessageCatalogue.h"

namespace drivecopy {

// The line format shared by the message catalogue and the window tables:
// UTF-8, one row per line, a key and six texts separated by tabs, with the
// escapes \n (line break, read as CR LF) and \\ (see docs/message-catalogue.md).

// A line that carries content, with its 1-based number in the file.
struct TableLine {
  std::size_t Number;
  std::string_view Text;
};

// The lines of `table` that are neither empty nor comments ('#' first), with a
// leading UTF-8 byte-order mark and the CR of Windows line ends removed.
std::vector<TableLine> ContentLines(std::string_view table);

// A key with ASCII letters lowered: keys are compared without regard to case.
std::string FoldKeyCase(std::string_view key);

// Reads one row line. On failure the error text is the reason alone (such as
// "the key is empty"); the caller puts the table name and line in front.
Outcome<MessageRow> ParseRowLine(std::string_view line);

// "<tableName>, line <N>: <reason>" (no system call is involved, so no system code).
Failure TableLineError(std::string_view tableName, std::size_t lineNumber, const std::string& reason);

}  // namespace drivecopy

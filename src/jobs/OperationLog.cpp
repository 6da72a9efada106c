#include "jobs/OperationLog.h"
#include "text/DetailTextsInForce.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace drivecopy {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

void AppendUnit(std::vector<std::byte>& out, std::uint32_t unit) {
  out.push_back(static_cast<std::byte>(unit & 0xFF));
  out.push_back(static_cast<std::byte>((unit >> 8) & 0xFF));
}

void AppendCodePoint(std::vector<std::byte>& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    AppendUnit(out, codePoint);
    return;
  }
  const std::uint32_t offset = codePoint - 0x10000;
  AppendUnit(out, 0xD800 + (offset >> 10));
  AppendUnit(out, 0xDC00 + (offset & 0x3FF));
}

// Decodes one UTF-8 sequence at `text[position]` and advances past it. An
// invalid or truncated sequence, an overlong form, an encoded surrogate or a
// value above U+10FFFF gives U+FFFD and skips one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  ++position;
  if (lead < 0x80) return lead;

  // Lead bytes C0, C1 and F5..FF never start a valid sequence.
  std::size_t continuationCount = 0;
  char32_t codePoint = 0;
  char32_t smallest = 0;  // below this the sequence is an overlong form
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuationCount = 1;
    codePoint = lead & 0x1Fu;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuationCount = 2;
    codePoint = lead & 0x0Fu;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuationCount = 3;
    codePoint = lead & 0x07u;
    smallest = 0x10000;
  } else {
    return ReplacementCharacter;
  }
  if (position + continuationCount > text.size()) return ReplacementCharacter;
  for (std::size_t i = 0; i < continuationCount; ++i) {
    const auto next = static_cast<unsigned char>(text[position + i]);
    if ((next & 0xC0) != 0x80) return ReplacementCharacter;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    return ReplacementCharacter;
  }
  position += continuationCount;
  return codePoint;
}

void AppendLineBreak(std::vector<std::byte>& out) {
  AppendUnit(out, '\r');
  AppendUnit(out, '\n');
}

// One memo line and its CR LF; breaks inside it are written as CR LF too.
void AppendMemoLine(std::vector<std::byte>& out, std::string_view line) {
  std::size_t position = 0;
  while (position < line.size()) {
    if (line[position] == '\r' || line[position] == '\n') {
      const bool crLf = line[position] == '\r' && position + 1 < line.size() && line[position + 1] == '\n';
      position += crLf ? 2 : 1;
      AppendLineBreak(out);
      continue;
    }
    AppendCodePoint(out, DecodeUtf8(line, position));
  }
  AppendLineBreak(out);
}

Failure LogFileError(const std::string& path, std::string DetailTexts::*message, const Failure& cause) {
  return cause.Reworded(Detail(message, {path, cause.text}));
}

}  // namespace

Outcome<void> WriteOperationLog(Platform& platform, const std::string& path,
                                const std::vector<std::string>& memoLines) {
  std::vector<std::byte> content{std::byte{0xFF}, std::byte{0xFE}};
  for (const std::string& line : memoLines) AppendMemoLine(content, line);

  Outcome<std::unique_ptr<DeviceHandle>> file = platform.Open(path, OpenMode::CreateAlways);
  if (!file) return LogFileError(path, &DetailTexts::strSCannotCreateLog, file.error());
  Outcome<std::size_t> written = file.value()->Write(std::span<const std::byte>(content));
  if (!written) return LogFileError(path, &DetailTexts::strSCannotWriteLog, written.error());
  if (written.value() != content.size()) {
    return LogFileError(path, &DetailTexts::strSCannotWriteLog,
                        Failure::Because(Detail(&DetailTexts::strSLogWrittenInPart)));
  }
  Outcome<void> flushed = file.value()->Flush();
  if (!flushed) return LogFileError(path, &DetailTexts::strSCannotWriteLog, flushed.error());
  return {};
}

}  // namespace drivecopy

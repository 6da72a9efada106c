#include "cli/InfoCommand.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/JobCommandSupport.h"
#include "image/ImageCompleteness.h"
#include "image/ImageFileNames.h"
#include "image/ImageReader.h"
#include "image/ImageVerifier.h"
#include "image/SourceKindName.h"
#include "text/FailureCause.h"

namespace drivecopy {
namespace {

constexpr const char* InfoUsage =
    "Usage: drivecopy info IMAGE [--verify] [--json]\n"
    "\n"
    "Shows what the image file IMAGE holds: for a raw image its size and number of sectors, for a\n"
    "headed image every header field, the partition starts and the number of blocks.\n"
    "\n"
    "  --verify   also decode every block and check the block index; a fault is reported on\n"
    "             standard error with the number of the block (counted from 0)\n"
    "  --json     print one JSON object instead of text\n"
    "  --help     show this text\n"
    "\n"
    "An image that holds no sectors (an empty file, one shorter than a sector, a headed image\n"
    "without blocks), a headed image whose writing never finished and a file a create left under\n"
    "its temporary name (IMAGE.drivecopy-partial) are faults for --verify. A raw image kept after\n"
    "a stop has a note beside it (IMAGE.stopped); both kinds of image say they were stopped early.\n"
    "\n"
    "Exit status: 0 success, 1 the image cannot be read or --verify found a fault, 2 wrong usage.\n";

struct InfoRequest {
  std::string ImagePath;
  bool Verify = false;
  bool Json = false;
  bool Help = false;
};

// Parses the words after "info"; nullopt after telling `err` what is wrong.
std::optional<InfoRequest> ParseInfoArguments(const std::vector<std::string>& args, std::ostream& err) {
  InfoRequest request;
  bool havePath = false;
  bool optionsEnded = false;
  for (const std::string& word : args) {
    if (!optionsEnded && word == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (word == "--help" || word == "-h")) {
      request.Help = true;
    } else if (!optionsEnded && word == "--verify") {
      request.Verify = true;
    } else if (!optionsEnded && word == "--json") {
      request.Json = true;
    } else if (!optionsEnded && word.size() > 1 && word.starts_with("-")) {
      err << "drivecopy info: unknown option '" << word << "' (see drivecopy info --help)\n";
      return std::nullopt;
    } else if (havePath) {
      err << "drivecopy info: only one image file, please ('" << word << "' is a second one)\n";
      return std::nullopt;
    } else {
      request.ImagePath = word;
      havePath = true;
    }
  }
  if (!havePath && !request.Help) {
    err << "drivecopy info: which image file? (drivecopy info IMAGE [--verify] [--json])\n";
    return std::nullopt;
  }
  return request;
}

std::string Hex(std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

std::string MagicText(const ImageHeader& header) {
  return std::string(header.Magic.begin(), header.Magic.end());
}

nlohmann::json DescribeAsJson(const std::string& path, const ImageReader& reader) {
  nlohmann::json info;
  info["image"] = path;
  info["format"] = reader.Format() == ImageFormat::Raw ? "raw" : "headed";
  info["fileSize"] = reader.FileSize();
  if (reader.Format() == ImageFormat::Raw) {
    info["sectorCount"] = reader.SectorCount();
  } else {
    const ImageHeader& header = reader.Header();
    info["magic"] = MagicText(header);
    info["headerSize"] = header.HeaderSize;
    info["sectorCount"] = header.SectorCount;
    info["lastSector"] = header.LastSector;
    info["sectorsStored"] = header.SectorsStored;
    info["firstSector"] = header.FirstSector;
    info["partitionCount"] = header.PartitionCount;
    info["indexOffset"] = header.IndexOffset;
    info["indexSize"] = header.IndexSize;
    info["sourceKind"] = header.SourceKind;
    info["sourceKindName"] = SourceKindName(header.SourceKind);
    info["partitionStarts"] = header.PartitionStarts;
  }
  info["blockCount"] = reader.BlockCount();
  return info;
}

void DescribeAsText(const std::string& path, const ImageReader& reader, std::ostream& out) {
  out << "Image:           " << path << '\n';
  if (reader.Format() == ImageFormat::Raw) {
    out << "Format:          raw (the sectors back to back, no header)\n"
        << "File size:       " << reader.FileSize() << " bytes\n"
        << "Sectors:         " << reader.SectorCount() << '\n'
        << "Blocks:          " << reader.BlockCount() << '\n';
    return;
  }
  const ImageHeader& header = reader.Header();
  out << "Format:          headed (compressed blocks)\n"
      << "File size:       " << reader.FileSize() << " bytes\n"
      << "Magic:           " << MagicText(header) << '\n'
      << "HeaderSize:      " << header.HeaderSize << '\n'
      << "SectorCount:     " << header.SectorCount << '\n'
      << "LastSector:      " << header.LastSector << '\n'
      << "SectorsStored:   " << header.SectorsStored << '\n'
      << "FirstSector:     " << header.FirstSector << '\n'
      << "PartitionCount:  " << header.PartitionCount << '\n'
      << "IndexOffset:     " << header.IndexOffset << '\n'
      << "IndexSize:       " << header.IndexSize << '\n'
      << "SourceKind:      " << Hex(header.SourceKind) << " (" << SourceKindName(header.SourceKind) << ")\n"
      << "PartitionStarts:";
  if (header.PartitionStarts.empty()) out << " (none)";
  for (const std::int64_t start : header.PartitionStarts) out << ' ' << start;
  out << '\n' << "Blocks:          " << reader.BlockCount() << '\n';
}

void ReportVerificationAsText(const ImageVerification& verification, ImageFormat format, std::ostream& out) {
  if (!verification.Sound) return;
  out << "Verified:        sound";
  if (!verification.IndexOnly) {
    out << ", all " << verification.BlocksChecked
        << (format == ImageFormat::Raw ? " blocks read in full" : " blocks decode to their full size");
  }
  if (!verification.Note.empty()) out << "; " << verification.Note;
  out << '\n';
}

}  // namespace

int RunInfoCommand(Platform& platform, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
  const auto request = ParseInfoArguments(args, err);
  if (!request) return 2;
  if (request->Help) {
    out << InfoUsage;
    return 0;
  }
  const std::string& path = request->ImagePath;

  auto file = platform.Open(path, OpenMode::Read);
  if (!file) {
    err << "drivecopy info: cannot open " << path << ": " << FailureCause(CommandLineTexts(), file.error())
        << '\n';
    return 1;
  }
  auto reader = ImageReader::Open(**file);
  if (!reader) {
    err << "drivecopy info: " << path << ": " << reader.error().text << '\n';
    return 1;
  }

  const MessageTexts& texts = CommandLineTexts();
  // What a killed create left under its temporary name is no image, however
  // sound its bytes: a raw one cannot show that it ends too early.
  const bool leftover = IsUnfinishedImagePath(path);
  std::optional<ImageVerification> verification;
  if (request->Verify) verification = VerifyImage(**file);
  if (verification && verification->Sound && leftover) {
    verification->Sound = false;
    verification->Fault = texts.Details.strSLeftoverNeverFinished;
  }
  // A stopped create left a sound image that holds only part of its source:
  // worth saying, though it is no fault.
  const auto earlyStop = FindEarlyStop(platform, path, *reader);

  if (request->Json) {
    nlohmann::json info = DescribeAsJson(path, *reader);
    info["unfinished"] = leftover || IsUnfinishedImage(*reader);
    info["stoppedEarly"] = earlyStop.has_value();
    if (earlyStop) info["sectorsOfSource"] = earlyStop->SectorsOfSource;
    if (verification) {
      info["verified"] = verification->Sound;
      info["fault"] = verification->Sound ? nlohmann::json(nullptr) : nlohmann::json(verification->Fault);
      if (verification->IndexOnly) info["indexOnly"] = true;
      if (!verification->Note.empty()) info["note"] = verification->Note;
    }
    // Paths need not be UTF-8; a stray byte must not cost the whole answer.
    out << info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    DescribeAsText(path, *reader, out);
    if (leftover) out << "Note:            " << texts.Details.strSLeftoverNeverFinished << '\n';
    if (earlyStop) out << "Note:            " << StoppedEarlyLine(texts, path, *earlyStop) << '\n';
    if (verification) ReportVerificationAsText(*verification, reader->Format(), out);
  }

  if (verification && !verification->Sound) {
    err << "drivecopy info: " << path << ": " << verification->Fault << '\n';
    return 1;
  }
  return 0;
}

}  // namespace drivecopy

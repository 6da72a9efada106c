// Writes the fuzzers' seed corpus: a few sound images of every shape the
// writer makes, so that fuzzing starts from files that get deep into the
// readers. Usage: fuzz_make_seed_corpus DIR. Whole images go to DIR/images
// (for image_reader and verify_image), their first sectors to DIR/sectors
// (for recognise_image_sector and parse_header).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/BlockBatch.h"
#include "image/BlockRule.h"
#include "image/ImageWriter.h"
#include "platform/KindTags.h"
#include "platform/Units.h"
#include "support/MemoryDevice.h"

using namespace drivecopy;

namespace {

// Sectors that compress a little but not to nothing: runs of zeros (as on a
// fresh file system), counting bytes and some noise.
std::vector<std::byte> SampleSectors(std::int64_t sectors) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(sectors * BytesPerSector));
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const std::size_t sector = i / 512;
    const unsigned value = sector % 3 == 0   ? 0u
                           : sector % 3 == 1 ? static_cast<unsigned>(i & 0xFF)
                                             : state >> 24;
    bytes[i] = static_cast<std::byte>(value);
  }
  return bytes;
}

struct ImageShape {
  std::string Name;
  ImageFormat Format;
  CompressionLevel Level;
  std::int64_t Sectors;
  int Partitions;
  bool Virtual;
  bool Finished;  // false: the writer broke off before its index and final header
};

Outcome<std::vector<std::byte>> WriteImage(const ImageShape& shape) {
  ImageHeader header;
  header.SectorCount = shape.Sectors;
  header.FirstSector = shape.Partitions > 0 ? 2048 : 0;
  header.LastSector = header.FirstSector + shape.Sectors;
  header.PartitionCount = shape.Partitions;
  for (int i = 0; i < shape.Partitions; ++i) header.PartitionStarts.push_back(2048 + 4096 * i);
  header.SourceKind = shape.Partitions == 1 ? KindPartition : KindPhysicalDrive;

  test_support::MemoryDevice file;
  auto writer = ImageWriter::Start(file, shape.Format, header, shape.Virtual);
  if (!writer) return writer.error();
  auto batch = shape.Format == ImageFormat::Raw ? Outcome<BlockBatch>(BlockBatch::ForRawImage())
                                                : BlockBatch::ForHeadedImage(shape.Level);
  if (!batch) return batch.error();
  const auto data = SampleSectors(shape.Sectors);
  for (std::int64_t block = 0; block < BlockCount(shape.Sectors); ++block) {
    const auto first = static_cast<std::size_t>(BlockFirstSector(shape.Sectors, block) * BytesPerSector);
    const auto size = static_cast<std::size_t>(BlockRawSize(shape.Sectors, block));
    if (auto stored = batch->AppendBlock(std::span(data).subspan(first, size)); !stored)
      return stored.error();
    if (batch->BlockSizes().size() == 2) {  // several batches, as a real job writes them
      if (auto written = writer->WriteBatch(*batch); !written) return written.error();
      batch->Clear();
    }
  }
  if (auto written = writer->WriteBatch(*batch); !written) return written.error();
  if (shape.Finished) {
    if (auto finished = writer->Finish(); !finished) return finished.error();
  }
  return file.Bytes;
}

bool Save(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  std::filesystem::create_directories(root / "images");
  std::filesystem::create_directories(root / "sectors");

  using enum CompressionLevel;
  const ImageFormat raw = ImageFormat::Raw;
  const ImageFormat headed = ImageFormat::Headed;
  const std::vector<ImageShape> shapes = {
      {"raw-3-sectors", raw, None, 3, 0, false, true},
      {"raw-130-sectors", raw, None, 130, 0, false, true},
      {"headed-none-130", headed, None, 130, 1, false, true},
      {"headed-low-130", headed, Low, 130, 1, false, true},
      {"headed-medium-130", headed, Medium, 130, 1, false, true},
      {"headed-high-130", headed, High, 130, 1, false, true},
      {"headed-medium-0-partitions", headed, Medium, 5, 0, false, true},
      {"headed-medium-4-partitions", headed, Medium, 129, 4, false, true},
      {"headed-medium-55-partitions", headed, Medium, 2, 55, false, true},
      {"headed-medium-60-partitions", headed, Medium, 2, 60, false, true},
      {"headed-medium-256", headed, Medium, 256, 1, false, true},
      {"headed-empty", headed, Medium, 0, 1, false, true},
      {"headed-virtual-300", headed, Medium, 300, 2, true, true},
      {"headed-unfinished", headed, Low, 20, 1, false, false},
  };
  for (const ImageShape& shape : shapes) {
    auto image = WriteImage(shape);
    if (!image) {
      std::fprintf(stderr, "%s: %s\n", shape.Name.c_str(), image.error().text.c_str());
      return 1;
    }
    std::vector<std::byte> sector(*image);
    sector.resize(std::min<std::size_t>(sector.size(), 512));
    if (!Save(root / "images" / (shape.Name + ".img"), *image) ||
        !Save(root / "sectors" / shape.Name, sector)) {
      std::fprintf(stderr, "%s: cannot write the seed\n", shape.Name.c_str());
      return 1;
    }
  }
  return 0;
}

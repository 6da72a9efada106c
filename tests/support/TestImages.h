#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/CompressionLevel.h"
#include "image/ImageHeader.h"

namespace drivecopy::test_support {

// Sector contents that differ from sector to sector and compress a little,
// so that a block swapped, shifted or zeroed shows in a comparison.
std::vector<std::byte> PatternSectors(std::int64_t sectors, std::uint32_t seed = 1);

// A header for `sectors` sectors of a partition starting at `partitionStarts`.
ImageHeader PartitionHeader(std::int64_t sectors, std::vector<std::int64_t> partitionStarts);

// The file an ImageWriter makes of `data` (whole sectors) cut by the block
// rule, handed over in batches of `blocksPerBatch` blocks.
std::vector<std::byte> WriteHeadedImage(std::span<const std::byte> data, const ImageHeader& header,
                                        CompressionLevel level = CompressionLevel::Medium,
                                        int blocksPerBatch = 3, bool virtualMode = false);

// The index entries a headed image's header points to.
std::vector<std::int64_t> IndexEntries(std::span<const std::byte> image);

// Header fields straight from the file's bytes.
ImageHeader HeaderOf(std::span<const std::byte> image);

}  // namespace drivecopy::test_support

#include "image/ImageWriter.h"

#include <algorithm>

#include <string>

#include "image/ImageFault.h"
#include "image/ImageFileIo.h"
#include "image/LittleEndian.h"

namespace drivecopy {

namespace {

void AppendIndexEntry(std::vector<std::byte>& index, std::int64_t offset) {
  const std::size_t at = index.size();
  index.resize(at + 8);
  StoreLittleEndian<std::int64_t>(index.data() + at, offset);
}

}  // namespace

ImageWriter::ImageWriter(DeviceHandle& file, ImageFormat format, ImageHeader header, bool virtualMode)
    : file_(&file), format_(format), header_(std::move(header)), virtual_(virtualMode) {}

Outcome<void> ImageWriter::Failed(Failure error) {
  failed_ = true;
  return error;
}

Outcome<ImageWriter> ImageWriter::Start(DeviceHandle& file, ImageFormat format, ImageHeader header,
                                        bool virtualMode) {
  if (format == ImageFormat::Raw) return ImageWriter(file, format, std::move(header), virtualMode);

  if (header.PartitionCount < 0 ||
      static_cast<std::size_t>(header.PartitionCount) > header.PartitionStarts.size()) {
    return Failure::Because("Cannot write the image header: it announces " +
                            std::to_string(header.PartitionCount) + " partition starts but holds " +
                            std::to_string(header.PartitionStarts.size()));
  }
  header.Magic = ImageMagic;
  header.HeaderSize = ImageHeaderSize;
  // Until Finish these read as an image without blocks, so a file whose
  // writing broke off is never taken for one holding data it lacks.
  header.SectorsStored = 0;
  header.IndexOffset = 0;
  header.IndexSize = 0;

  ImageWriter writer(file, format, std::move(header), virtualMode);
  const auto headerBytes = SerializeHeader(writer.header_);
  if (auto written = WriteWhole(file, headerBytes, Detail(&DetailTexts::strSWhatImageHeader)); !written)
    return written.error();

  std::vector<std::byte> list(8 * static_cast<std::size_t>(writer.header_.PartitionCount));
  for (std::size_t i = 0; i < list.size() / 8; ++i) {
    StoreLittleEndian<std::int64_t>(list.data() + 8 * i, writer.header_.PartitionStarts[i]);
  }
  if (auto written = WriteWhole(file, list, Detail(&DetailTexts::strSWhatPartitionList)); !written)
    return written.error();

  writer.fileOffset_ = static_cast<std::int64_t>(ImageHeaderSize + list.size());
  writer.blockOffset_ = writer.fileOffset_;
  AppendIndexEntry(writer.index_, writer.blockOffset_);
  return writer;
}

constexpr std::size_t kWritePieceBytes = std::size_t{256} << 10;

Outcome<void> ImageWriter::WriteBatch(const BlockBatch& batch) {
  if (failed_ || finished_)
    return Failure::Because("Cannot write the image file: it is already closed or failed");
  if (batch.Format() != format_)
    return Failure::Because("Cannot write the image file: blocks of the other format");
  if (batch.Empty()) return {};
  if (!virtual_) {
    // The batch goes out in pieces: on Linux one 32 MB write into the page
    // cache takes several times as long as the same bytes in 256 KiB writes.
    const std::span<const std::byte> bytes = batch.Bytes();
    for (std::size_t done = 0; done < bytes.size(); done += kWritePieceBytes) {
      const auto piece = bytes.subspan(done, std::min(kWritePieceBytes, bytes.size() - done));
      if (auto written = WriteWhole(*file_, piece); !written) return Failed(written.error());
    }
    fileOffset_ += static_cast<std::int64_t>(batch.ByteSize());
  }
  if (format_ == ImageFormat::Headed) {
    for (const std::int64_t size : batch.BlockSizes()) {
      blockOffset_ += size;
      AppendIndexEntry(index_, blockOffset_);
    }
  }
  blockBytesHanded_ += static_cast<std::int64_t>(batch.ByteSize());
  sectorsHanded_ += batch.Sectors();
  blocksHanded_ += static_cast<std::int64_t>(batch.BlockSizes().size());
  return {};
}

Outcome<void> ImageWriter::Finish() {
  if (failed_ || finished_)
    return Failure::Because("Cannot finish the image file: it is already closed or failed");
  if (format_ == ImageFormat::Headed) {
    header_.SectorsStored = virtual_ ? 0 : sectorsHanded_;
    header_.IndexOffset = fileOffset_;
    header_.IndexSize = static_cast<std::int64_t>(index_.size());
    if (auto written = WriteWhole(*file_, index_, Detail(&DetailTexts::strSWhatImageBlockIndex)); !written) {
      return Failed(written.error());
    }
    fileOffset_ += header_.IndexSize;
    if (auto moved = SeekTo(*file_, 0); !moved) return Failed(moved.error());
    if (auto written =
            WriteWhole(*file_, SerializeHeader(header_), Detail(&DetailTexts::strSWhatFinalImageHeader));
        !written) {
      return Failed(written.error());
    }
  }
  if (auto flushed = file_->Flush(); !flushed) {
    return Failed(FileOperationFailed(&DetailTexts::strSCannotFlushImage, {}, flushed.error()));
  }
  finished_ = true;
  return {};
}

}  // namespace drivecopy

#include "platform/tga/TgaRowSource.h"

#include "platform/io/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace pellora {

namespace {

constexpr std::size_t kBlock = ContentDigest::kBlockSize;

std::uint16_t readU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Where the pixel data starts, from the raw header alone: how much of the file
// must be read before the header can be checked as a whole.
std::size_t pixelDataOffsetOf(const std::uint8_t* header)
{
    const std::size_t mapBytes = header[1] == 1 ? std::size_t{readU16(header + 5)} * ((header[7] + 7u) / 8u) : 0;
    return TgaHeader::kSize + header[0] + mapBytes;
}

} // namespace

TgaRowSource::TgaRowSource(const FileHandle& file, std::uint64_t fileSize, TgaReadBuffers& buffers, bool digestContent,
                           std::size_t stripBytes)
    : file_(file), size_(fileSize), buffers_(buffers), stripBytes_(stripBytes)
{
    if (!digestContent)
        headDigest_ = indexDigest_ = rowsDigest_ = ContentDigest::countingOnly();
}

Status TgaRowSource::open()
{
    // Row starts are kept as 32-bit offsets.
    if (size_ > std::numeric_limits<std::uint32_t>::max())
        return unexpected(Failure::of(FailureCause::TooLarge));
    if (Status read = readHead(); !read)
        return read;
    auto header = TgaHeader::parse(std::span<const std::uint8_t>(buffers_.head.data(), headBytes_), kMaxPixels);
    if (!header)
        return unexpected(Failure::badTga(header.error()));
    header_ = *header;
    if (Status checked = checkPixelDataLength(); !checked)
        return checked;
    prepareRows();
    if (layout_ == Layout::RunLengthIndexed) {
        if (Status indexed = indexRows(); !indexed)
            return indexed;
        rle_ = TgaRleReader(header_.bytesPerPixel());
    }
    position_ = header_.pixelDataOffset();
    if (header_.topFirst())
        window_->startForward(position_, rowsDigest_);
    else
        window_->startBackward(rowsDigest_);
    return ok();
}

// The converter, the file window and the buffers for this picture's rows.
void TgaRowSource::prepareRows()
{
    converter_.emplace(header_, std::span<const std::uint8_t>(buffers_.head.data() + header_.colorMapOffset(),
                                                              header_.colorMapBytes()));
    const std::size_t rawRowBytes = std::size_t{header_.width} * static_cast<std::size_t>(header_.bytesPerPixel());
    window_.emplace(file_, size_, std::span<const std::uint8_t>(buffers_.head.data(), headBytes_), buffers_.window,
                    stripBytes_, header_.runLength() ? largestRunLengthRow() : rawRowBytes);
    buffers_.row.resize(std::max(buffers_.row.size(), converter_->outputRowBytes()));
    buffers_.raw.resize(std::max(buffers_.raw.size(), rawRowBytes));
    rle_ = TgaRleReader(header_.bytesPerPixel());
    if (!header_.runLength())
        layout_ = Layout::Raw;
    else
        layout_ = header_.topFirst() ? Layout::RunLengthTopFirst : Layout::RunLengthIndexed;
}

// The header and the colour map, plus what is left of their last block: up
// to a block boundary, so every later read is whole blocks.
Status TgaRowSource::readHead()
{
    std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size_, kBlock));
    for (std::size_t have = 0;;) {
        if (buffers_.head.size() < wanted)
            buffers_.head.resize(wanted);
        const auto n = readAllAt(file_, buffers_.head.data() + have, wanted - have, have);
        if (!n)
            return unexpected(Failure::of(FailureCause::CannotRead, n.error().systemError));
        if (*n != wanted - have)
            return unexpected(Failure::of(FailureCause::ChangedWhileRead));
        have = wanted;
        if (have < TgaHeader::kSize)
            break; // parsing tells it is too short
        const std::size_t pixelData = pixelDataOffsetOf(buffers_.head.data());
        const std::size_t needed = static_cast<std::size_t>(
            std::min<std::uint64_t>(size_, (pixelData + kBlock - 1) / kBlock * kBlock));
        if (needed <= have)
            break;
        wanted = needed;
    }
    headBytes_ = wanted;
    headDigest_.add(0, std::span<const std::uint8_t>(buffers_.head.data(), headBytes_));
    return ok();
}

// Refuses pixel data too short for the picture before anything is converted.
Status TgaRowSource::checkPixelDataLength() const
{
    const std::uint64_t available = size_ - header_.pixelDataOffset();
    const std::uint64_t needed = header_.runLength()
        ? TgaRleReader::minimumBytes(header_.pixelCount(), header_.bytesPerPixel())
        : header_.pixelCount() * static_cast<std::uint64_t>(header_.bytesPerPixel());
    if (available < needed)
        return unexpected(Failure::badTga(TgaError::TruncatedPixels));
    return ok();
}

std::size_t TgaRowSource::largestRunLengthRow() const
{
    // A row may begin inside a raw packet of the row before: its header and
    // the pixels already taken come with it.
    constexpr std::size_t kPacketCarriedOver = 1 + 128 * 4;
    return TgaRleReader::maximumRowBytes(header_.width, header_.bytesPerPixel()) + kPacketCarriedOver;
}

// The first of two passes over a run-length file stored bottom row first,
// whose top row comes last: where does each stored row start?
Status TgaRowSource::indexRows()
{
    buffers_.rowStarts.resize(header_.height);
    window_->startForward(header_.pixelDataOffset(), indexDigest_);
    const std::size_t rowMax = TgaRleReader::maximumRowBytes(header_.width, header_.bytesPerPixel());
    std::uint64_t position = header_.pixelDataOffset();
    for (int fileRow = 0; fileRow < header_.height; ++fileRow) {
        const std::uint64_t end = std::min<std::uint64_t>(size_, position + rowMax);
        auto bytes = window_->forward(position, end);
        if (!bytes)
            return unexpected(bytes.error());
        rle_.setInput(*bytes, static_cast<std::size_t>(end - position), position);
        TgaRowStart& start = buffers_.rowStarts[static_cast<std::size_t>(fileRow)];
        start.packet = static_cast<std::uint32_t>(rle_.packetOffset());
        start.used = static_cast<std::uint8_t>(rle_.pixelsTakenFromPacket());
        if (const auto read = rle_.read(nullptr, header_.width); !read)
            return unexpected(Failure::badTga(read.error()));
        position = rle_.position();
        start.end = static_cast<std::uint32_t>(position);
    }
    if (rle_.packetUnfinished())
        return unexpected(Failure::badTga(TgaError::RunOverflowsImage));
    if (Status swept = window_->finishSweep(); !swept)
        return swept;
    return ok();
}

Expected<const std::uint8_t*, Failure> TgaRowSource::nextRow()
{
    if (nextPictureRow_ >= header_.height)
        return unexpected(Failure::of(FailureCause::Unexpected));
    const int pictureRow = nextPictureRow_++;
    const int fileRow = header_.topFirst() ? pictureRow : header_.height - 1 - pictureRow;
    return layout_ == Layout::Raw ? rawRow(fileRow) : runLengthRow(fileRow);
}

Expected<const std::uint8_t*, Failure> TgaRowSource::rawRow(int fileRow)
{
    const std::size_t rowBytes = std::size_t{header_.width} * static_cast<std::size_t>(header_.bytesPerPixel());
    const std::uint64_t begin = header_.pixelDataOffset() + rowBytes * static_cast<std::uint64_t>(fileRow);
    auto bytes = header_.topFirst() ? window_->forward(begin, begin + rowBytes)
                                    : window_->backward(begin, begin + rowBytes);
    if (!bytes)
        return unexpected(bytes.error());
    if (converter_->rowsFitAsTheyAre())
        return *bytes;
    if (!converter_->convertRow(*bytes, buffers_.row.data()))
        return unexpected(Failure::badTga(TgaError::ColorIndexOutOfRange));
    return buffers_.row.data();
}

Expected<const std::uint8_t*, Failure> TgaRowSource::runLengthRow(int fileRow)
{
    if (layout_ == Layout::RunLengthTopFirst) {
        const std::uint64_t end = std::min<std::uint64_t>(size_, position_ + largestRunLengthRow());
        auto bytes = window_->forward(position_, end);
        if (!bytes)
            return unexpected(bytes.error());
        rle_.setInput(*bytes, static_cast<std::size_t>(end - position_), position_);
        if (const Status decoded = decodeRunLengthRow(); !decoded)
            return unexpected(decoded.error());
        position_ = rle_.position();
        return buffers_.row.data();
    }
    const TgaRowStart& start = buffers_.rowStarts[static_cast<std::size_t>(fileRow)];
    auto bytes = window_->backward(start.packet, start.end);
    if (!bytes)
        return unexpected(bytes.error());
    rle_.setInput(*bytes, start.end - start.packet, start.packet);
    // The first pass found this row whole; anything else now means the file changed since.
    if (!rle_.startInsidePacket(start.used))
        return unexpected(Failure::of(FailureCause::ChangedWhileRead));
    if (const Status decoded = decodeRunLengthRow(); !decoded) {
        const Failure& failure = decoded.error();
        return unexpected(failure.cause == FailureCause::BadTga && failure.tga == TgaError::TruncatedPixels
                              ? Failure::of(FailureCause::ChangedWhileRead) : failure);
    }
    if (rle_.position() != start.end)
        return unexpected(Failure::of(FailureCause::ChangedWhileRead));
    return buffers_.row.data();
}

// The next row from the packets at hand, whatever their state.
Status TgaRowSource::decodeRunLengthRow()
{
    std::uint8_t* row = buffers_.row.data();
    if (converter_->copiesAsIs()) {
        if (const auto read = rle_.read(row, header_.width); !read)
            return unexpected(Failure::badTga(read.error()));
        converter_->putInOrder(row);
        return ok();
    }
    if (const auto read = rle_.read(buffers_.raw.data(), header_.width); !read)
        return unexpected(Failure::badTga(read.error()));
    if (!converter_->convertRow(buffers_.raw.data(), row))
        return unexpected(Failure::badTga(TgaError::ColorIndexOutOfRange));
    return ok();
}

Expected<ContentDigest, Failure> TgaRowSource::finish()
{
    if (layout_ == Layout::RunLengthTopFirst && rle_.packetUnfinished())
        return unexpected(Failure::badTga(TgaError::RunOverflowsImage));
    if (const Status swept = window_->finishSweep(); !swept)
        return unexpected(swept.error());
    if (layout_ == Layout::RunLengthIndexed && !(indexDigest_ == rowsDigest_))
        return unexpected(Failure::of(FailureCause::ChangedWhileRead));
    ContentDigest whole = headDigest_;
    whole.include(rowsDigest_);
    if (whole.bytesAdded() != size_)
        return unexpected(Failure::of(FailureCause::Unexpected));
    return whole;
}

} // namespace pellora

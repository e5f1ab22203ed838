#pragma once

#include "platform/Expected.h"
#include "platform/Failure.h"
#include "platform/io/ContentDigest.h"
#include "platform/io/FileWindow.h"
#include "platform/io/UninitializedBytes.h"
#include "platform/jpeg/PixelFormat.h"
#include "platform/tga/TgaHeader.h"
#include "platform/tga/TgaRleReader.h"
#include "platform/tga/TgaRowConverter.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pellora {

// Where one stored row of a run-length file starts (the packet that holds its
// first pixel, and how many of that packet's pixels belong to the row before)
// and where its bytes end.
struct TgaRowStart {
    std::uint32_t packet = 0;
    std::uint32_t end = 0;
    std::uint8_t used = 0;
};

// What a worker keeps from one file to the next, so that once grown to the
// largest picture it converts nothing more is allocated.
struct TgaReadBuffers {
    UninitializedBytes head, window, row, raw;
    std::vector<TgaRowStart> rowStarts;
};

// A strict TGA decoder that hands out a picture's rows top to bottom, in the
// form the JPEG encoder takes, reading the open file a strip at a time: types
// 1, 2, 3 and their run-length forms 9, 10, 11, every origin. Memory stays the
// same whatever the picture's size. Anything malformed is refused with its
// cause. Along the way it builds the digest of the bytes the rows came from.
class TgaRowSource {
public:
    static constexpr std::size_t kStripBytes = std::size_t{1} << 20;
    // Images above this many pixels are refused before anything is allocated.
    static constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

    // `digestContent`: hash every byte read, for a check before the file is
    // deleted. `stripBytes` is how much is read at a time (less only to try
    // strip boundaries).
    TgaRowSource(const FileHandle& file, std::uint64_t fileSize, TgaReadBuffers& buffers, bool digestContent = true,
                 std::size_t stripBytes = kStripBytes);
    TgaRowSource(const TgaRowSource&) = delete;
    TgaRowSource& operator=(const TgaRowSource&) = delete;

    // Reads and checks the header and colour map. A run-length file stored
    // bottom row first is walked once here to find where each row starts.
    [[nodiscard]] Status open();

    int width() const { return header_.width; }
    int height() const { return header_.height; }
    PixelFormat pixelFormat() const { return converter_->pixelFormat(); }

    // The next row down; valid until the next call.
    [[nodiscard]] Expected<const std::uint8_t*, Failure> nextRow();

    // After the last row: the last checks, and the digest of the whole file
    // as it was read.
    [[nodiscard]] Expected<ContentDigest, Failure> finish();

private:
    enum class Layout { Raw, RunLengthTopFirst, RunLengthIndexed };

    Status readHead();
    void prepareRows();
    Status checkPixelDataLength() const;
    Status indexRows();
    Status decodeRunLengthRow();
    Expected<const std::uint8_t*, Failure> rawRow(int fileRow);
    Expected<const std::uint8_t*, Failure> runLengthRow(int fileRow);
    std::size_t largestRunLengthRow() const;

    const FileHandle& file_;
    std::uint64_t size_;
    TgaReadBuffers& buffers_;
    std::size_t stripBytes_;
    TgaHeader header_;
    std::size_t headBytes_ = 0;
    Layout layout_ = Layout::Raw;
    std::optional<TgaRowConverter> converter_;
    std::optional<FileWindow> window_;
    TgaRleReader rle_{1};
    ContentDigest headDigest_, indexDigest_, rowsDigest_;
    std::uint64_t position_ = 0; // next packet byte, for a run-length file read top row first
    int nextPictureRow_ = 0;
};

} // namespace pellora

#include "batch/ConvertTgaToJpeg.h"

#include "platform/DurableFileWriter.h"
#include "platform/FileReader.h"
#include "platform/JpegEncoder.h"
#include "platform/TgaDecoder.h"

#include <exception>

namespace pellora {

namespace {

std::int16_t convert(const std::filesystem::path& source, const std::filesystem::path& destination, int quality)
{
    const auto file = FileReader::readAll(source);
    if (!file)
        return ResultCode::DecodeFailed;
    const auto image = TgaDecoder::decode(file->bytes);
    if (!image)
        return ResultCode::DecodeFailed;

    // One compressor and output buffer per thread, reused for every file.
    thread_local JpegEncoder encoder;
    const auto jpeg = encoder.encode(image->view(), quality);
    if (!jpeg)
        return static_cast<std::int16_t>(JpegWriteStatus::EncoderFailed);
    return static_cast<std::int16_t>(DurableFileWriter::write(destination, *jpeg, file->modificationTime));
}

} // namespace

std::int16_t ConvertTgaToJpeg(const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality)
{
    if (quality < 0 || quality > 255)
        return ResultCode::UnexpectedFailure;
    try {
        return convert(source, destination, quality);
    } catch (const std::exception&) {
        return ResultCode::UnexpectedFailure;
    }
}

} // namespace pellora

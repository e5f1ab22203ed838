#include "batch/ConvertTgaToJpeg.h"

#include "platform/DurableFileWriter.h"
#include "platform/JpegEncoder.h"
#include "platform/TgaDecoder.h"

#include <exception>

namespace pellora {

namespace {

Expected<StagedFile, std::int16_t> stage(const FileReader::Contents& file,
                                         const std::filesystem::path& destination, int quality)
{
    const auto image = TgaDecoder::decode(file.bytes);
    if (!image)
        return unexpected(ResultCode::DecodeFailed);

    // One compressor and output buffer per thread, reused for every file.
    thread_local JpegEncoder encoder;
    const auto jpeg = encoder.encode(image->view(), quality);
    if (!jpeg)
        return unexpected(static_cast<std::int16_t>(JpegWriteStatus::EncoderFailed));
    auto staged = DurableFileWriter::stage(destination, *jpeg, file.modificationTime);
    if (!staged)
        return unexpected(static_cast<std::int16_t>(staged.error()));
    return std::move(*staged);
}

} // namespace

Expected<StagedFile, std::int16_t> StageTgaAsJpeg(const FileReader::Contents& file,
                                                  const std::filesystem::path& destination, int quality)
{
    if (quality < 0 || quality > 255)
        return unexpected(ResultCode::UnexpectedFailure);
    try {
        return stage(file, destination, quality);
    } catch (const std::exception&) {
        return unexpected(ResultCode::UnexpectedFailure);
    }
}

Expected<StagedFile, std::int16_t> StageTgaAsJpeg(const std::filesystem::path& source,
                                                  const std::filesystem::path& destination, int quality)
{
    if (quality < 0 || quality > 255)
        return unexpected(ResultCode::UnexpectedFailure);
    try {
        const auto file = FileReader::readAll(source);
        if (!file)
            return unexpected(ResultCode::DecodeFailed);
        return stage(*file, destination, quality);
    } catch (const std::exception&) {
        return unexpected(ResultCode::UnexpectedFailure);
    }
}

std::int16_t CommitStagedJpeg(StagedFile& staged)
{
    try {
        return static_cast<std::int16_t>(staged.commit());
    } catch (const std::exception&) {
        return ResultCode::UnexpectedFailure;
    }
}

std::int16_t ConvertTgaToJpeg(const std::filesystem::path& source, const std::filesystem::path& destination,
                              int quality)
{
    auto staged = StageTgaAsJpeg(source, destination, quality);
    if (!staged)
        return staged.error();
    return CommitStagedJpeg(*staged);
}

} // namespace pellora

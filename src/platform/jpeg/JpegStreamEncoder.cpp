#include "platform/jpeg/JpegStreamEncoder.h"

#include "platform/io/WriteAll.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace pellora {

struct JpegStreamEncoder::Codec {
    jpeg_compress_struct compressor{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    std::jmp_buf jump{};
    std::vector<JOCTET> buffer = std::vector<JOCTET>(std::size_t{256} << 10);
    const FileHandle* file = nullptr;
    int writeError = 0; // errno of a failed write, 0 when libjpeg itself failed
    bool created = false;
    bool started = false;
};

namespace {

using Codec = JpegStreamEncoder::Codec;

Codec& codecOf(j_common_ptr info)
{
    return *static_cast<Codec*>(info->client_data);
}

// libjpeg's error exit must not return: it jumps back to the guarded call.
[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(codecOf(info).jump, 1);
}

// Warnings and traces are not the user's business.
void stayQuiet(j_common_ptr) {}

void startBuffer(j_compress_ptr compressor)
{
    Codec& codec = codecOf(reinterpret_cast<j_common_ptr>(compressor));
    codec.destination.next_output_byte = codec.buffer.data();
    codec.destination.free_in_buffer = codec.buffer.size();
}

void writeOut(j_compress_ptr compressor, std::size_t bytes)
{
    Codec& codec = codecOf(reinterpret_cast<j_common_ptr>(compressor));
    if (const Status written = writeAll(*codec.file, codec.buffer.data(), bytes); !written) {
        codec.writeError = written.error().systemError;
        ERREXIT(compressor, JERR_FILE_WRITE);
    }
}

boolean flushFullBuffer(j_compress_ptr compressor)
{
    writeOut(compressor, codecOf(reinterpret_cast<j_common_ptr>(compressor)).buffer.size());
    startBuffer(compressor);
    return TRUE;
}

void flushRest(j_compress_ptr compressor)
{
    Codec& codec = codecOf(reinterpret_cast<j_common_ptr>(compressor));
    writeOut(compressor, codec.buffer.size() - codec.destination.free_in_buffer);
}

J_COLOR_SPACE colorSpaceOf(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Gray: return JCS_GRAYSCALE;
    case PixelFormat::Bgr: return JCS_EXT_BGR;
    case PixelFormat::Bgrx: return JCS_EXT_BGRX;
    }
    return JCS_EXT_BGRX;
}

// The settings of every JPEG we write.
void configure(jpeg_compress_struct& compressor, PixelFormat format, int quality)
{
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, quality, TRUE);
    compressor.dct_method = JDCT_ISLOW;
    if (format == PixelFormat::Gray) {
        jpeg_set_colorspace(&compressor, JCS_GRAYSCALE);
        return;
    }
    jpeg_set_colorspace(&compressor, JCS_YCbCr);
    compressor.comp_info[0].h_samp_factor = 2;
    compressor.comp_info[0].v_samp_factor = 2;
    for (int i = 1; i < 3; ++i)
        compressor.comp_info[i].h_samp_factor = compressor.comp_info[i].v_samp_factor = 1;
}

// The libjpeg calls of one step. An error inside them comes back to the
// setjmp here; nothing between it and libjpeg owns anything to clean up.
template <typename Calls>
bool guarded(Codec& codec, const Calls& calls)
{
    if (setjmp(codec.jump) != 0)
        return false;
    calls();
    return true;
}

} // namespace

JpegStreamEncoder::JpegStreamEncoder() : codec_(std::make_unique<Codec>())
{
    Codec& codec = *codec_;
    codec.compressor.err = jpeg_std_error(&codec.errors);
    codec.errors.error_exit = jumpBack;
    codec.errors.output_message = stayQuiet;
    codec.compressor.client_data = &codec;
    codec.created = guarded(codec, [&] { jpeg_create_compress(&codec.compressor); });
    codec.destination.init_destination = startBuffer;
    codec.destination.empty_output_buffer = flushFullBuffer;
    codec.destination.term_destination = flushRest;
}

JpegStreamEncoder::~JpegStreamEncoder()
{
    if (codec_->created)
        jpeg_destroy_compress(&codec_->compressor);
}

int JpegStreamEncoder::clampQuality(int quality)
{
    return std::clamp(quality, 1, 100);
}

Status JpegStreamEncoder::start(const FileHandle& file, int width, int height, PixelFormat format, int quality)
{
    abandon();
    Codec& codec = *codec_;
    if (!codec.created)
        return unexpected(Failure::of(FailureCause::EncoderFailed));
    codec.file = &file;
    codec.writeError = 0;
    jpeg_compress_struct& compressor = codec.compressor;
    compressor.dest = &codec.destination;
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.in_color_space = colorSpaceOf(format);
    compressor.input_components = bytesPerPixel(format);
    const int clamped = clampQuality(quality);
    codec.started = true;
    if (!guarded(codec, [&] {
            configure(compressor, format, clamped);
            jpeg_start_compress(&compressor, TRUE);
        }))
        return unexpected(Failure::of(FailureCause::EncoderFailed));
    return ok();
}

Status JpegStreamEncoder::writeRow(const std::uint8_t* row)
{
    Codec& codec = *codec_;
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)}; // libjpeg only reads it
    if (guarded(codec, [&] { jpeg_write_scanlines(&codec.compressor, rows, 1); }))
        return ok();
    return unexpected(failedStep());
}

Failure JpegStreamEncoder::failedStep()
{
    const int writeError = codec_->writeError;
    abandon();
    return writeError != 0 ? Failure::of(FailureCause::CannotWrite, writeError)
                           : Failure::of(FailureCause::EncoderFailed);
}

Status JpegStreamEncoder::finish()
{
    Codec& codec = *codec_;
    if (guarded(codec, [&] { jpeg_finish_compress(&codec.compressor); })) {
        codec.started = false;
        codec.file = nullptr; // the file may go now
        return ok();
    }
    return unexpected(failedStep());
}

void JpegStreamEncoder::abandon()
{
    if (codec_->started)
        jpeg_abort_compress(&codec_->compressor);
    codec_->started = false;
    codec_->file = nullptr; // the file may go now
}

} // namespace pellora

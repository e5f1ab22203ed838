#include "platform/tga/TgaError.h"

namespace pellora {

const char* describe(TgaError error)
{
    switch (error) {
    case TgaError::TruncatedHeader: return "file ends inside the header or image ID";
    case TgaError::UnsupportedImageType: return "image type is not 1, 2, 3, 9, 10 or 11";
    case TgaError::UnsupportedPixelDepth: return "pixel depth does not suit the image type";
    case TgaError::BadColorMapSpec: return "colour map missing, unexpected or malformed";
    case TgaError::ZeroDimension: return "width or height is zero";
    case TgaError::TooManyPixels: return "image has more pixels than the decoder accepts";
    case TgaError::InterleavedRows: return "interleaved rows are not supported";
    case TgaError::TruncatedColorMap: return "file ends inside the colour map";
    case TgaError::TruncatedPixels: return "file ends inside the pixel data";
    case TgaError::ColorIndexOutOfRange: return "pixel refers to a colour map entry that does not exist";
    case TgaError::RunOverflowsImage: return "run-length packet runs past the end of the image";
    }
    return "unknown TGA error";
}

} // namespace pellora

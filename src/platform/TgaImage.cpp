#include "platform/TgaImage.h"

#include <utility>

namespace pellora {

TgaImage TgaImage::borrowed(const PixelView& view)
{
    TgaImage image;
    image.view_ = view;
    return image;
}

TgaImage TgaImage::owning(UninitializedBytes storage, PixelView view)
{
    TgaImage image;
    image.storage_ = std::move(storage);
    image.view_ = view;
    return image;
}

} // namespace pellora

#pragma once

#include "platform/PixelView.h"
#include "platform/UninitializedBytes.h"

#include <cstdint>
#include <vector>

namespace pellora {

// A decoded TGA picture. Either it owns its pixel rows, or (for uncompressed
// 24- and 32-bit files, what games write most) it points straight into the
// file buffer it was decoded from, which must then outlive it. Move-only, so
// the view never dangles into a copy.
class TgaImage {
public:
    // Borrows rows that live in the caller's buffer.
    static TgaImage borrowed(const PixelView& view);
    // Owns `storage`; `view.data` must point into it.
    static TgaImage owning(UninitializedBytes storage, PixelView view);

    TgaImage(TgaImage&&) noexcept = default;
    TgaImage& operator=(TgaImage&&) noexcept = default;
    TgaImage(const TgaImage&) = delete;
    TgaImage& operator=(const TgaImage&) = delete;

    const PixelView& view() const { return view_; }
    int width() const { return view_.width; }
    int height() const { return view_.height; }
    bool ownsPixels() const { return !storage_.empty(); }

private:
    TgaImage() = default;
    UninitializedBytes storage_;
    PixelView view_;
};

} // namespace pellora

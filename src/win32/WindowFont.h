#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace pellora::win32 {

// The font of every control: the system's own UI font (the one its message
// boxes use: Yu Gothic UI on a Japanese Windows 10 or 11, Meiryo UI or MS UI
// Gothic on older ones) at the monitor's DPI. The layout is fixed in twips, so
// when the system's font is too wide for it (a larger text size chosen in
// Windows' settings, or a font whose kana are full width), the font is made
// smaller, as far as needed for every caption to fit its room and no smaller
// than 10 pixels at 96 DPI.
class WindowFont {
public:
    // A caption and the pixels the control leaves its text.
    struct Room {
        std::wstring_view caption;
        int width;
    };

    static WindowFont fitting(unsigned dpi, std::span<const Room> rooms);
    // The system's font at that DPI, as it is.
    static LOGFONTW systemFont(unsigned dpi);
    // How wide `caption` is in `font`, without its access-key marks.
    static int widthOf(HFONT font, std::wstring_view caption);

    HFONT handle() const { return font_.get(); }
    // Character height in pixels (the face's em size).
    int height() const { return height_; }
    const std::wstring& face() const { return face_; }

private:
    struct Deleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using Handle = std::unique_ptr<std::remove_pointer_t<HFONT>, Deleter>;

    WindowFont(Handle font, int height, std::wstring face);
    static Handle create(LOGFONTW font);
    static bool fits(HFONT font, std::span<const Room> rooms);

    Handle font_;
    int height_;
    std::wstring face_;
};

} // namespace pellora::win32

#include "win32/WindowFont.h"

#include "win32/WindowLayout.h"

#include <algorithm>
#include <cstdlib>

namespace pellora::win32 {

namespace {

constexpr int kSmallestDesignHeight = 10;

// A screen DC with `font` selected, for measuring.
class MeasuringDc {
public:
    explicit MeasuringDc(HFONT font) : dc_(GetDC(nullptr)), previous_(SelectObject(dc_, font)) {}
    ~MeasuringDc()
    {
        SelectObject(dc_, previous_);
        ReleaseDC(nullptr, dc_);
    }
    MeasuringDc(const MeasuringDc&) = delete;
    MeasuringDc& operator=(const MeasuringDc&) = delete;

    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// What a control shows of its caption: "&&" is one "&", a single "&" nothing.
std::wstring shownText(std::wstring_view caption)
{
    std::wstring shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

} // namespace

WindowFont::WindowFont(Handle font, int height, std::wstring face)
    : font_(std::move(font)), height_(height), face_(std::move(face))
{
}

LOGFONTW WindowFont::systemFont(unsigned dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    // Where even that fails, Windows' own dialog font at 9 points.
    LOGFONTW fallback{};
    fallback.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);
    fallback.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(fallback.lfFaceName, L"MS Shell Dlg 2");
    return fallback;
}

WindowFont::Handle WindowFont::create(LOGFONTW font)
{
    return Handle(CreateFontIndirectW(&font));
}

int WindowFont::widthOf(HFONT font, std::wstring_view caption)
{
    const std::wstring shown = shownText(caption);
    const MeasuringDc dc(font);
    SIZE size{};
    if (!GetTextExtentPoint32W(dc.get(), shown.c_str(), static_cast<int>(shown.size()), &size))
        return 0;
    return size.cx;
}

bool WindowFont::fits(HFONT font, std::span<const Room> rooms)
{
    return std::all_of(rooms.begin(), rooms.end(),
                       [font](const Room& room) { return widthOf(font, room.caption) <= room.width; });
}

WindowFont WindowFont::fitting(unsigned dpi, std::span<const Room> rooms)
{
    LOGFONTW wanted = systemFont(dpi);
    // A positive height counts the line's leading too; the em size is what
    // the loop below steps through.
    int height = std::abs(wanted.lfHeight);
    const int smallest = std::min(height, WindowLayout(dpi).scaled(kSmallestDesignHeight));
    wanted.lfHeight = -height;
    Handle font = create(wanted);
    while (font && height > smallest && !fits(font.get(), rooms)) {
        wanted.lfHeight = -(--height);
        font = create(wanted);
    }
    if (!font) // no font to be had: the system's stock one, which deleting leaves alone
        font.reset(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    return WindowFont(std::move(font), height, wanted.lfFaceName);
}

} // namespace pellora::win32

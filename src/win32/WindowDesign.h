#pragma once

#include <array>
#include <cstddef>

namespace pellora::win32 {

// The window as designed, in twips (1/1440 inch) from the top left corner of
// the client area: every control, its kind and its caption. Everything that
// places, creates or tests a control starts from this one table.
namespace windowDesign {

// In tab order: the controls up to ExitButton take the keyboard focus, in
// this order; the rest never do.
enum class Control {
    InputFolderBox,
    InputBrowseButton,
    OutputFolderBox,
    OutputBrowseButton,
    PrefixBox,
    QualityBar,
    DeleteSourcesCheck,
    LogCheck,
    ResultList,
    MoveButton,
    ExitButton,
    InputFolderCaption,
    OutputFolderCaption,
    PrefixCaption,
    LogCaption,
    QualityCaption,
    QualityLabel,
    ProgressBar,
};

enum class Kind { TextBox, PushButton, CheckBox, ScrollBar, ListBox, Label, ValueLabel, ProgressBar };

struct TwipRect {
    int left, top, width, height;
};

struct Row {
    Control control;
    Kind kind;
    TwipRect place;
    // An "&" marks the access key. nullptr: the window fills it in.
    const wchar_t* caption;
};

inline constexpr TwipRect kClientArea{0, 0, 6720, 4320};

inline constexpr std::array kRows{
    Row{Control::InputFolderBox, Kind::TextBox, {1440, 120, 4095, 315}, nullptr},
    Row{Control::InputBrowseButton, Kind::PushButton, {5640, 120, 975, 315}, L"参照(&I)..."},
    Row{Control::OutputFolderBox, Kind::TextBox, {1440, 540, 4095, 315}, nullptr},
    Row{Control::OutputBrowseButton, Kind::PushButton, {5640, 540, 975, 315}, L"参照(&O)..."},
    Row{Control::PrefixBox, Kind::TextBox, {1440, 960, 2055, 315}, nullptr},
    Row{Control::QualityBar, Kind::ScrollBar, {1980, 1380, 1515, 315}, nullptr},
    Row{Control::DeleteSourcesCheck, Kind::CheckBox, {3660, 1380, 2895, 315}, L"元のスクリーンショットは削除する"},
    Row{Control::LogCheck, Kind::CheckBox, {1020, 1860, 2115, 255}, L"動作ログを保存する"},
    Row{Control::ResultList, Kind::ListBox, {60, 2220, 5355, 1680}, nullptr},
    Row{Control::MoveButton, Kind::PushButton, {5460, 2760, 1215, 495}, L"移動(&M)"},
    Row{Control::ExitButton, Kind::PushButton, {5460, 3360, 1215, 495}, L"終了(&X)"},
    Row{Control::InputFolderCaption, Kind::Label, {60, 180, 1335, 255}, L"コピー元フォルダ"},
    Row{Control::OutputFolderCaption, Kind::Label, {60, 600, 1335, 255}, L"コピー先フォルダ"},
    Row{Control::PrefixCaption, Kind::Label, {60, 1020, 1215, 255}, L"ファイル名"},
    Row{Control::LogCaption, Kind::Label, {60, 1860, 915, 255}, L"動作ログ"},
    Row{Control::QualityCaption, Kind::Label, {60, 1440, 1215, 255}, L"保存クオリティ"},
    Row{Control::QualityLabel, Kind::ValueLabel, {1440, 1380, 435, 315}, nullptr},
    Row{Control::ProgressBar, Kind::ProgressBar, {0, 3945, 6720, 375}, nullptr},
};

inline constexpr std::size_t kControlCount = kRows.size();

constexpr const Row& row(Control control)
{
    return kRows[static_cast<std::size_t>(control)];
}

constexpr bool takesFocus(Kind kind)
{
    return kind != Kind::Label && kind != Kind::ValueLabel && kind != Kind::ProgressBar;
}

// The window identifier of a control: clear of IDOK and IDCANCEL, which the
// dialog manager sends for Enter and Esc.
constexpr int commandId(Control control)
{
    return 100 + static_cast<int>(control);
}

} // namespace windowDesign
} // namespace pellora::win32

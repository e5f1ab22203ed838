#include "platform/FailureTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace pellora {

namespace {

struct CauseRow {
    FailureCause cause;
    std::int16_t listCode;
    const char* japanese;
    bool withSystemReason; // the system's reason follows, in parentheses
    const char* english;
};

// Every cause once. Only a source's removal fails with CannotDelete or
// ReadOnly, never a conversion, hence their unexpected code.
constexpr CauseRow kCauses[] = {
    {FailureCause::CannotRead, ResultCode::DecodeFailed, "ファイルを読み込めません", true, "cannot be read"},
    {FailureCause::NotRegularFile, ResultCode::DecodeFailed, "通常のファイルではありません", false,
     "is not a regular file"},
    {FailureCause::TooLarge, ResultCode::DecodeFailed, "ファイルが大きすぎます", false, "is larger than"},
    {FailureCause::ChangedWhileRead, ResultCode::DecodeFailed, "読み込み中にファイルが書き換えられました", false,
     "changed while it was read"},
    {FailureCause::BadTga, ResultCode::DecodeFailed, "TGA ファイルとして読めません", false, "is no TGA file"},
    {FailureCause::EncoderFailed, ResultCode::EncoderFailed, "JPEG に変換できません", false,
     "cannot be converted to JPEG"},
    {FailureCause::CannotCreate, ResultCode::CannotCreate, "コピー先にファイルを作成できません", true,
     "cannot be created"},
    {FailureCause::CannotWrite, ResultCode::CannotWrite, "JPEG ファイルを書き込めません", true, "cannot be written"},
    {FailureCause::DestinationExists, ResultCode::DestinationExists, "同じ名前のファイルがコピー先にあります", false,
     "exists already"},
    {FailureCause::CannotCommit, ResultCode::CannotCommit, "JPEG ファイルを保存できません", true, "cannot be saved"},
    {FailureCause::CannotDelete, ResultCode::UnexpectedFailure, "ファイルを削除できません", true,
     "cannot be deleted"},
    {FailureCause::ReadOnly, ResultCode::UnexpectedFailure, "読み取り専用のファイルです", false, "is read-only"},
    {FailureCause::Unexpected, ResultCode::UnexpectedFailure, "予期しないエラーが発生しました", false,
     "failed unexpectedly"},
};

struct SystemErrorRow {
    int number;
    const char* japanese;
};

constexpr SystemErrorRow kSystemErrors[] = {
    {ENOENT, "フォルダまたはファイルが見つかりません。"},
    {ENOTDIR, "フォルダではありません。"},
    {EACCES, "アクセスが拒否されました。"},
    {EPERM, "アクセスが拒否されました。"},
    {EIO, "ディスクの読み書き中にエラーが発生しました。"},
    {ENOSPC, "ディスクの空き容量が足りません。"},
    // Past the file size limit the system set for the user (ulimit -f).
    {EFBIG, "ファイルが大きすぎます。"},
    {EROFS, "書き込み禁止のディスクです。"},
    {EMFILE, "開いているファイルが多すぎます。"},
    {ENFILE, "開いているファイルが多すぎます。"},
    {ENOMEM, "メモリが不足しています。"},
    {ENAMETOOLONG, "パス名が長すぎます。"},
    {ELOOP, "シンボリックリンクが多すぎます。"},
    {EINVAL, "パラメーターが間違っています。"},
    {EEXIST, "既に存在するファイルを作成することはできません。"},
    {EBUSY, "ファイルは使用中です。"},
    {EISDIR, "フォルダです。"},
    {EOPNOTSUPP, "この操作はサポートされていません。"},
};
constexpr const char* kUnknownSystemError = "予期しないエラーが発生しました。";

struct TgaRow {
    TgaError error;
    const char* japanese;
    const char* english;
};

constexpr TgaRow kTgaErrors[] = {
    {TgaError::TruncatedHeader, "ヘッダーが短すぎます", "file ends inside the header or image ID"},
    {TgaError::UnsupportedImageType, "対応していない画像の種類です", "image type is not 1, 2, 3, 9, 10 or 11"},
    {TgaError::UnsupportedPixelDepth, "対応していない色数です", "pixel depth does not suit the image type"},
    {TgaError::BadColorMapSpec, "カラーマップの指定が正しくありません", "colour map missing, unexpected or malformed"},
    {TgaError::ZeroDimension, "幅または高さが 0 です", "width or height is zero"},
    {TgaError::TooManyPixels, "画像が大きすぎます", "image has more pixels than the decoder accepts"},
    {TgaError::InterleavedRows, "インターレースの画像には対応していません", "interleaved rows are not supported"},
    {TgaError::TruncatedColorMap, "カラーマップの途中でファイルが終わっています", "file ends inside the colour map"},
    {TgaError::TruncatedPixels, "画像データの途中でファイルが終わっています", "file ends inside the pixel data"},
    {TgaError::ColorIndexOutOfRange, "カラーマップにない色番号があります",
     "pixel refers to a colour map entry that does not exist"},
    {TgaError::RunOverflowsImage, "圧縮データが画像の終わりを越えています",
     "run-length packet runs past the end of the image"},
};

template <typename Row, std::size_t N, typename Key>
const Row* find(const Row (&table)[N], Key key, Key Row::*column)
{
    const auto* row = std::find_if(std::begin(table), std::end(table), [&](const Row& r) { return r.*column == key; });
    return row == std::end(table) ? nullptr : row;
}

const CauseRow& rowOf(FailureCause cause)
{
    const CauseRow* row = find(kCauses, cause, &CauseRow::cause);
    return row ? *row : kCauses[std::size(kCauses) - 1];
}

constexpr std::string_view kOpen = "（";
constexpr std::string_view kClose = "）";
constexpr std::string_view kFullStop = "。";

} // namespace

std::int16_t resultCodeOf(const Failure& failure)
{
    return rowOf(failure.cause).listCode;
}

std::string systemErrorText(int errorNumber)
{
    const SystemErrorRow* row = find(kSystemErrors, errorNumber, &SystemErrorRow::number);
    return row ? row->japanese : kUnknownSystemError;
}

std::string becauseOf(int errorNumber)
{
    std::string text = systemErrorText(errorNumber);
    if (text.ends_with(kFullStop))
        text.resize(text.size() - kFullStop.size());
    return std::string(kOpen) + text + std::string(kClose);
}

std::string tgaErrorText(TgaError error)
{
    const TgaRow* row = find(kTgaErrors, error, &TgaRow::error);
    return row ? row->japanese : "形式が正しくありません";
}

const char* describe(TgaError error)
{
    const TgaRow* row = find(kTgaErrors, error, &TgaRow::error);
    return row ? row->english : "unknown TGA error";
}

std::string failureReason(const Failure& failure)
{
    const CauseRow& row = rowOf(failure.cause);
    std::string text = row.japanese;
    if (failure.cause == FailureCause::BadTga)
        text += std::string(kOpen) + tgaErrorText(failure.tga) + std::string(kClose);
    else if (row.withSystemReason)
        text += becauseOf(failure.systemError);
    return text;
}

std::string englishReason(const Failure& failure)
{
    const CauseRow& row = rowOf(failure.cause);
    if (!row.withSystemReason)
        return row.english;
    if (failure.systemError == ENOENT)
        return "does not exist";
    return std::string(row.english) + " (" + std::strerror(failure.systemError) + ")";
}

} // namespace pellora

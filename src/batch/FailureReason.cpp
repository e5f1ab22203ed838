#include "batch/FailureReason.h"

#include <cerrno>

namespace pellora {

namespace {

QString tgaReason(TgaError error)
{
    switch (error) {
    case TgaError::TruncatedHeader: return QStringLiteral("ヘッダーが短すぎます");
    case TgaError::UnsupportedImageType: return QStringLiteral("対応していない画像の種類です");
    case TgaError::UnsupportedPixelDepth: return QStringLiteral("対応していない色数です");
    case TgaError::BadColorMapSpec: return QStringLiteral("カラーマップの指定が正しくありません");
    case TgaError::ZeroDimension: return QStringLiteral("幅または高さが 0 です");
    case TgaError::TooManyPixels: return QStringLiteral("画像が大きすぎます");
    case TgaError::InterleavedRows: return QStringLiteral("インターレースの画像には対応していません");
    case TgaError::TruncatedColorMap: return QStringLiteral("カラーマップの途中でファイルが終わっています");
    case TgaError::TruncatedPixels: return QStringLiteral("画像データの途中でファイルが終わっています");
    case TgaError::ColorIndexOutOfRange: return QStringLiteral("カラーマップにない色番号があります");
    case TgaError::RunOverflowsImage: return QStringLiteral("圧縮データが画像の終わりを越えています");
    }
    return QStringLiteral("形式が正しくありません");
}

// The system's reason as a clause in parentheses, without its full stop.
QString because(int systemError)
{
    QString text = systemErrorText(systemError);
    if (text.endsWith(u'。'))
        text.chop(1);
    return QStringLiteral("（") + text + QStringLiteral("）");
}

} // namespace

QString systemErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT: return QStringLiteral("フォルダまたはファイルが見つかりません。");
    case ENOTDIR: return QStringLiteral("フォルダではありません。");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが拒否されました。");
    case EIO: return QStringLiteral("ディスクの読み書き中にエラーが発生しました。");
    case ENOSPC: return QStringLiteral("ディスクの空き容量が足りません。");
    // Past the file size limit the system set for the user (ulimit -f).
    case EFBIG: return QStringLiteral("ファイルが大きすぎます。");
    case EROFS: return QStringLiteral("書き込み禁止のディスクです。");
    case EMFILE:
    case ENFILE: return QStringLiteral("開いているファイルが多すぎます。");
    case ENOMEM: return QStringLiteral("メモリが不足しています。");
    case ENAMETOOLONG: return QStringLiteral("パス名が長すぎます。");
    case ELOOP: return QStringLiteral("シンボリックリンクが多すぎます。");
    case EINVAL: return QStringLiteral("パラメーターが間違っています。");
    case EEXIST: return QStringLiteral("既に存在するファイルを作成することはできません。");
    case EBUSY: return QStringLiteral("ファイルは使用中です。");
    case EISDIR: return QStringLiteral("フォルダです。");
    case EOPNOTSUPP: return QStringLiteral("この操作はサポートされていません。");
    default: return QStringLiteral("予期しないエラーが発生しました。");
    }
}

QString keptReason(const SourceKept& kept)
{
    switch (kept.because) {
    case SourceKept::Because::ReadBeforeDeleteWasOn:
        return QStringLiteral("元の TGA ファイルは削除する設定になる前に読み込んだため残しました");
    case SourceKept::Because::JpegGone:
        return QStringLiteral("JPEG ファイルが見つからないため、元の TGA ファイルを残しました");
    case SourceKept::Because::Changed:
        return QStringLiteral("元の TGA ファイルは読み込んだ後に書き換えられたため残しました");
    case SourceKept::Because::Failed: break;
    }
    switch (kept.failure.cause) {
    case FailureCause::ReadOnly: return QStringLiteral("元の TGA ファイルは読み取り専用のため残しました");
    case FailureCause::CannotDelete:
        return QStringLiteral("元の TGA ファイルを削除できないため残しました") + because(kept.failure.systemError);
    case FailureCause::CannotRead:
        return QStringLiteral("元の TGA ファイルを確かめられないため残しました") + because(kept.failure.systemError);
    default: return QStringLiteral("元の TGA ファイルを残しました（") + failureReason(kept.failure) + QStringLiteral("）");
    }
}

QString failureReason(const Failure& failure)
{
    switch (failure.cause) {
    case FailureCause::CannotRead: return QStringLiteral("ファイルを読み込めません") + because(failure.systemError);
    case FailureCause::NotRegularFile: return QStringLiteral("通常のファイルではありません");
    case FailureCause::TooLarge: return QStringLiteral("ファイルが大きすぎます");
    case FailureCause::ChangedWhileRead: return QStringLiteral("読み込み中にファイルが書き換えられました");
    case FailureCause::BadTga:
        return QStringLiteral("TGA ファイルとして読めません（") + tgaReason(failure.tga) + QStringLiteral("）");
    case FailureCause::EncoderFailed: return QStringLiteral("JPEG に変換できません");
    case FailureCause::CannotCreate:
        return QStringLiteral("コピー先にファイルを作成できません") + because(failure.systemError);
    case FailureCause::CannotWrite:
        return QStringLiteral("JPEG ファイルを書き込めません") + because(failure.systemError);
    case FailureCause::DestinationExists: return QStringLiteral("同じ名前のファイルがコピー先にあります");
    case FailureCause::CannotCommit:
        return QStringLiteral("JPEG ファイルを保存できません") + because(failure.systemError);
    case FailureCause::CannotDelete: return QStringLiteral("ファイルを削除できません") + because(failure.systemError);
    case FailureCause::ReadOnly: return QStringLiteral("読み取り専用のファイルです");
    case FailureCause::Unexpected: break;
    }
    return QStringLiteral("予期しないエラーが発生しました");
}

} // namespace pellora

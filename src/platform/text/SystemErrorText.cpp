#include "platform/text/SystemErrorText.h"

#include <cerrno>

namespace pellora {

QString SystemErrorText::japanese(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT: return QStringLiteral("フォルダまたはファイルが見つかりません。");
    case ENOTDIR: return QStringLiteral("フォルダではありません。");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが拒否されました。");
    case EIO: return QStringLiteral("ディスクの読み書き中にエラーが発生しました。");
    case ENOSPC: return QStringLiteral("ディスクの空き容量が足りません。");
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

} // namespace pellora

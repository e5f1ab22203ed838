#include "ui/CodePageMissing.h"

#include "platform/text/Cp932.h"

#include <cstdio>

namespace pellora {

void sayCodePageMissing(const Prompts& prompts)
{
    // Standard error too, for a start from a terminal or a script.
    std::fprintf(stderr, "pellora: %s\n", cp932::kUnavailableMessage);
    std::fflush(stderr);
    prompts.critical(nullptr, QStringLiteral("このシステムには Shift_JIS (コードページ 932) の文字コード変換がないため、"
                                             "ログと設定ファイルを書き込めません。\n"
                                             "C ライブラリの文字コード変換モジュール (gconv) をインストールしてください。"));
}

} // namespace pellora

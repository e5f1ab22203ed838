#include "cli/CliMessages.h"

#include "cli/SystemLanguage.h"
#include "platform/text/Cp932.h"

#include <array>
#include <cstdlib>

namespace pellora {

namespace {

// Where the settings go when the program's folder cannot take them, and what
// stops a run, as each system has them.
#ifdef _WIN32
#define PELLORA_USER_SETTINGS_EN "%APPDATA%\\Pellora\\Pellora.ini, as for the window;\n"
#define PELLORA_USER_SETTINGS_JA "それ以外はウィンドウ版と同じく %APPDATA%\\Pellora\\Pellora.ini です。\n"
#define PELLORA_STOPS_EN                                                                                      \
    "2 bad usage or a folder problem before any file; 128+N when the run was stopped before its\n"             \
    "last file: 130 Ctrl+C or Ctrl+Break, 129 the console closed, 143 logoff or shutdown, 141 standard\n"      \
    "output closed (its reader went away). A stopped run finishes the files in hand and logs its\n"            \
    "end line; the files\n"
#define PELLORA_STOPS_JA                                                                                      \
    "上限に達した。2 使い方の誤り、またはファイルを処理する前のフォルダの問題。128+N 最後のファイルの\n"    \
    "前に止められた（130 Ctrl+C または Ctrl+Break、129 コンソールが閉じられた、143 ログオフまたは\n"          \
    "シャットダウン、141 標準出力が閉じられた（読み手が終了した））。\n"                                     \
    "止まるときは処理中のファイルを終えて終了行をログに書き、\n"
#else
#define PELLORA_USER_SETTINGS_EN \
    "$XDG_CONFIG_HOME/pellora/Pellora.ini (by default ~/.config/pellora/Pellora.ini), as for the window;\n"
#define PELLORA_USER_SETTINGS_JA \
    "それ以外はウィンドウ版と同じく $XDG_CONFIG_HOME/pellora/Pellora.ini\n（既定では ~/.config/pellora/Pellora.ini）です。"
#define PELLORA_STOPS_EN                                                                                      \
    "2 bad usage or a folder problem before any file; 128+N when signal N stopped the run before its\n"       \
    "last file: 130 Ctrl+C, 129 SIGHUP, 143 SIGTERM, 141 standard output closed (a reader such as\n"           \
    "head went away). A stopped run finishes the files in hand and logs its end line; the files\n"
#define PELLORA_STOPS_JA                                                                                      \
    "上限に達した。2 使い方の誤り、またはファイルを処理する前のフォルダの問題。128+N シグナル N で\n"        \
    "最後のファイルの前に止まった（130 Ctrl+C、129 SIGHUP、143 SIGTERM、141 標準出力が閉じられた\n"           \
    "（head などの読み手が終了した））。止まるときは処理中のファイルを終えて終了行をログに書き、\n"
#endif

struct Translation {
    const char* english;
    const char* japanese;
};

// In the order of CliText.
constexpr std::array<Translation, static_cast<size_t>(CliText::Count)> kTexts{{
    {"usage: pellora-cli [-i DIR] [-o DIR] [-p TEXT] [-q N] [--delete | --keep] [--log | --no-log]\n"
     "                   [--create-out] [-j N] [--watch [--settle SECONDS]] [--settings FILE] [-h] [-V]\n"
     "Converts every *.tga file of the input folder to a numbered JPEG in the output folder.\n"
     "Values not given come from the settings file, which is never written: Pellora.ini beside the\n"
     "program when it is there or the program's folder is writable, otherwise\n"
     PELLORA_USER_SETTINGS_EN
     "or --settings FILE, which must exist and hold an [initialize] section.\n"
     "  -i, --in DIR        input folder (where the game writes its TGA screenshots)\n"
     "  -o, --out DIR       output folder (JPEG files and kavlog.txt)\n"
     "  -p, --prefix TEXT   file-name prefix of the numbered JPEG files\n"
     "  -q, --quality N     JPEG quality, 1 to 100\n"
     "      --delete/--keep delete each TGA after its JPEG is safely written, or keep it\n"
     "      --log/--no-log  append to kavlog.txt in the output folder, or not\n"
     "      --create-out    create a missing output folder (one level) instead of stopping\n"
     "  -j, --jobs N        files converted at once, 1 to 256 (default: every hardware thread;\n"
     "                      1: one after the other)\n"
     "      --watch         after the run, keep watching the input folder and convert each new TGA\n"
     "                      once the game has finished writing it, until Ctrl+C\n"
     "      --settle SECONDS with --watch: how long a closed TGA must stay unchanged before it is\n"
     "                      converted, 0 to 60 (default 1; decimals allowed)\n"
     "      --settings FILE read the starting values from FILE\n"
     "  -h, --help          show this text and the settings file in use\n"
     "  -V, --version       show the version\n"
     "A value follows its option (--quality 90, -q 90) or is joined to it (--quality=90, -q90).\n"
     "Of --delete and --keep, and of --log and --no-log, the last one given counts.\n"
     "Exit status: 0 all converted or none found, 1 a file failed or the serial limit was reached,\n"
     PELLORA_STOPS_EN
     "not started are untouched. --watch ends only by a signal (then 128+N as above, after the end\n"
     "line of a batch in progress) or with 2 when the input folder cannot be watched any more; each\n"
     "batch of new files is a run of its own in the list and the log.\n",
     "使い方: pellora-cli [-i フォルダ] [-o フォルダ] [-p 文字列] [-q 数] [--delete | --keep]\n"
     "                    [--log | --no-log] [--create-out] [-j 数] [--watch [--settle 秒]]\n"
     "                    [--settings ファイル] [-h] [-V]\n"
     "入力フォルダの *.tga ファイルをすべて、出力フォルダに連番の JPEG ファイルとして変換します。\n"
     "指定しない値は設定ファイルから読みます（設定ファイルには書き込みません）。設定ファイルは、\n"
     "プログラムと同じフォルダに Pellora.ini があるかそのフォルダに書き込めるときはそこの Pellora.ini、\n"
     PELLORA_USER_SETTINGS_JA "--settings ファイル で指定したファイルは、\n"
     "存在して [initialize] セクションを含んでいる必要があります。\n"
     "  -i, --in フォルダ        入力フォルダ（ゲームが TGA のスクリーンショットを書き出す場所）\n"
     "  -o, --out フォルダ       出力フォルダ（JPEG ファイルと kavlog.txt）\n"
     "  -p, --prefix 文字列      連番 JPEG ファイルの名前の先頭に付ける文字列\n"
     "  -q, --quality 数         JPEG の品質（1～100）\n"
     "      --delete/--keep     JPEG を安全に書き終えた TGA を削除する／残す\n"
     "      --log/--no-log      出力フォルダの kavlog.txt に追記する／しない\n"
     "      --create-out        出力フォルダがないときは止まらずに作成する（1 階層のみ）\n"
     "  -j, --jobs 数            同時に変換するファイルの数（1～256、既定: ハードウェアのスレッド数、\n"
     "                          1: 1 つずつ順に）\n"
     "      --watch              処理の後も入力フォルダを見張り、新しい TGA をゲームが書き終えるたびに\n"
     "                          変換する（Ctrl+C まで）\n"
     "      --settle 秒          --watch で、閉じられた TGA が変わらないまま待つ時間（0～60、既定 1、\n"
     "                          小数も可）。この後に変換する\n"
     "      --settings ファイル  最初の値をこのファイルから読む\n"
     "  -h, --help               この説明と、使う設定ファイルを表示する\n"
     "  -V, --version            バージョンを表示する\n"
     "値はオプションの後に続けても（--quality 90、-q 90）、つなげても（--quality=90、-q90）指定できます。\n"
     "--delete と --keep、--log と --no-log は、最後に指定したものが有効です。\n"
     "終了ステータス: 0 すべて変換した、または対象がない。1 変換に失敗したファイルがある、または連番が\n"
     PELLORA_STOPS_JA
     "まだ始めていないファイルには手を触れません。--watch はシグナルでのみ終わり（上と同じ 128+N。\n"
     "処理中のまとまりは終了行まで書きます）、入力フォルダを見張れなくなったときは 2 で終わります。\n"
     "新しいファイルのまとまりごとに、一覧とログでは 1 回の処理として扱います。\n"},
    {"Settings file: %1\n", "設定ファイル: %1\n"},
    {"pellora-cli: %1\n", "pellora-cli: %1\n"},
    {"Try 'pellora-cli --help' for more information.\n", "詳しくは 'pellora-cli --help' を実行してください。\n"},
    {"unknown option \"%1\"", "不明なオプションです: \"%1\""},
    {"unexpected argument \"%1\"", "余分な引数です: \"%1\""},
    {"%1 needs a value", "%1 には値が必要です"},
    {"%1 takes no value", "%1 に値は指定できません"},
    {"--quality takes a whole number from 1 to 100, not \"%1\"",
     "--quality には 1 から 100 までの整数を指定してください（\"%1\" は指定できません）"},
    {"--jobs takes a whole number from 1 to 256, not \"%1\"",
     "--jobs には 1 から 256 までの整数を指定してください（\"%1\" は指定できません）"},
    {"settings file \"%1\" %2", "設定ファイル \"%1\" %2"},
    {"settings file \"%1\" %2; using the defaults", "設定ファイル \"%1\" %2。既定値を使います"},
    {"does not exist", "がありません"},
    {"is not a regular file", "は通常のファイルではありません"},
    {"is larger than %1 MiB", "は %1 MiB より大きいファイルです"},
    {"cannot be read (%1)", "を読み込めません（%1）"},
    {"has no [%1] section", "に [%1] セクションがありません"},
    {"is a link to a missing file", "は存在しないファイルへのリンクです"},
    {"-> yes (--create-out)", "-> はい（--create-out）"},
    {"-> no (give --create-out to create it)", "-> いいえ（作成するには --create-out を指定してください）"},
    {cp932::kUnavailableMessage,
     "このシステムは、ログと設定ファイルの文字コードであるコードページ 932（Shift_JIS）に変換できません。"
     "C ライブラリの文字コード変換モジュール（gconv）をインストールしてください"},
    {"--settle takes a number of seconds from 0 to 60, not \"%1\"",
     "--settle には 0 から 60 までの秒数を指定してください（\"%1\" は指定できません）"},
    {"cannot watch the input folder \"%1\" (%2)", "入力フォルダ \"%1\" を見張れません（%2）"},
    {"the input folder \"%1\" was removed or moved; watching ended",
     "入力フォルダ \"%1\" が削除または移動されたため、見張りを終えました"},
}};

bool isJapanese(std::string_view locale)
{
    return locale.starts_with("ja"); // ja_JP.UTF-8, ja_JP.eucJP, ja, and glibc's alias "japanese"
}

} // namespace

CliLanguage CliMessages::languageOf(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* locale : {lcAll, lcMessages, lang}) {
        if (locale && *locale)
            return isJapanese(locale) ? CliLanguage::Japanese : CliLanguage::English;
    }
    return CliLanguage::English;
}

CliMessages CliMessages::fromEnvironment()
{
    const char* lcAll = std::getenv("LC_ALL");
    const char* lcMessages = std::getenv("LC_MESSAGES");
    const char* lang = std::getenv("LANG");
    for (const char* locale : {lcAll, lcMessages, lang}) {
        if (locale && *locale)
            return CliMessages(languageOf(lcAll, lcMessages, lang));
    }
    return CliMessages(systemLanguage());
}

std::string CliMessages::operator()(CliText text, std::initializer_list<std::string_view> values) const
{
    const Translation& translation = kTexts[static_cast<size_t>(text)];
    const std::string_view form = language_ == CliLanguage::Japanese ? translation.japanese : translation.english;
    std::string said;
    // One pass, so a value that holds "%2" stays as it is.
    for (size_t at = 0; at < form.size(); ++at) {
        const size_t index = at + 1 < form.size() && form[at] == '%' ? static_cast<size_t>(form[at + 1] - '1') : values.size();
        if (index < values.size()) {
            said += values.begin()[index];
            ++at;
        } else {
            said += form[at];
        }
    }
    return said;
}

} // namespace pellora

#pragma once

#include <string_view>

// What a run says, in the words the Windows tool used: the messages of its
// boxes, the lines of its list and its log, and why a kept TGA stayed. Users
// and their scripts know these texts, so they stay as they are, byte for
// byte; the reasons of failures are in platform/FailureTable.
namespace pellora::runText {

// Messages, each shown in a box (or on the command line's standard error).
constexpr std::string_view kInputFolderInvalid = "コピー元フォルダが無効です。";
constexpr std::string_view kOutputFolderQuestion = "コピー先フォルダが無効です。\r\n新しく作成しますか？";
constexpr std::string_view kOutputFolderNotCreated = "コピー先フォルダを作成できません。";
constexpr std::string_view kPrefixInvalid = "ファイル名が無効です。";

// Lines of the list, and of the log when it is on.
constexpr std::string_view kNoSourceFiles = "処理するファイルが見つかりません。";
constexpr std::string_view kSerialLimit = "エラー発生 連番が999件を越えました。";
constexpr std::string_view kLogUnwritable = "動作ログを書き込めません。"; // the list only
constexpr std::string_view kConverted = "\t--->\t";                     // between a source's name and its JPEG's
constexpr std::string_view kFailedWithCode = "コピー失敗 エラーコード";  // then the code
constexpr std::string_view kErrorWithNumber = "エラー発生 \r\n";          // then "number : text"

// The log's first and last line of a run, around the date and time.
constexpr std::string_view kStarted = "---処理開始--- [";
constexpr std::string_view kEnded = "---処理終了--- [";

// Why a converted file's TGA stayed although the delete option was on.
constexpr std::string_view kKeptReadBeforeDeleteWasOn = "元の TGA ファイルは削除する設定になる前に読み込んだため残しました";
constexpr std::string_view kKeptJpegGone = "JPEG ファイルが見つからないため、元の TGA ファイルを残しました";
constexpr std::string_view kKeptChanged = "元の TGA ファイルは読み込んだ後に書き換えられたため残しました";
constexpr std::string_view kKeptReadOnly = "元の TGA ファイルは読み取り専用のため残しました";
constexpr std::string_view kKeptNotDeleted = "元の TGA ファイルを削除できないため残しました";   // then why
constexpr std::string_view kKeptUncheckable = "元の TGA ファイルを確かめられないため残しました"; // then why
constexpr std::string_view kKeptOther = "元の TGA ファイルを残しました";                         // then why

} // namespace pellora::runText

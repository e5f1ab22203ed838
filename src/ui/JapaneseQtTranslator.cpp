#include "ui/JapaneseQtTranslator.h"

#include <cstring>

namespace pellora {

namespace {

struct Text {
    const char* context;
    const char* source;
    const char* disambiguation; // nullptr: any
    const char16_t* japanese;
};

// What Qt's Japanese translation leaves in English, in the words it uses
// itself for the same things elsewhere.
constexpr Text kMissing[] = {
    // The type column of the folder picker.
    {"QAbstractFileIconProvider", "Folder", nullptr, u"フォルダ"},
    {"QAbstractFileIconProvider", "Drive", nullptr, u"ドライブ"},
    // Asked by Qt itself, not shown: which way the interface runs.
    {"QGuiApplication", "QT_LAYOUT_DIRECTION", nullptr, u"LTR"},
};

bool same(const char* a, const char* b)
{
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

QString missingText(const char* context, const char* sourceText, const char* disambiguation)
{
    for (const Text& text : kMissing) {
        if (same(text.context, context) && same(text.source, sourceText)
            && (text.disambiguation == nullptr || same(text.disambiguation, disambiguation)))
            return QString::fromUtf16(text.japanese);
    }
    return {};
}

} // namespace

JapaneseQtTranslator::JapaneseQtTranslator(QObject* parent) : QTranslator(parent)
{
    loaded_ = qt_.load(QStringLiteral(":/pellora/translations/qtbase_ja.qm"));
}

QString JapaneseQtTranslator::translate(const char* context, const char* sourceText, const char* disambiguation,
                                        int n) const
{
    const QString qtText = qt_.translate(context, sourceText, disambiguation, n);
    if (!qtText.isEmpty())
        return qtText;
    return missingText(context, sourceText, disambiguation);
}

} // namespace pellora

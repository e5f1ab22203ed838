#include "platform/text/PathText.h"

#include <QDir>
#include <QFile>

namespace pellora::pathText {

QString withTrailingSeparator(const QString& folder)
{
    if (folder.endsWith(QChar(kSeparator)))
        return folder;
    return folder + QChar(kSeparator);
}

QString withHomeExpanded(const QString& folder)
{
#ifdef _WIN32
    return folder;
#else
    // "~user" is left alone: it names someone else's home, not a notation we mean to support.
    if (folder != u"~" && !folder.startsWith(u"~/"))
        return folder;
    return QDir::homePath() + folder.mid(1);
#endif
}

std::filesystem::path toPath(const QString& text)
{
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    const QByteArray bytes = QFile::encodeName(text);
    return std::filesystem::path(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
#endif
}

QString toText(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    const std::string& bytes = path.native();
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
#endif
}

} // namespace pellora::pathText

#include "platform/text/FolderText.h"

#include <QDir>
#include <QFile>

namespace pellora {

QString FolderText::withTrailingSeparator(const QString& folder)
{
    if (folder.endsWith(QChar(kSeparator)))
        return folder;
    return folder + QChar(kSeparator);
}

QString FolderText::withHomeExpanded(const QString& folder)
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

std::filesystem::path FolderText::toPath(const QString& text)
{
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    const QByteArray bytes = QFile::encodeName(text);
    std::string native = bytes.toStdString();
    return std::filesystem::path(std::move(native));
#endif
}

QString FolderText::nameOf(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.filename().native());
#else
    const std::filesystem::path fileName = path.filename();
    const std::string& name = fileName.native();
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
#endif
}

} // namespace pellora

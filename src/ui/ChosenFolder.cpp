#include "ui/ChosenFolder.h"

#include <QDir>
#include <QFileInfo>

namespace pellora {

QString ChosenFolder::toBoxText(const QString& chosen)
{
    if (chosen.isEmpty())
        return {};
    const QFileInfo info(chosen);
    if (!info.isAbsolute() || !info.isDir())
        return {};
    // cleanPath drops a trailing separator but leaves a root ("/", "C:/") whole.
    return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
}

} // namespace pellora

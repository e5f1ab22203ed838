#include "ui/FileDateDelegate.h"

#include <QFileSystemModel>

namespace pellora {

QString FileDateDelegate::text(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("yyyy/MM/dd H:mm")) : QString();
}

void FileDateDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (const auto* files = qobject_cast<const QFileSystemModel*>(index.model()))
        option->text = text(files->lastModified(index));
}

} // namespace pellora

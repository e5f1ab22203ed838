#pragma once

#include <QStyledItemDelegate>

namespace pellora {

// Draws a file's modification time as a Japanese system shows it in a folder
// window ("2026/01/15 15:48"), whatever the system's own locale.
class FileDateDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QString text(const QDateTime& moment);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace pellora

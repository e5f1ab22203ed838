#include "ui/FolderDialog.h"

#include "ui/DialogPlacement.h"
#include "ui/FileDateDelegate.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QTreeView>

namespace pellora {

namespace {

// Qt's dialog keeps its history, last folder and view state in a settings
// file that every Qt program of the user shares, reads it when it opens and
// writes it when it closes. Our program keeps nothing outside its own
// settings file and opens every dialog afresh, so Qt's settings are pointed
// below a device file, where nothing can be read or created. Nothing else in
// the program uses them.
QWidget* withoutQtSettings(QWidget* owner)
{
#ifndef _WIN32
    const QString nowhere = QStringLiteral("/dev/null/pellora");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, nowhere);
#endif
    return owner;
}

constexpr int kNameColumn = 0;
constexpr int kDateColumn = 3;

} // namespace

const QString FolderDialog::kTitle = QStringLiteral("フォルダの選択");
#ifdef _WIN32
const QString FolderDialog::kStartFolder = QStringLiteral("C:\\");
#else
const QString FolderDialog::kStartFolder = QStringLiteral("/");
#endif

FolderDialog::FolderDialog(QWidget* owner) : QFileDialog(withoutQtSettings(owner))
{
    setWindowTitle(kTitle);
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    // The game's folder lies under the hidden ~/.wine.
    setFilter(filter() | QDir::Hidden);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowModality(Qt::ApplicationModal);
    setDirectory(kStartFolder);
    showWholeDates();
}

// Qt cuts the date column short ("2026/1… 15:48"), leaves it partly out of
// view beside a wide name column, and words it in the system's locale. The
// name column takes whatever the others leave.
void FolderDialog::showWholeDates()
{
    auto* details = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (details == nullptr)
        return;
    details->setItemDelegateForColumn(kDateColumn, new FileDateDelegate(details));
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    for (int column = 0; column < header->count(); ++column)
        header->setSectionResizeMode(column, column == kNameColumn ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
}

// The dialog's final size is known only once it is being shown.
void FolderDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    centreOnScreen();
}

void FolderDialog::centreOnScreen()
{
    QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect whole = screen->geometry();
    move(whole.topLeft() + DialogPlacement::centredOnScreen(QSizeF(whole.size()), frameGeometry().size()));
}

} // namespace pellora

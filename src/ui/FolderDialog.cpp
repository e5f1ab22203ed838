#include "ui/FolderDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <cmath>

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

// Draws the date column with folderDateText.
class FileDateDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (const auto* files = qobject_cast<const QFileSystemModel*>(index.model()))
            option->text = folderDateText(files->lastModified(index));
    }
};

// Spelled out rather than left to std::nearbyint, whose result depends on the
// floating-point rounding mode some other code may have changed.
int roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5)
        rounded = below + 1.0;
    else if (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)
        rounded = below + 1.0;
    return static_cast<int>(rounded);
}

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

QString FolderDialog::choose(QWidget* owner)
{
    FolderDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
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
    move(whole.topLeft() + centredOnScreen(QSizeF(whole.size()), frameGeometry().size()));
}

QString folderBoxText(const QString& chosen)
{
    if (chosen.isEmpty())
        return {};
    const QFileInfo info(chosen);
    if (!info.isAbsolute() || !info.isDir())
        return {};
    // cleanPath drops a trailing separator but leaves a root ("/", "C:/") whole.
    return QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
}

QPoint centredOnScreen(const QSizeF& screen, const QSize& dialog)
{
    const double x = (screen.width() - static_cast<double>(dialog.width())) / 2.0;
    const double y = (screen.height() - static_cast<double>(dialog.height())) / 2.0;
    return QPoint(roundHalfToEven(x), roundHalfToEven(y));
}

QString folderDateText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("yyyy/MM/dd H:mm")) : QString();
}

} // namespace pellora

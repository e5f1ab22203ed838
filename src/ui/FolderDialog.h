#pragma once

#include <QDateTime>
#include <QFileDialog>
#include <QPoint>
#include <QSize>
#include <QSizeF>

namespace pellora {

// The folder picker behind the two browse buttons. Qt's own folder dialog,
// not the desktop's: only then can we place it ourselves. Modal, folders only
// (hidden ones too), titled for the tool, opening at the root of the file
// system, centred on the whole screen when it appears, with whole dates, and
// remembering nothing from one use to the next.
class FolderDialog : public QFileDialog {
    Q_OBJECT

public:
    static const QString kTitle;
    static const QString kStartFolder;

    explicit FolderDialog(QWidget* owner);

    // Asks through a fresh dialog, so that it opens at the root rather than at
    // the last choice. The path the user accepted, as the dialog gives it;
    // empty on Cancel.
    static QString choose(QWidget* owner);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showWholeDates();
    void centreOnScreen();
};

// What a browse button puts into its box: the chosen folder's path in the
// platform's notation without a trailing separator (a root keeps its own),
// or empty text when nothing was chosen or the choice is not a folder of the
// file system.
QString folderBoxText(const QString& chosen);

// Top left corner of a dialog standing in the middle of the whole screen,
// relative to the screen's own. The screen size may be fractional (a runtime
// that reports it in device units divided by a scale); halves go to the even
// neighbour.
QPoint centredOnScreen(const QSizeF& screen, const QSize& dialog);

// A file's modification time as a Japanese system shows it in a folder
// window ("2026/01/15 15:48"), whatever the system's own locale.
QString folderDateText(const QDateTime& moment);

} // namespace pellora

#pragma once

#include <QFileDialog>

namespace pellora {

// Qt's own folder dialog, not the desktop's: only then can we place it
// ourselves. Modal, folders only (hidden ones too), titled for the tool,
// opening at the root of the file system, centred on the whole screen when it
// appears, with whole dates, and remembering nothing from one use to the next.
class FolderDialog : public QFileDialog {
    Q_OBJECT

public:
    static const QString kTitle;
    static const QString kStartFolder;

    explicit FolderDialog(QWidget* owner);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showWholeDates();
    void centreOnScreen();
};

} // namespace pellora

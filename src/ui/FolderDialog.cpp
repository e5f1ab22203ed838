#include "ui/FolderDialog.h"

#include "ui/DialogPlacement.h"

#include <QGuiApplication>
#include <QScreen>

namespace pellora {

const QString FolderDialog::kTitle = QStringLiteral("フォルダの選択");
#ifdef _WIN32
const QString FolderDialog::kStartFolder = QStringLiteral("C:\\");
#else
const QString FolderDialog::kStartFolder = QStringLiteral("/");
#endif

FolderDialog::FolderDialog(QWidget* owner) : QFileDialog(owner)
{
    setWindowTitle(kTitle);
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowModality(Qt::ApplicationModal);
    setDirectory(kStartFolder);
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

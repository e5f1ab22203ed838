#include "ui/FileDialogFolderChooser.h"

#include "ui/FolderDialog.h"

namespace pellora {

QString FileDialogFolderChooser::choose(QWidget* owner)
{
    FolderDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace pellora

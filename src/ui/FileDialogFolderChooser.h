#pragma once

#include "ui/FolderChooser.h"

namespace pellora {

// Asks through a FolderDialog, a fresh one each time, so every dialog opens
// at the root rather than at the last choice.
class FileDialogFolderChooser : public FolderChooser {
public:
    QString choose(QWidget* owner) override;
};

} // namespace pellora

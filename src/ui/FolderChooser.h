#pragma once

#include <QString>

class QWidget;

namespace pellora {

// Asks the user for a folder. The window's browse buttons go through this, so
// tests can answer without a real dialog.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;

    // The path the user accepted, as the chooser reports it; empty on Cancel.
    virtual QString choose(QWidget* owner) = 0;
};

} // namespace pellora

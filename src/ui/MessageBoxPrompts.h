#pragma once

#include "ui/UserPrompts.h"

namespace pellora {

// Message boxes captioned with the application title: the critical icon with
// OK, or the question icon with Yes and No.
class MessageBoxPrompts : public UserPrompts {
public:
    void critical(QWidget* owner, const QString& text) override;
    bool askYesNo(QWidget* owner, const QString& text) override;
};

} // namespace pellora

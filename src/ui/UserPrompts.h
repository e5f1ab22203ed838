#pragma once

#include <QString>

class QWidget;

namespace pellora {

// The modal questions and warnings a run puts to the user. The window shows
// message boxes; tests answer in code.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual void critical(QWidget* owner, const QString& text) = 0;
    // True when the user answers Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text) = 0;
};

} // namespace pellora

#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace pellora {

// The modal boxes a run puts to the user: a warning with OK, and a question
// answered Yes (true) or No. The window shows message boxes captioned with
// the application title; tests answer in code.
struct Prompts {
    std::function<void(QWidget* owner, const QString& text)> critical;
    std::function<bool(QWidget* owner, const QString& text)> askYesNo;

    // The critical icon with OK; the question icon with Yes and No.
    static Prompts messageBoxes();
};

} // namespace pellora

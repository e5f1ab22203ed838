#pragma once

#include "ui/UserPrompts.h"

#include <QStringList>

namespace pellora::test {

// Records every box the window would show and answers questions with `answer`.
// The log lives outside, because the window owns its prompts.
struct PromptLog {
    QStringList criticals;
    QStringList questions;
    bool answer = false;
};

class RecordingPrompts : public UserPrompts {
public:
    explicit RecordingPrompts(PromptLog& log) : log_(log) {}

    void critical(QWidget*, const QString& text) override { log_.criticals << text; }
    bool askYesNo(QWidget*, const QString& text) override
    {
        log_.questions << text;
        return log_.answer;
    }

private:
    PromptLog& log_;
};

} // namespace pellora::test

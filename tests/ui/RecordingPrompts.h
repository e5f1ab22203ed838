#pragma once

#include "ui/Prompts.h"

#include <QStringList>

namespace pellora::test {

// Every box the window would show, and the answer to its questions.
struct PromptLog {
    QStringList criticals;
    QStringList questions;
    bool answer = false;
};

// Prompts that record into `log` and answer questions with `log.answer`.
inline Prompts recordingPrompts(PromptLog& log)
{
    return Prompts{[&log](QWidget*, const QString& text) { log.criticals << text; },
                   [&log](QWidget*, const QString& text) {
                       log.questions << text;
                       return log.answer;
                   }};
}

} // namespace pellora::test

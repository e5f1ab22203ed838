#pragma once

#include "batch/UserQuestions.h"

#include <string>

namespace pellora::win32 {

// What a run shows in the window and asks there. Called on the window's
// thread only, in the order the run sent it.
class RunView {
public:
    virtual ~RunView() = default;

    virtual void clearList() = 0;
    virtual void addLine(const std::wstring& line, const std::wstring& detail) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void showBusy(bool busy) = 0;
    virtual void focusBox(UserQuestions::Field field) = 0;
    virtual void showCritical(const std::wstring& text) = 0;
    virtual bool askYesNo(const std::wstring& text) = 0;
    // The run has ended and left nothing behind; sent after all the rest.
    virtual void runFinished() = 0;
};

} // namespace pellora::win32

#pragma once

#include <string_view>

namespace pellora {

// What a run asks the user, before it touches any file.
class UserQuestions {
public:
    // The fields whose value a run can refuse.
    enum class Field { InputFolder, OutputFolder, Prefix };

    virtual ~UserQuestions() = default;

    // A message the user must acknowledge (a modal box in the window).
    virtual void showCritical(std::string_view text) = 0;
    // True when the user answers Yes.
    virtual bool askYesNo(std::string_view text) = 0;
    // Where a front end with fields lets the user correct the refused value.
    virtual void focus(Field) {}
};

} // namespace pellora

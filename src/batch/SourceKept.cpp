#include "batch/SourceKept.h"

#include "batch/RunTexts.h"
#include "platform/FailureTable.h"

namespace pellora {

std::string SourceKept::reason() const
{
    switch (because) {
    case Because::ReadBeforeDeleteWasOn: return std::string(runText::kKeptReadBeforeDeleteWasOn);
    case Because::JpegGone: return std::string(runText::kKeptJpegGone);
    case Because::Changed: return std::string(runText::kKeptChanged);
    case Because::Failed: break;
    }
    switch (failure.cause) {
    case FailureCause::ReadOnly: return std::string(runText::kKeptReadOnly);
    case FailureCause::CannotDelete: return std::string(runText::kKeptNotDeleted) + becauseOf(failure.systemError);
    case FailureCause::CannotRead: return std::string(runText::kKeptUncheckable) + becauseOf(failure.systemError);
    default: return std::string(runText::kKeptOther) + "（" + failureReason(failure) + "）";
    }
}

} // namespace pellora

#pragma once

#include "batch/PerFileOptions.h"
#include "batch/RunControl.h"
#include "batch/RunReport.h"
#include "batch/UserQuestions.h"

namespace pellora {

// Whoever started a run, in its four parts: the window, the command line or
// a test. Each must outlive the run.
struct RunFrontEnd {
    PerFileOptions& options;
    RunReport& report;
    UserQuestions& questions;
    RunControl& control;
};

} // namespace pellora

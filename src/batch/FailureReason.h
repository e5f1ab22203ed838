#pragma once

#include "batch/SourceKept.h"
#include "platform/Failure.h"

#include <QString>

namespace pellora {

// What went wrong with one file, in words a Japanese user understands. The
// list line only shows a code and names no file; this tells the rest.
QString failureReason(const Failure& failure);

// Why a converted file's TGA stayed, as the detail of its list line says it.
QString keptReason(const SourceKept& kept);

// What a system error means, in words a Japanese user understands.
QString systemErrorText(int errorNumber);

} // namespace pellora

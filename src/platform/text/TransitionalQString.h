#pragma once

// Transitional: QString forms of the text functions, for the code that still
// holds its text as QString (the batch run, the command line's options, the
// window's folder fields). They only convert at the call and defer to the
// UTF-8 functions; this header goes once those callers hold std::string.

#include "platform/text/PathText.h"
#include "platform/text/TextToInt16.h"

#include <QString>

namespace pellora::pathText {

inline QString withTrailingSeparator(const QString& folder)
{
    return QString::fromStdString(withTrailingSeparator(folder.toStdString()));
}

inline QString withHomeExpanded(const QString& folder)
{
    return QString::fromStdString(withHomeExpanded(folder.toStdString()));
}

inline std::filesystem::path toPath(const QString& text) { return toPath(text.toStdString()); }

} // namespace pellora::pathText

namespace pellora {

inline std::optional<std::int16_t> textToInt16(const QString& text) { return textToInt16(text.toStdString()); }

} // namespace pellora

#include "settings/SettingValueRules.h"

#include "platform/TextToInt16.h"
#include "settings/SettingsKeys.h"

namespace pellora {

namespace {

int defaultOf(SettingsKeys::Index index)
{
    return SettingsKeys::at(index).defaultValue.toInt();
}

} // namespace

int SettingValueRules::quality(const QString& stored)
{
    // The conversion rounds "80.5" to 80, but the scroll bar holds whole numbers only.
    const auto value = TextToInt16::convert(stored);
    const bool whole = value && stored.trimmed() == QString::number(*value);
    if (!whole || *value < 1 || *value > 100)
        return defaultOf(SettingsKeys::Quality);
    return *value;
}

int SettingValueRules::option(const QString& stored, int defaultValue)
{
    const auto value = TextToInt16::convert(stored);
    if (!value || (*value != 0 && *value != 1))
        return defaultValue;
    return *value;
}

} // namespace pellora

#include "settings/SettingValueRules.h"

#include "platform/text/TextToInt16.h"
#include "settings/SettingsKeys.h"

namespace pellora {

namespace {

int defaultOf(SettingsKeys::Index index)
{
    return SettingsKeys::at(index).defaultValue.toInt();
}

} // namespace

// Stored numbers are read as serials in file names are: "080", "+80", "8e1"
// and "80.0" are all 80, and a fraction rounds half to even. Only a number
// the control cannot hold falls back.
int SettingValueRules::quality(const QString& stored)
{
    const auto value = TextToInt16::convert(stored);
    if (!value || *value < 1 || *value > 100)
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

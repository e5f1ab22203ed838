#include "settings/SettingValueRules.h"

#include "platform/TextToInt16.h"
#include "settings/SettingsKeys.h"

namespace pellora {

namespace {

int defaultOf(SettingsKeys::Index index)
{
    return SettingsKeys::at(index).defaultValue.toInt();
}

// Controls hold whole numbers: the conversion would round "80.5" or "0.6".
std::optional<int> wholeNumber(const QString& stored)
{
    const auto value = TextToInt16::convert(stored);
    if (!value || stored.trimmed() != QString::number(*value))
        return std::nullopt;
    return *value;
}

} // namespace

int SettingValueRules::quality(const QString& stored)
{
    const auto value = wholeNumber(stored);
    if (!value || *value < 1 || *value > 100)
        return defaultOf(SettingsKeys::Quality);
    return *value;
}

int SettingValueRules::option(const QString& stored, int defaultValue)
{
    const auto value = wholeNumber(stored);
    if (!value || (*value != 0 && *value != 1))
        return defaultValue;
    return *value;
}

} // namespace pellora

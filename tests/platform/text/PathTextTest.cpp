#include "platform/text/PathText.h"

#include <QDir>
#include <gtest/gtest.h>

namespace pellora {
namespace {

#ifndef _WIN32
TEST(PathText, ALeadingTildeIsTheHomeFolder)
{
    const QString home = QDir::homePath();
    const struct {
        const char* typed;
        QString meant;
    } cases[] = {
        {"~", home},
        {"~/", home + QStringLiteral("/")},
        {"~/shots", home + QStringLiteral("/shots")},
        {"~/.wine/drive_c", home + QStringLiteral("/.wine/drive_c")},
        // Anything else is a name like any other.
        {"~shots", QStringLiteral("~shots")},
        {"~root/shots", QStringLiteral("~root/shots")},
        {"/data/~/shots", QStringLiteral("/data/~/shots")},
        {"shots/~", QStringLiteral("shots/~")},
        {" ~/shots", QStringLiteral(" ~/shots")},
        {"", QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pathText::withHomeExpanded(QString::fromUtf8(c.typed)), c.meant) << c.typed;
}
#endif

} // namespace
} // namespace pellora

#pragma once

#include <cstdio>
#include <string>

namespace pellora::test {

// One machine-readable line per check group, read by scripts/reliability-report.
inline void printSummary(const std::string& fields)
{
    std::printf("RELIABILITY %s\n", fields.c_str());
    std::fflush(stdout);
}

} // namespace pellora::test

// Any text through the conversion that reads serial numbers.
#include "checks/SerialConversionCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (auto problem = pellora::fuzz::SerialConversionCheck::run({data, size})) {
        std::fprintf(stderr, "serial_fuzz: %s\n", problem->c_str());
        std::abort();
    }
    return 0;
}

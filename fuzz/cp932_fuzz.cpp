// Any bytes through the code page 932 codec, both ways.
#include "checks/Cp932RoundTripCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (auto problem = pellora::fuzz::Cp932RoundTripCheck::run({data, size})) {
        std::fprintf(stderr, "cp932_fuzz: %s\n", problem->c_str());
        std::abort();
    }
    return 0;
}

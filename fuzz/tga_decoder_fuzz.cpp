// Any bytes as a TGA file: decoded pictures must be whole and in bounds.
#include "checks/TgaDecodeCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (auto problem = pellora::fuzz::TgaDecodeCheck::run({data, size})) {
        std::fprintf(stderr, "tga_decoder_fuzz: %s\n", problem->c_str());
        std::abort();
    }
    return 0;
}

#pragma once

#include <string>

namespace pellora {

// What a run is given once, at its start: the folders and the prefix as the
// user typed them (UTF-8, with "~" already expanded by the front end), and
// how many conversions may run at once.
struct RunRequest {
    std::string inputFolder;
    std::string outputFolder;
    std::string prefix;
    unsigned jobs = 1;
};

} // namespace pellora

#pragma once

#include <filesystem>

namespace pellora {

// The folder that holds the running executable (not the current folder): a
// copy of the program in any folder keeps its settings file beside itself.
// The current folder when the system will not say.
std::filesystem::path programFolder();

} // namespace pellora

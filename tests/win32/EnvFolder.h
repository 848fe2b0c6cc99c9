// EnvFolder: a folder that ctest names in an environment variable, as the Windows path Wine maps it to.
#pragma once

#include <string>

// Z: followed by the variable's Unix path with backslashes; empty when the variable is unset.
std::string EnvFolder(const char* pszVariable);

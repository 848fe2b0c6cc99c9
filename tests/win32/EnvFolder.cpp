// EnvFolder: Wine maps the Unix root to drive Z:.
#include "EnvFolder.h"

#include <cstdlib>

std::string EnvFolder(const char* pszVariable)
{
    const char* unix = std::getenv(pszVariable);
    if (!unix || !*unix) return std::string();
    std::string path = std::string("Z:") + unix;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// PathFindExtensionA of the compatibility layer.
#include <shlwapi.h>

LPSTR WINAPI PathFindExtensionA(LPCSTR path)
{
    if (!path)
        return nullptr;
    const char *dot = nullptr;
    for (; *path; ++path) {
        if (*path == '\\' || *path == ' ')
            dot = nullptr;
        else if (*path == '.')
            dot = path;
    }
    return const_cast<LPSTR>(dot ? dot : path);
}

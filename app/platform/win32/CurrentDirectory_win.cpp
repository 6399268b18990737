#include "platform/CurrentDirectory.h"

#include <windows.h>

std::string GetCurrentDir()
{
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return {};
    std::string path(needed, '\0');
    const DWORD written = GetCurrentDirectoryA(needed, path.data());
    if (written == 0 || written >= needed)
        return {};
    path.resize(written);
    return path;
}

bool SetCurrentDir(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != FALSE; }

char PathSeparator() { return '\\'; }

bool IsPathLeadByte(unsigned char c) { return IsDBCSLeadByteEx(CP_ACP, c) != FALSE; }

#include "platform/CurrentDirectory.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

std::string GetCurrentDir()
{
    // getcwd needs a buffer; grow it until the path fits, however long.
    std::vector<char> buffer(1024);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool SetCurrentDir(const std::string& path) { return chdir(path.c_str()) == 0; }

char PathSeparator() { return '/'; }

bool IsPathLeadByte(unsigned char) { return false; }

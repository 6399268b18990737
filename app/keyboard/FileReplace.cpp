#include "keyboard/FileReplace.h"

#include <cstdio>

const FileReplaceOps& StandardFileReplaceOps()
{
    static const FileReplaceOps ops{
        [](const char* path) { return std::remove(path); },
        [](const char* from, const char* to) { return std::rename(from, to); },
    };
    return ops;
}

bool ReplaceFileKeepingBackup(const std::string& replacement, const std::string& target, const std::string& backup,
                              const FileReplaceOps& ops)
{
    // There may be no older backup and no previous target (a first save); the
    // only step that must succeed is the last one.
    static_cast<void>(ops.remove(backup.c_str()));
    const bool movedAside = ops.rename(target.c_str(), backup.c_str()) == 0;
    if (ops.rename(replacement.c_str(), target.c_str()) == 0)
        return true;
    // Should the way back be blocked too, the previous file survives as the
    // backup.
    if (movedAside)
        static_cast<void>(ops.rename(backup.c_str(), target.c_str()));
    return false;
}

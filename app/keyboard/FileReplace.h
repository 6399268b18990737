#pragma once

#include <string>

// The file-system calls of ReplaceFileKeepingBackup, replaceable so that a
// failure at any step can be exercised. Both return 0 on success, like the
// standard functions they default to.
struct FileReplaceOps {
    int (*remove)(const char* path);
    int (*rename)(const char* from, const char* to);
};

const FileReplaceOps& StandardFileReplaceOps();

// Puts `replacement` in the place of `target` and keeps the previous target as
// `backup` (an older backup is deleted first). The previous target need not
// exist. When `replacement` cannot take the target's name, the previous target
// is moved back and false is returned: the target then holds what it held
// before and `replacement` is left as it was.
bool ReplaceFileKeepingBackup(const std::string& replacement, const std::string& target, const std::string& backup,
                              const FileReplaceOps& ops = StandardFileReplaceOps());

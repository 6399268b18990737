#pragma once

#include <string>

// The desktop shell: opens a document with the program registered for it.
// The outcome is not reported; a missing viewer is the desktop's business.
class IShell {
public:
    virtual ~IShell() = default;
    virtual void Open(const std::string& path) = 0;
};

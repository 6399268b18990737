#include "platform/FolderWatch.h"

#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"

#include <cctype>
#include <chrono>
#include <map>
#include <thread>

namespace {

bool IsInkName(const std::string& name)
{
    const std::size_t length = name.size();
    return length > 4 && name[length - 4] == '.' && std::tolower(static_cast<unsigned char>(name[length - 3])) == 'i' &&
           std::tolower(static_cast<unsigned char>(name[length - 2])) == 'n' &&
           std::tolower(static_cast<unsigned char>(name[length - 1])) == 'k';
}

using Snapshot = std::map<std::string, FileStamp>;

void Take(const std::string& folder, bool recursive, Snapshot& snapshot)
{
    for (const std::string& name : FolderEntries(folder)) {
        const std::string path = folder + PathSeparator() + name;
        FileStamp stamp;
        if (IsInkName(name) && ReadFileStamp(path, stamp))
            snapshot[path] = stamp;
        else if (recursive && IsFolder(path) && !IsLink(path))
            Take(path, recursive, snapshot);
    }
}

bool SameSnapshot(const Snapshot& a, const Snapshot& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second != j->second)
            return false;
    }
    return true;
}

}  // namespace

struct CFolderWatch::State {
    std::string folder;
    bool recursive = false;
    Snapshot last;
};

CFolderWatch::CFolderWatch() : state_(std::make_unique<State>()) {}
CFolderWatch::~CFolderWatch() = default;

int CFolderWatch::Start(const std::string& folder, bool recursive)
{
    state_->folder = folder;
    state_->recursive = recursive;
    Take(folder, recursive, state_->last);
    return 0;
}

// Ctrl+C ends the program as the console does; every file it writes takes
// its name whole, so nothing is left half-written.
bool CFolderWatch::StopRequested() { return false; }

int CFolderWatch::Error() const { return 0; }

WatchWait CFolderWatch::WaitForQuiet(int quietMilliseconds)
{
    State& s = *state_;
    bool changed = false;
    auto stillSince = std::chrono::steady_clock::now();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        Snapshot now;
        Take(s.folder, s.recursive, now);
        const auto at = std::chrono::steady_clock::now();
        if (!SameSnapshot(now, s.last)) {
            s.last = std::move(now);
            changed = true;
            stillSince = at;
        } else if (changed && at - stillSince >= std::chrono::milliseconds(quietMilliseconds)) {
            return WatchWait::Changed;
        }
    }
}

#pragma once

#include <memory>
#include <string>

// What a wait of CFolderWatch ended with.
enum class WatchWait {
    Changed,  // an ink file came, changed or went, and all has been still since
    Stopped,  // SIGINT or SIGTERM (Ctrl+C on Windows) asked the program to end
    Failed,   // the watch broke; Error() says why
};

// Watches a folder for its ink files (*.ink, any case) being written, moved
// in or removed. On Linux through inotify, sleeping while nothing happens; on
// Windows by a look at the folder every second. While it lives, SIGINT and
// SIGTERM do not end the process but end the wait (on Linux); the program
// ends at a point of its choosing, with nothing half-written.
class CFolderWatch {
public:
    CFolderWatch();
    ~CFolderWatch();
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // Begins to watch `folder`, with `recursive` its subfolders too (those
    // made later included). 0, or the errno of the failure.
    int Start(const std::string& folder, bool recursive);
    // Waits until an ink file has changed and nothing has changed for
    // `quietMilliseconds` since, or until the program is asked to end.
    WatchWait WaitForQuiet(int quietMilliseconds);
    // Whether the program has been asked to end, without waiting.
    bool StopRequested();
    int Error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

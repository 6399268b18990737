#include "platform/FolderWatch.h"

#include "platform/FileSystem.h"

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <unordered_map>

namespace {

bool IsInkName(const char* name)
{
    const std::size_t length = std::strlen(name);
    if (length <= 4)
        return false;
    const char* extension = name + length - 4;
    return extension[0] == '.' && std::tolower(static_cast<unsigned char>(extension[1])) == 'i' &&
           std::tolower(static_cast<unsigned char>(extension[2])) == 'n' &&
           std::tolower(static_cast<unsigned char>(extension[3])) == 'k';
}

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE;

}  // namespace

struct CFolderWatch::State {
    int inotify = -1;
    int signals = -1;
    bool recursive = false;
    bool stopped = false;
    int error = 0;
    sigset_t previousMask {};
    bool maskChanged = false;
    // Watch descriptor -> its folder.
    std::unordered_map<int, std::string> folders;

    ~State()
    {
        // Closing can only fail for a descriptor that is not open.
        if (inotify >= 0)
            static_cast<void>(::close(inotify));
        if (signals >= 0)
            static_cast<void>(::close(signals));
        if (maskChanged)
            static_cast<void>(::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr));
    }

    int Add(const std::string& folder)
    {
        const int descriptor = ::inotify_add_watch(inotify, folder.c_str(), kFileEvents | IN_ONLYDIR);
        if (descriptor < 0)
            return errno;
        folders[descriptor] = folder;
        if (recursive) {
            for (const std::string& name : FolderEntries(folder)) {
                const std::string path = folder + "/" + name;
                if (IsFolder(path) && !IsLink(path))
                    static_cast<void>(Add(path));  // a folder that went meanwhile is no loss
            }
        }
        return 0;
    }

    // Takes the events waiting: whether one was about an ink file, or a new
    // folder to watch.
    bool Drain()
    {
        alignas(inotify_event) char buffer[16384];
        bool relevant = false;
        for (;;) {
            const ssize_t got = ::read(inotify, buffer, sizeof buffer);
            if (got <= 0)
                return relevant;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) {
                    relevant = true;
                    continue;
                }
                if (event->len == 0)
                    continue;
                if (event->mask & IN_ISDIR) {
                    const auto folder = folders.find(event->wd);
                    if (recursive && folder != folders.end() && (event->mask & (IN_CREATE | IN_MOVED_TO))) {
                        static_cast<void>(Add(folder->second + "/" + event->name));
                        relevant = true;  // it may hold ink files already
                    }
                    continue;
                }
                relevant = relevant || IsInkName(event->name);
            }
        }
    }

    bool SignalWaiting()
    {
        if (stopped)
            return true;
        pollfd one{signals, POLLIN, 0};
        if (::poll(&one, 1, 0) > 0) {
            // Which signal it was makes no difference; the stop holds either
            // way, read or not.
            signalfd_siginfo info{};
            static_cast<void>(::read(signals, &info, sizeof info));
            stopped = true;
        }
        return stopped;
    }
};

CFolderWatch::CFolderWatch() : state_(std::make_unique<State>()) {}
CFolderWatch::~CFolderWatch() = default;

int CFolderWatch::Start(const std::string& folder, bool recursive)
{
    State& s = *state_;
    s.recursive = recursive;
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &stopSignals, &s.previousMask); error != 0)
        return error;
    s.maskChanged = true;
    s.signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (s.signals < 0)
        return errno;
    s.inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (s.inotify < 0)
        return errno;
    return s.Add(folder);
}

bool CFolderWatch::StopRequested() { return state_->SignalWaiting(); }

int CFolderWatch::Error() const { return state_->error; }

WatchWait CFolderWatch::WaitForQuiet(int quietMilliseconds)
{
    State& s = *state_;
    bool changed = false;
    for (;;) {
        if (s.SignalWaiting())
            return WatchWait::Stopped;
        pollfd waiting[2] = {{s.inotify, POLLIN, 0}, {s.signals, POLLIN, 0}};
        // Nothing to time before a change: the wait sleeps until one comes.
        const int ready = ::poll(waiting, 2, changed ? quietMilliseconds : -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            s.error = errno;
            return WatchWait::Failed;
        }
        if (ready == 0)
            return WatchWait::Changed;
        if (waiting[1].revents != 0)
            continue;
        if (waiting[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            s.error = EIO;
            return WatchWait::Failed;
        }
        if (s.Drain())
            changed = true;
    }
}

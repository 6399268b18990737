#pragma once

#include <functional>
#include <memory>

// A thread that runs one function and is joined when the object goes. Its
// stack is small (a worker draws and encodes on the heap): a run of many
// threads costs little of a process's address space, so a run under a
// memory limit fails where the pages are too big, not where the threads are
// made.
class CWorkerThread {
public:
    // Starts `run`; Started says whether the system made the thread (when it
    // did not, `run` is not called).
    explicit CWorkerThread(std::function<void()> run);
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    bool Started() const { return started_; }

private:
    struct Handle;
    std::function<void()> run_;
    std::unique_ptr<Handle> handle_;
    bool started_ = false;
};

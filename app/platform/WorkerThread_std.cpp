#include "platform/WorkerThread.h"

#include <system_error>
#include <thread>
#include <utility>

// Windows reserves a thread's stack without charging it to the process
// until it is used; the standard thread does.
struct CWorkerThread::Handle {
    std::thread thread;
};

CWorkerThread::CWorkerThread(std::function<void()> run) : run_(std::move(run)), handle_(std::make_unique<Handle>())
{
    try {
        handle_->thread = std::thread([this] { run_(); });
        started_ = true;
    } catch (const std::system_error&) {
    }
}

CWorkerThread::~CWorkerThread()
{
    if (started_)
        handle_->thread.join();
}

#include "platform/WorkerThread.h"

#include <pthread.h>

#include <utility>

namespace {

// Room for the deepest call of a worker with a wide margin; the default
// (the stack limit, often 8 MiB) is reserved per thread.
constexpr std::size_t kStackBytes = 1 << 20;

void* Trampoline(void* argument)
{
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
}

}  // namespace

struct CWorkerThread::Handle {
    pthread_t thread{};
};

CWorkerThread::CWorkerThread(std::function<void()> run) : run_(std::move(run)), handle_(std::make_unique<Handle>())
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return;
    // A stack size the system refuses leaves its default.
    static_cast<void>(pthread_attr_setstacksize(&attributes, kStackBytes));
    started_ = pthread_create(&handle_->thread, &attributes, &Trampoline, &run_) == 0;
    pthread_attr_destroy(&attributes);
}

CWorkerThread::~CWorkerThread()
{
    if (started_)
        pthread_join(handle_->thread, nullptr);
}

#pragma once

// Child processes for the benchmarks: a helper serving its parent over two
// pipes, and a launcher that starts the programs measured from such a helper.

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

// A child process serving this one over two pipes: serve(requests, replies)
// runs in the child until it returns (when the request pipe closes, as it
// does when this object goes); the child is waited for then.
class ServingChild {
public:
    explicit ServingChild(const std::function<void(int requests, int replies)>& serve)
    {
        int requests[2];
        int replies[2];
        if (::pipe(requests) != 0 || ::pipe(replies) != 0)
            throw std::runtime_error("pipe failed");
        child_ = ::fork();
        if (child_ < 0)
            throw std::runtime_error("fork failed");
        if (child_ == 0) {
            ::close(requests[1]);
            ::close(replies[0]);
            serve(requests[0], replies[1]);
            ::_exit(0);
        }
        ::close(requests[0]);
        ::close(replies[1]);
        requests_ = requests[1];
        replies_ = replies[0];
    }

    ~ServingChild()
    {
        ::close(requests_);
        ::close(replies_);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }

    ServingChild(const ServingChild&) = delete;
    ServingChild& operator=(const ServingChild&) = delete;

    int Requests() const { return requests_; }
    int Replies() const { return replies_; }

private:
    pid_t child_ = -1;
    int requests_ = -1;
    int replies_ = -1;
};

struct ChildRun {
    double seconds = 0;
    long peakKiB = 0;
    long pageFaults = 0;
    // The exit status, or 128 + the signal that ended the program.
    int exitCode = -1;
};

struct RunOptions {
    // Where the program's output goes; thrown away when empty.
    std::string log;
    // Seconds after which the program is ended by SIGALRM; 0 for no limit.
    unsigned timeoutSeconds = 0;
};

// Runs programs (found on PATH when named without a folder) for wall time,
// peak memory and page faults.
// The peak the system reports for a child counts what the child held before
// its exec, a copy of its parent; so the programs are started by a helper
// forked while this process is still small: make the launcher first.
class Launcher {
public:
    Launcher() : helper_([](int requests, int replies) { Serve(requests, replies); }) {}

    ChildRun Run(const std::vector<std::string>& args, const RunOptions& options = {})
    {
        std::string request = std::to_string(options.timeoutSeconds) + '\0' + options.log + '\0';
        for (const std::string& arg : args)
            request += arg + '\0';
        const uint32_t size = static_cast<uint32_t>(request.size());
        ChildRun run;
        if (!WriteAll(helper_.Requests(), &size, sizeof size) ||
            !WriteAll(helper_.Requests(), request.data(), size) || !ReadAll(helper_.Replies(), &run, sizeof run))
            throw std::runtime_error("the launcher stopped");
        return run;
    }

private:
    static bool WriteAll(int fd, const void* data, std::size_t size)
    {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t n = ::write(fd, p, size);
            if (n <= 0)
                return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    static bool ReadAll(int fd, void* data, std::size_t size)
    {
        char* p = static_cast<char*>(data);
        while (size > 0) {
            const ssize_t n = ::read(fd, p, size);
            if (n <= 0)
                return false;
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    static void Serve(int requests, int replies)
    {
        uint32_t size = 0;
        while (ReadAll(requests, &size, sizeof size)) {
            std::string request(size, '\0');
            if (!ReadAll(requests, request.data(), size))
                return;
            std::vector<char*> fields;
            for (std::size_t at = 0; at < request.size(); at = request.find('\0', at) + 1)
                fields.push_back(request.data() + at);
            if (fields.size() < 3)
                return;
            const unsigned timeout = static_cast<unsigned>(std::stoul(fields[0]));
            const char* log = fields[1];
            std::vector<char*> argv(fields.begin() + 2, fields.end());
            argv.push_back(nullptr);

            const auto start = std::chrono::steady_clock::now();
            const pid_t child = ::fork();
            if (child == 0) {
                const int in = ::open("/dev/null", O_RDONLY);
                const int out = *log ? ::open(log, O_WRONLY | O_CREAT | O_TRUNC, 0644) : ::open("/dev/null", O_WRONLY);
                if (in >= 0)
                    ::dup2(in, 0);
                if (out >= 0) {
                    ::dup2(out, 1);
                    ::dup2(out, 2);
                }
                // A pending alarm outlives the exec.
                if (timeout > 0)
                    ::alarm(timeout);
                ::execvp(argv[0], argv.data());
                ::_exit(127);
            }
            ChildRun run;
            int status = 0;
            rusage usage{};
            if (child > 0 && ::wait4(child, &status, 0, &usage) == child) {
                run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                run.peakKiB = usage.ru_maxrss;
                run.pageFaults = usage.ru_minflt + usage.ru_majflt;
                run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (!WriteAll(replies, &run, sizeof run))
                return;
        }
    }

    ServingChild helper_;
};

}  // namespace bench

// marovi-notebook-bench: marovi-convert over a folder as a notebook. A folder
// of typical notebook pages (a few lines of text and a small sketch each) is
// converted with --index, then run again with --update --index with nothing
// changed; for each, the time and the peak memory of the process. Done for
// 1,000 and for 5,000 pages, so that the memory can be compared.
//
//   marovi-notebook-bench --convert PATH [--pages N,...] WORKDIR
//
// Exits 1 when a target is missed: at least 500 pages/s for the full run,
// at most 0.3 s and no file written for the run with nothing to do, and the
// peak memory under 16 MiB at every size.

#include "inkgen/InkScript.h"
#include "inkfile/InkFileWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Page `number` of the notebook: three lines of text and a small sketch,
// placed a little differently on each page.
std::string NotebookScript(int number)
{
    std::ostringstream s;
    s << "seed " << 7000 + number << "\n";
    s << u8"type きょうの　メモ " << number << "\nbr\n";
    s << u8"type かいぎは 3F の Room B で。\nbr\n";
    s << u8"type しりょうを　わすれずに！\nbr\n";
    const int left = 1000 + (number * 37) % 3000;
    const int top = 800 + (number * 53) % 1200;
    s << "color blue\nrect " << left << " " << top << " " << left + 3000 << " " << top + 2000 << "\n";
    s << "circle " << left + 2000 << " " << top + 1000 << " 300\ncolor black\n";
    return s.str();
}

struct ChildRun {
    int exitCode = -1;
    double seconds = 0;
    long peakKiB = 0;
};

// `args` as a process, its output thrown away, timed and measured.
ChildRun RunProcess(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0 || ::dup2(null, STDERR_FILENO) < 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child)
        throw std::runtime_error("wait4 failed");
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKiB = usage.ru_maxrss;
    return run;
}

// Every file below `folder` with its time of change.
std::map<std::string, fs::file_time_type> Times(const fs::path& folder)
{
    std::map<std::string, fs::file_time_type> times;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            times[entry.path().string()] = entry.last_write_time();
    }
    return times;
}

int Usage()
{
    std::fprintf(stderr, "usage: marovi-notebook-bench --convert PATH [--pages N,...] WORKDIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string convert;
    std::vector<int> sizes = {1000, 5000};
    fs::path work;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--convert" && i + 1 < argc) {
            convert = argv[++i];
        } else if (arg == "--pages" && i + 1 < argc) {
            sizes.clear();
            std::istringstream list(argv[++i]);
            for (std::string size; std::getline(list, size, ',');)
                sizes.push_back(std::max(1, std::atoi(size.c_str())));
        } else if (!arg.empty() && arg[0] != '-' && work.empty()) {
            work = arg;
        } else {
            return Usage();
        }
    }
    if (convert.empty() || work.empty())
        return Usage();

    try {
        work = fs::absolute(work);
        fs::remove_all(work);
        fs::create_directories(work / "kb");
        for (const char* file : {"softKB.skb", "keydef.skb"})
            fs::copy_file(fs::path(MAROVI_EXAMPLES_DIR) / file, work / "kb" / file);
        inkgen::ScriptOptions options;
        options.keyboardPath = (work / "kb" / "softKB.skb").string();

        bool missed = false;
        std::printf("%7s %14s %10s %12s %16s %12s %8s\n", "pages", "full --index", "pages/s", "peak memory",
                    "--update, same", "peak memory", "written");
        for (const int size : sizes) {
            const fs::path notes = work / ("notes-" + std::to_string(size));
            const fs::path html = work / ("html-" + std::to_string(size));
            fs::create_directories(notes);
            for (int page = 1; page <= size; ++page) {
                const fs::path ink = notes / ("page" + std::to_string(page) + ".ink");
                inkgen::ToInkFile(inkgen::RunScript(NotebookScript(page), options)).Save(ink.string());
            }
            const std::vector<std::string> common = {convert, "-k", (work / "kb").string(), "-d", html.string()};
            std::vector<std::string> full = common;
            full.insert(full.end(), {"--index", notes.string()});
            const ChildRun built = RunProcess(full);
            if (built.exitCode != 0)
                throw std::runtime_error("the full run failed");
            // The first --update records the state; the one measured has
            // nothing to do.
            std::vector<std::string> update = common;
            update.insert(update.end(), {"--update", "--index", notes.string()});
            if (RunProcess(update).exitCode != 0)
                throw std::runtime_error("the first --update failed");
            const auto before = Times(html);
            const ChildRun same = RunProcess(update);
            if (same.exitCode != 0)
                throw std::runtime_error("the --update with nothing to do failed");
            const bool wrote = Times(html) != before;

            const double rate = size / built.seconds;
            std::printf("%7d %12.2f s %10.0f %9.1f MiB %14.3f s %9.1f MiB %8s\n", size, built.seconds, rate,
                        static_cast<double>(built.peakKiB) / 1024.0, same.seconds,
                        static_cast<double>(same.peakKiB) / 1024.0, wrote ? "yes" : "none");
            const long limitKiB = 16 * 1024;
            missed = missed || rate < 500 || same.seconds > 0.3 || wrote || built.peakKiB > limitKiB ||
                     same.peakKiB > limitKiB;
            fs::remove_all(notes);
            fs::remove_all(html);
        }
        std::printf(missed ? "a target was missed (500 pages/s, 0.3 s and nothing written, 16 MiB)\n"
                           : "all targets met (500 pages/s, 0.3 s and nothing written, 16 MiB)\n");
        return missed ? 1 : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "marovi-notebook-bench: %s\n", error.what());
        return 1;
    }
}

// A converter killed at any moment of a dense page: whatever it leaves on
// disk is a whole page with whole pictures, or nothing, and the next run
// finishes the work.

#include "FaultSupport.h"

#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>

namespace faults {
namespace {

// Thirty pictures between typed keys, each of a box and its diagonals.
std::string DensePageScript()
{
    std::string script = u8"type かいぎのメモ\nbr\n";
    for (int i = 0; i < 30; ++i) {
        const int x = 11500 + i % 3 * 2000;
        const int y = 1500 + i % 4 * 1100;
        script += "color blue\nrect " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + 1800) +
                  " " + std::to_string(y + 1000) + "\n";
        for (int k = 0; k < 6; ++k)
            script += "polyline " + std::to_string(x) + " " + std::to_string(y + k * 150) + " " +
                      std::to_string(x + 1800) + " " + std::to_string(y + 1000 - k * 150) + "\n";
        script += u8"color black\ntype あ\n";
    }
    return script;
}

// Every file under the folder but the writer's temporary files, by relative
// path.
std::map<std::string, std::string> Published(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(folder))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.rfind(".marovi-", 0) != 0)
            files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
    }
    return files;
}

// Starts marovi-convert on the page and kills it after `delay`.
void ConvertAndKill(const std::vector<std::string>& args, std::chrono::microseconds delay)
{
    const pid_t child = StartConvert(args, "/dev/null", "/dev/null");
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    WaitForConvert(child);
}

TEST(KilledConverter, LeavesWholePagesOrNoneAndTheNextRunFinishes)
{
    ScratchDir scratch;
    const ScopedCurrentDir here(scratch.Path());
    CopyExampleKeyboard(scratch.Path());
    WritePage("dense.ink", DensePageScript());

    // The page as a run that is not disturbed writes it, and how long that takes.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunConvert({"-d", "whole", "dense.ink"}).exitCode, 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const std::map<std::string, std::string> whole = Published("whole");
    ASSERT_EQ(whole.size(), 31u);

    // Over an old page (-f) and into an empty folder, killed from the start
    // to past the end of the run.
    const std::map<std::string, std::string> old{{"dense.html", "<html>old</html>"},
                                                 {"dense.files/dense.1.JPG", "old picture"}};
    for (const bool force : {false, true}) {
        for (int step = 0; step <= 30; ++step) {
            SCOPED_TRACE(std::string(force ? "-f over an old page" : "a new page") + ", killed after " +
                         std::to_string(step) + "/24 of a run");
            fs::remove_all("out");
            fs::create_directories("out/dense.files");
            if (force) {
                for (const auto& [name, bytes] : old)
                    WriteBytes(fs::path("out") / name, bytes);
            }
            std::vector<std::string> args{"-d", "out", "dense.ink"};
            if (force)
                args.insert(args.begin(), "-f");
            ConvertAndKill(args, took * step / 24);

            // Each file is the old one or the new one in full; a page is there
            // only with all of its pictures.
            const std::map<std::string, std::string> left = Published("out");
            for (const auto& [name, bytes] : left) {
                const auto was = old.find(name);
                const bool isOld = force && was != old.end() && was->second == bytes;
                EXPECT_TRUE(isOld || bytes == whole.at(name)) << name;
            }
            if (left.count("dense.html") && left.at("dense.html") == whole.at("dense.html")) {
                EXPECT_EQ(left, whole);
            }

            // The next run completes the page: one without -f makes it unless
            // it is there whole already.
            const ConvertRun next = RunConvert(args);
            EXPECT_EQ(next.exitCode, force || !left.count("dense.html") ? 0 : 1) << next.err;
            EXPECT_EQ(Published("out"), whole);
        }
    }
}

}  // namespace
}  // namespace faults

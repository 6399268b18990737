// A converter killed at any moment of a run of dense pages written side by
// side: whatever it leaves on disk is whole pages with whole pictures, or
// nothing, and the next run finishes the work.

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
    const std::vector<std::string> inks = {"dense1.ink", "dense2.ink", "dense3.ink"};
    WritePage(inks.front(), DensePageScript());
    for (std::size_t k = 1; k < inks.size(); ++k)
        fs::copy_file(inks.front(), inks[k]);
    // Three pages at once on two cores: the kills land while pages are
    // written, synced together and published.
    std::vector<std::string> run{"-j", "3", "-d", "out"};
    run.insert(run.end(), inks.begin(), inks.end());

    // The pages as a run that is not disturbed writes them, and how long that
    // takes.
    std::vector<std::string> undisturbed = run;
    undisturbed[3] = "whole";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunConvert(undisturbed).exitCode, 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const std::map<std::string, std::string> whole = Published("whole");
    ASSERT_EQ(whole.size(), 3 * 31u);

    // Over an old page (-f) and into an empty folder, killed from the start
    // to past the end of the run.
    const std::map<std::string, std::string> old{{"dense1.html", "<html>old</html>"},
                                                 {"dense1.files/dense1.1.JPG", "old picture"}};
    for (const bool force : {false, true}) {
        for (int step = 0; step <= 26; ++step) {
            SCOPED_TRACE(std::string(force ? "-f over an old page" : "new pages") + ", killed after " +
                         std::to_string(step) + "/24 of a run");
            fs::remove_all("out");
            fs::create_directories("out/dense1.files");
            if (force) {
                for (const auto& [name, bytes] : old)
                    WriteBytes(fs::path("out") / name, bytes);
            }
            std::vector<std::string> args = run;
            if (force)
                args.insert(args.begin(), "-f");
            ConvertAndKill(args, took * step / 24);

            // Each file is the old one or the new one in full; a page is there
            // only with all of its pictures.
            const std::map<std::string, std::string> left = Published("out");
            bool anyPage = false;
            for (const auto& [name, bytes] : left) {
                const auto was = old.find(name);
                const bool isOld = force && was != old.end() && was->second == bytes;
                EXPECT_TRUE(isOld || bytes == whole.at(name)) << name;
                const std::string suffix = ".html";
                if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                    continue;
                anyPage = true;
                if (bytes != whole.at(name))
                    continue;
                const std::string pictures = name.substr(0, name.size() - suffix.size()) + ".files/";
                for (const auto& [wholeName, wholeBytes] : whole) {
                    if (wholeName.rfind(pictures, 0) == 0)
                        EXPECT_TRUE(left.count(wholeName) && left.at(wholeName) == wholeBytes) << wholeName;
                }
            }

            // The next run completes the pages: one without -f makes those
            // that are not there whole already.
            const ConvertRun next = RunConvert(args);
            EXPECT_EQ(next.exitCode, force || !anyPage ? 0 : 1) << next.err;
            EXPECT_EQ(Published("out"), whole);
        }
    }
}

}  // namespace
}  // namespace faults

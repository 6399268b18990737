// A page far past the loader's 300,000-record store: every sample arrives in
// the page, and the memory a conversion takes stays in proportion to the ink.

#include "FaultSupport.h"

#include "ink/QuadMapping.h"
#include "inkfile/InkFileWriter.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageConversion.h"
#include "keyboard/PageStrokes.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MAROVI_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MAROVI_UNDER_ASAN 1
#endif
#endif

namespace faults {
namespace {

constexpr int kStrokes = 2000;
constexpr int kPointsPerStroke = 200;
constexpr int kStrokesPerGroup = 200;

// 400,000 samples: a key tap held for 200 samples opens each of ten groups of
// 199 strokes drawn above the keyboard, loops of pen samples a few units
// apart as a pen writes them; each group becomes one picture spanning the
// free part of the sheet.
inkfile::InkFileWriter HugePage()
{
    inkfile::InkFileWriter writer;
    writer.Size(21000, 14800);
    for (int s = 0; s < kStrokes; ++s) {
        std::vector<inkfile::Point> points;
        const bool key = s % kStrokesPerGroup == 0;
        const double cx = key ? 5500 : 1000 + (s * 379) % 19000;
        const double cy = key ? 8500 : 1000 + (s * 211) % 6000;
        const double r = key ? 40 : 200 + (s * 37) % 400;
        for (int i = 0; i < kPointsPerStroke; ++i) {
            const double a = 6.2832 * i / kPointsPerStroke;
            points.push_back({static_cast<uint16_t>(cx + r * std::cos(a)), static_cast<uint16_t>(cy + r * std::sin(a))});
        }
        writer.Stroke(points, static_cast<uint8_t>(s % 4));
    }
    return writer;
}

struct Result {
    uint32_t records = 0;
    std::size_t pageSamples = 0;
    bool written = false;
    std::size_t messages = 0;
};

Result Convert(const fs::path& dir)
{
    const ScopedCurrentDir here(dir);
    MessageLog log;
    CQuadMapping mapping;
    mapping.SetTraceStream(nullptr);
    CKeyboardDef keyboard;
    keyboard.SetMapping(&mapping);
    keyboard.SetMessageBox(&log);
    Result result;
    if (!keyboard.Load())
        return result;
    const InkFileConversion done = ConvertInkFile("huge.ink", keyboard.Clone(), &mapping, "huge.html");
    if (!done.page)
        return result;
    result.records = static_cast<uint32_t>(done.page->Samples().size());
    for (const auto& stroke : done.page->Strokes())
        result.pageSamples += stroke->SampleCount();
    result.written = done.outcome == InkFileConversion::Outcome::Converted;
    result.messages = log.Messages().size();
    return result;
}

TEST(HugeInk, NothingIsDropped)
{
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    HugePage().Save((scratch / "huge.ink").string());

    const Result result = Convert(scratch.Path());
    constexpr uint32_t kRecords = kStrokes * (kPointsPerStroke + 1);
    EXPECT_EQ(result.records, kRecords);
    EXPECT_EQ(result.pageSamples, kRecords);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.messages, 0u);
    for (int picture = 1; picture <= kStrokes / kStrokesPerGroup; ++picture)
        EXPECT_GT(fs::file_size(scratch / "huge.files" / ("huge." + std::to_string(picture) + ".JPG")), 1000u);
}

// Resident memory of this process now, in bytes.
std::size_t ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::stoul(line.substr(6)) * 1024;
    }
    return 0;
}

TEST(HugeInk, MemoryStaysInProportionToTheInk)
{
#ifdef MAROVI_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
#endif
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    HugePage().Save((scratch / "huge.ink").string());
    const std::size_t inkBytes = fs::file_size(scratch / "huge.ink");

    // The conversion runs in a child, whose peak is its own.
    const std::size_t before = ResidentBytes();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const Result result = Convert(scratch.Path());
        ::_exit(result.written && result.messages == 0 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::size_t peak = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
    const std::size_t grown = peak > before ? peak - before : 0;
    EXPECT_LE(grown, 4 * inkBytes + 16 * 1024 * 1024)
        << "ink " << inkBytes << " bytes, resident before " << before << ", peak " << peak;
}

// A batch whose middle page needs more memory than the process may take:
// that page fails, told and named, and the pages after it are converted. The
// limit is swept across the range where the page fails while it is read,
// recognised or written, since where each phase ends moves with the build.
TEST(HugeInk, RunningOutOfMemoryFailsOnlyThatPage)
{
#ifdef MAROVI_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer maps terabytes of shadow memory, beyond any address space limit";
#endif
    ScratchDir scratch;
    CopyExampleKeyboard(scratch.Path());
    WritePage(scratch / "a.ink", u8"type あ\n");
    WritePage(scratch / "c.ink", u8"type い\n");
    // A million taps on one key: 16 MB of ink, some 150 MB to convert.
    inkfile::InkFileWriter header;
    header.Size(21000, 14800);
    std::string huge(reinterpret_cast<const char*>(header.Bytes().data()), header.Bytes().size());
    const auto tap = inkfile::RawSample::Pen(5500, 8500).bytes;
    const auto lift = inkfile::RawSample::Break().bytes;
    std::string pair(tap.begin(), tap.end());
    pair.append(lift.begin(), lift.end());
    huge.reserve(huge.size() + pair.size() * 1000000);
    for (int i = 0; i < 1000000; ++i)
        huge += pair;
    WriteBytes(scratch / "b.ink", huge);

    const ScopedCurrentDir here(scratch.Path());
    const std::string converted = SjisToUtf8("変換済み");
    int failures = 0;
    for (std::size_t megabytes = 24; megabytes <= 136; megabytes += 8) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB");
        const ConvertRun run = RunConvert({"-f", "a.ink", "b.ink", "c.ink"}, megabytes << 20);
        EXPECT_EQ(StatusOf(run, scratch / "a.ink"), converted) << run.out << run.err;
        EXPECT_EQ(StatusOf(run, scratch / "c.ink"), converted) << run.out << run.err;
        const std::string middle = StatusOf(run, scratch / "b.ink");
        if (middle == converted) {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            continue;
        }
        ++failures;
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_TRUE(middle == SjisToUtf8("不正ファイル") || middle == SjisToUtf8("変換エラー")) << run.out;
        EXPECT_NE(run.err.find("marovi-convert: b.ink: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("(Cannot allocate memory)"), std::string::npos) << run.err;
    }
    EXPECT_GT(failures, 0) << "no limit was low enough to fail the page";
}

}  // namespace
}  // namespace faults

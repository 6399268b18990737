// A whole page from arbitrary ink bytes: loading, calibration, recognition and
// the HTML page with its pictures, written into a scratch folder. The loaded
// records must be well formed, the page must be written with its head and
// tail, and every picture it shows must be a complete JPEG file.

#include "FuzzSupport.h"

#include "ink/QuadMapping.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageConversion.h"
#include "keyboard/PageStrokes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#ifndef MAROVI_EXAMPLES_DIR
#error "MAROVI_EXAMPLES_DIR names the folder of the example keyboard"
#endif

namespace {

const char kHead[] = "<html>\r\n<head>\r\n";
const char kTail[] = "\r\n\r\n</body>\r\n</html>\r\n";

struct Setup {
    CQuadMapping mapping;
    CKeyboardDef keyboard;

    Setup()
    {
        fuzz::EnterScratchDir();
        // Random bytes scatter ink over the whole 16-bit range, and every such
        // page is a picture of millions of pixels: the keyboard draws at its
        // coarsest scale, 20 pen units a pixel, so the fuzzer spends its time
        // on the program's logic rather than in the JPEG encoder.
        std::string definition = fuzz::ReadBytes(MAROVI_EXAMPLES_DIR "/softKB.skb");
        const std::string settings = "\"0\",\"12\",\"10\"";
        FUZZ_CHECK(definition.find(settings) != std::string::npos, "the example keyboard's settings line");
        definition.replace(definition.find(settings), settings.size(), "\"0\",\"12\",\"20\"");
        fuzz::WriteBytes("softKB.skb", reinterpret_cast<const uint8_t*>(definition.data()), definition.size());
        mapping.SetTraceStream(nullptr);
        keyboard.SetMapping(&mapping);
        keyboard.SetMessageBox(&fuzz::QuietMessages());
        FUZZ_CHECK(keyboard.Load(), "the example keyboard loads");
    }
};

// The parser writes pen-down, moves and pen-up for every stroke.
void CheckRecords(const std::vector<StrokeSample>& records)
{
    bool inStroke = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const uint16_t kind = records[i].kind;
        FUZZ_CHECK(kind == (inStroke ? StrokeSample::PenMove : StrokeSample::PenDown) ||
                       (inStroke && kind == StrokeSample::PenUp),
                   "record " + std::to_string(i));
        FUZZ_CHECK(kind == StrokeSample::PenUp || records[i].penColor <= 3, "record " + std::to_string(i));
        inStroke = kind != StrokeSample::PenUp;
    }
    FUZZ_CHECK(!inStroke, "the last stroke has its end record");
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every image element of the page names a complete JPEG file.
void CheckPictures(const std::string& page, const std::string& folder)
{
    const std::string open = "<img src=\"./";
    for (std::size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + 1)) {
        const std::size_t start = at + open.size();
        const std::size_t end = page.find('"', start);
        FUZZ_CHECK(end != std::string::npos, "an image element ends");
        const std::string jpeg = fuzz::ReadBytes(folder + "/" + page.substr(start, end - start));
        FUZZ_CHECK(jpeg.size() > 4 && jpeg.compare(0, 2, "\xFF\xD8") == 0 && EndsWith(jpeg, "\xFF\xD9"),
                   page.substr(start, end - start));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    const std::string ink = fuzz::ScratchPath("page.ink");
    const std::string out = fuzz::ScratchPath("out");
    fuzz::WriteBytes(ink, data, size);

    std::error_code ignored;
    std::filesystem::remove_all(out, ignored);
    std::filesystem::create_directory(out);
    // The mapping is shared by every input, as in a conversion run, so a
    // calibration found here carries over.
    const InkFileConversion done = ConvertInkFile(ink, setup.keyboard.Clone(), &setup.mapping, out + "/page.html");
    if (!done.page)
        return 0;
    CheckRecords(done.page->Samples());
    FUZZ_CHECK(done.outcome == InkFileConversion::Outcome::Converted, "a page goes into a writable folder");

    const std::string html = fuzz::ReadBytes(out + "/page.html");
    FUZZ_CHECK(html.compare(0, sizeof kHead - 1, kHead) == 0 && EndsWith(html, kTail), "head and tail");
    CheckPictures(html, out);
    return 0;
}

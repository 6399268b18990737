// InkML as arbitrary bytes: the reader either gives well-formed strokes or
// refuses the document with the line it stopped at, and never both.

#include "FuzzSupport.h"

#include "ink/InkmlReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InkmlPage page;
    const std::string error = ParseInkml(std::string_view(reinterpret_cast<const char*>(data), size), page);
    if (!error.empty()) {
        FUZZ_CHECK(error.rfind("line ", 0) == 0, "a refusal names its line: " + error);
        FUZZ_CHECK(page.records.empty(), "a refused document gives no strokes");
        return 0;
    }
    FUZZ_CHECK(page.records.size() <= kMaxInkmlRecords, "the record bound holds");
    // Pen-down, pen-moves of the same pen, pen-up; nothing outside a stroke.
    bool inStroke = false;
    uint16_t pen = 0;
    for (const StrokeSample& record : page.records) {
        switch (record.kind) {
        case StrokeSample::PenDown:
            FUZZ_CHECK(!inStroke, "a stroke begins inside another");
            FUZZ_CHECK(record.penColor >= 1 && record.penColor <= 3, "a pen of the notepad");
            inStroke = true;
            pen = record.penColor;
            break;
        case StrokeSample::PenMove:
            FUZZ_CHECK(inStroke && record.penColor == pen, "a move continues its stroke");
            break;
        case StrokeSample::PenUp:
            FUZZ_CHECK(inStroke, "a pen-up ends a stroke");
            inStroke = false;
            break;
        default:
            fuzz::Fail("a record of no kind");
        }
    }
    FUZZ_CHECK(!inStroke, "the last stroke is ended");
    return 0;
}

// inkdump FILE...                 prints the strokes of each ink file
// inkdump --make-example FILE     writes a small example page
#include "ink/InkParser.h"
#include "inkfile/InkFileWriter.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

void MakeExample(const std::string& path)
{
    using inkfile::kBlack;
    using inkfile::kBlue;
    using inkfile::kRed;
    inkfile::InkFileWriter ink;
    ink.Size(12000, 16000)
        .Stroke({{2000, 3000}}, kBlack)                                         // a tap
        .Stroke({{4000, 3400}, {4010, 3300}, {4020, 3200}, {4030, 3100}}, kBlack) // upward stroke
        .Stroke({{6000, 9000}, {6800, 9000}, {6800, 9800}, {6000, 9800}, {6000, 9000}}, kBlue)
        .Stroke({{7000, 12000}, {7400, 12400}, {7800, 12000}}, kRed);
    ink.Save(path);
}

bool Dump(const std::string& path)
{
    CInkParser parser;
    parser.SetPath(path);
    CStderrMessageBox messages("inkdump: ");
    if (!parser.DoParse(messages))
        return false;
    const StrokeSample* records = parser.GetRecords();
    const uint32_t count = parser.GetRecordCount();
    uint32_t strokes = 0;
    for (uint32_t i = 0; i < count; ++i)
        strokes += records[i].kind == StrokeSample::PenUp ? 1 : 0;
    std::printf("%s: %u strokes, %u records\n", path.c_str(), strokes, count);

    uint32_t stroke = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const StrokeSample& r = records[i];
        if (r.kind == StrokeSample::PenDown)
            std::printf("stroke %u, colour %u:", ++stroke, unsigned{r.penColor});
        if (r.kind == StrokeSample::PenUp)
            std::printf("\n");
        else
            std::printf(" (%d, %d)", r.x, r.y);
    }
    return true;
}

constexpr char kUsage[] = "usage: inkdump FILE...\n       inkdump --make-example FILE\n"
                         "Prints the strokes of each ink file as the program loads them, or writes\n"
                         "a small example page. A file whose name starts with - follows --.\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    if (std::strcmp(argv[1], "--make-example") == 0) {
        if (argc != 3)
            return Usage();
        try {
            MakeExample(argv[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "inkdump: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    int first = 1;
    if (std::strcmp(argv[1], "--") == 0)
        ++first;
    else if (argv[1][0] == '-' && argv[1][1] != '\0')
        return Usage();
    int status = 0;
    for (int i = first; i < argc; ++i)
        status |= Dump(argv[i]) ? 0 : 1;
    return status;
}

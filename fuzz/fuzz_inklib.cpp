// The ink-file library's whole calling sequence on arbitrary file bytes,
// checked against a second reading of the same bytes: every error code,
// header field, decoded sample, turned coordinate and stroke must match what
// the format says the file holds.

#include "FuzzSupport.h"

#include "ZEL640_IF.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

uint32_t Le(const uint8_t* p, size_t width)
{
    uint32_t value = 0;
    for (size_t i = width; i-- > 0;)
        value = value << 8 | p[i];
    return value;
}

// What the file holds, read the simple way.
struct Expected {
    uint32_t openError = 0;
    uint32_t headerError = 0;
    InkFileHeader header{};
    uint32_t sizeError = 0;
    int32_t count = 0;
};

Expected Read(const uint8_t* data, size_t size)
{
    Expected e;
    if (size < 4) {
        e.openError = ZEL640_ERR_READ;
        return e;
    }
    const uint32_t magic = Le(data, 4);
    if ((magic != ZEL640_MAGIC_UEDY && magic != ZEL640_MAGIC_ARPN) || size < 12 || Le(data + 8, 4) == ZEL640_TAG_SOFT) {
        e.openError = ZEL640_ERR_FORMAT;
        return e;
    }

    InkFileHeader& h = e.header;
    const struct {
        size_t offset;
        size_t width;
        uint32_t* field;
    } layout[] = {{0, 4, &h.magic},  {8, 4, &h.tag},     {12, 2, &h.formatMajor},   {14, 2, &h.formatMinor},
                  {22, 2, &h.aux16}, {24, 4, &h.width},  {28, 4, &h.height},        {34, 1, &h.orientation},
                  {36, 4, &h.aux32}, {44, 0, &h.dataOffset}};
    for (auto field : layout) {
        const size_t width = field.width != 0 ? field.width : h.formatMajor == 1 && h.formatMinor == 0 ? 2 : 4;
        if (field.offset + width > size) {
            e.headerError = ZEL640_ERR_READ;
            return e;
        }
        *field.field = Le(data + field.offset, width);
    }

    const int64_t area = static_cast<int64_t>(size) - static_cast<int64_t>(h.dataOffset);
    if (area < 8)
        e.sizeError = ZEL640_ERR_SIZE;
    else
        e.count = static_cast<int32_t>(area / 8);
    return e;
}

InkSample Decode(const uint8_t* raw)
{
    if (raw[0] == 0xE0)
        return {ZEL640_KIND_BREAK, 0, 0, 0};
    const uint16_t color = raw[0] == 0xA1 ? 1 : raw[0] == 0xA3 ? 2 : raw[0] == 0xA5 ? 3 : 0;
    const uint32_t x = (raw[1] & 0x7Fu) | (raw[2] & 0x7Fu) << 7 | static_cast<uint32_t>(raw[6]) << 14;
    const uint32_t y = (raw[3] & 0x7Fu) | (raw[4] & 0x7Fu) << 7;
    return {ZEL640_KIND_PEN, color, static_cast<uint16_t>(x), static_cast<uint16_t>(y)};
}

InkSample Turn(InkSample s, const InkFileHeader& h)
{
    const uint32_t w = h.width & 0xFFFFu;
    const uint32_t ht = h.height & 0xFFFFu;
    InkSample r = s;
    switch (h.orientation) {
    case 1: r.x = s.y; r.y = static_cast<uint16_t>(w - s.x); break;
    case 2: r.x = static_cast<uint16_t>(w - s.x); r.y = static_cast<uint16_t>(ht - s.y); break;
    case 3: r.x = static_cast<uint16_t>(ht - s.y); r.y = s.x; break;
    default: break;
    }
    return r;
}

bool Same(const InkSample& a, const InkSample& b)
{
    return a.kind == b.kind && a.penColor == b.penColor && a.x == b.x && a.y == b.y;
}

std::string At(size_t i)
{
    return "sample " + std::to_string(i);
}

struct Closer {
    void operator()(ZEL640_File* file) const
    {
        FUZZ_CHECK(ZEL640_Close(file) == 0, "close");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz::ScratchPath("page.ink");
    fuzz::WriteBytes(path, data, size);
    const Expected e = Read(data, size);

    std::unique_ptr<ZEL640_File, Closer> file(ZEL640_Open(path.c_str()));
    if (e.openError != 0) {
        FUZZ_CHECK(!file && ZEL640_GetLastError() == e.openError, "open must fail");
        return 0;
    }
    FUZZ_CHECK(file != nullptr, "open must succeed");

    InkFileHeader header;
    std::memset(&header, 0xA5, sizeof header);
    const int32_t gotHeader = ZEL640_GetHeader(&header, file.get());
    FUZZ_CHECK(std::memcmp(&header, &e.header, sizeof header) == 0, "header fields");
    if (e.headerError != 0) {
        FUZZ_CHECK(gotHeader == 0 && ZEL640_GetLastError() == e.headerError, "header must fail");
        return 0;
    }
    FUZZ_CHECK(gotHeader == 1, "header must succeed");

    int32_t count = -7;
    const int32_t gotSize = ZEL640_GetStrokeSize(&count, &header, file.get());
    if (e.sizeError != 0) {
        FUZZ_CHECK(gotSize == 0 && count == -7 && ZEL640_GetLastError() == e.sizeError, "size must fail");
        return 0;
    }
    FUZZ_CHECK(gotSize == 1 && count == e.count, "sample count");

    std::vector<InkSample> samples(static_cast<size_t>(count));
    FUZZ_CHECK(ZEL640_GetStrokes(samples.data(), &header, count, file.get()) == 1, "read samples");
    for (size_t i = 0; i < samples.size(); ++i)
        FUZZ_CHECK(Same(samples[i], Decode(data + header.dataOffset + 8 * i)), At(i));

    std::vector<InkSample> upright = samples;
    ZEL640_RotateStrokes(upright.data(), samples.data(), count, &header);
    for (size_t i = 0; i < samples.size(); ++i)
        FUZZ_CHECK(Same(upright[i], Turn(samples[i], header)), At(i) + " turned");
    file.reset();

    // Strokes: runs of pen samples, each ended by one break; a break right at
    // the cursor, or the end, ends the enumeration.
    ZEL640_SetStrokesBuffer(upright.data(), count);
    size_t cursor = 0;
    for (;;) {
        size_t run = 0;
        while (cursor + run < upright.size() && upright[cursor + run].kind != ZEL640_KIND_BREAK)
            ++run;
        int32_t points = -1;
        uint16_t color = 0xFFFF;
        InkStrokePoint* stroke = ZEL640_AnalyzeAndLock(&points, &color);
        if (run == 0) {
            FUZZ_CHECK(stroke == nullptr && ZEL640_GetLastError() == ZEL640_ERR_NO_STROKE, "end of strokes");
            // The end stays the end.
            FUZZ_CHECK(ZEL640_AnalyzeAndLock(&points, &color) == nullptr, "end of strokes, again");
            break;
        }
        FUZZ_CHECK(stroke != nullptr && points == static_cast<int32_t>(run), At(cursor) + " starts a stroke");
        FUZZ_CHECK(color == upright[cursor].penColor, At(cursor) + " colour");
        for (size_t i = 0; i < run; ++i)
            FUZZ_CHECK(stroke[i].x == upright[cursor + i].x && stroke[i].y == upright[cursor + i].y, At(cursor + i));
        ZEL640_Free(stroke);
        cursor += run + 1;
    }
    ZEL640_SetStrokesBuffer(nullptr, 0);
    return 0;
}

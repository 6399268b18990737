#include "DecodedJpeg.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf escape;
};

[[noreturn]] void Escape(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

struct Decompressor {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
};

// Everything that changes lives outside this frame (see the writer).
void Decode(Decompressor* d, std::FILE* file, DecodedJpeg* out)
{
    d->cinfo.err = jpeg_std_error(&d->errors.pub);
    d->errors.pub.error_exit = Escape;
    if (setjmp(d->errors.escape) != 0) {
        jpeg_destroy_decompress(&d->cinfo);
        out->ok = false;
        return;
    }
    jpeg_create_decompress(&d->cinfo);
    jpeg_stdio_src(&d->cinfo, file);
    jpeg_read_header(&d->cinfo, TRUE);
    out->precision = d->cinfo.data_precision;
    for (const JQUANT_TBL* table : d->cinfo.quant_tbl_ptrs) {
        if (table != nullptr)
            out->dcQuantisers.push_back(table->quantval[0]);
    }
    d->cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d->cinfo);
    out->width = static_cast<int>(d->cinfo.output_width);
    out->height = static_cast<int>(d->cinfo.output_height);
    out->components = d->cinfo.num_components;
    const std::size_t stride = 3 * std::size_t{d->cinfo.output_width};
    out->rgb.resize(stride * d->cinfo.output_height);
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = out->rgb.data() + stride * d->cinfo.output_scanline;
        jpeg_read_scanlines(&d->cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d->cinfo);
    jpeg_destroy_decompress(&d->cinfo);
    out->ok = true;
}

}  // namespace

RgbColor DecodedJpeg::At(int x, int y) const
{
    const std::size_t at = 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x));
    return RgbColor{rgb[at], rgb[at + 1], rgb[at + 2]};
}

DecodedJpeg DecodeJpeg(const std::string& path)
{
    DecodedJpeg decoded;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return decoded;
    Decompressor decompressor{};
    Decode(&decompressor, file, &decoded);
    std::fclose(file);
    return decoded;
}

uint8_t FirstFrameMarker(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    // Segments after the start-of-image marker: FF, marker, big-endian length.
    for (std::size_t at = 2; at + 4 <= bytes.size() && bytes[at] == 0xFF;) {
        const uint8_t marker = bytes[at + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return marker;
        at += 2 + static_cast<std::size_t>(bytes[at + 2] << 8 | bytes[at + 3]);
    }
    return 0;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsNear(RgbColor actual, RgbColor expected, int tolerance)
{
    return std::abs(actual.red - expected.red) <= tolerance && std::abs(actual.green - expected.green) <= tolerance &&
           std::abs(actual.blue - expected.blue) <= tolerance;
}

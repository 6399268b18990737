#include "image/JpegCodec.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace {

// libjpeg ends the process on an error unless error_exit leaves some other way;
// this one jumps back into Compress.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf escape;
};

struct JpegCompressor {
    jpeg_compress_struct cinfo;
    JpegErrorManager errors;
};

[[noreturn]] void EscapeFromLibrary(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->escape, 1);
}

// The program keeps no log, and the outcome reaches the caller as false.
void DiscardMessage(j_common_ptr) {}

// Picture row y (from the top) as red, green, blue triples.
void ConvertRow(const CImageImpl& image, int32_t y, JSAMPLE* out)
{
    const int32_t width = image.GetWidth();
    const uint8_t* row = image.RowFromTop(y);
    const ImagePalette* palette = image.GetPalette();
    if (image.GetBitsPerPixel() == 24) {
        for (int32_t x = 0; x < width; ++x, row += 3, out += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
    } else if (image.GetBitsPerPixel() == 8 && palette != nullptr) {
        for (int32_t x = 0; x < width; ++x, out += 3) {
            const std::size_t index = row[x];
            const PaletteEntry entry = index < palette->size() ? (*palette)[index] : PaletteEntry{0, 0, 0, 0};
            out[0] = entry.red;
            out[1] = entry.green;
            out[2] = entry.blue;
        }
    } else {
        for (int32_t x = 0; x < width; ++x, out += 3) {
            const RgbColor color = image.GetPixelColor(x, y);
            out[0] = color.red;
            out[1] = color.green;
            out[2] = color.blue;
        }
    }
}

// libjpeg-turbo takes 24-bit rows in their stored blue-green-red order, so the
// rows go to the compressor as they are, without a converted copy.
J_COLOR_SPACE InputColorSpace(const CImageImpl& image)
{
#ifdef JCS_EXTENSIONS
    if (image.GetBitsPerPixel() == 24)
        return JCS_EXT_BGR;
#endif
    static_cast<void>(image);
    return JCS_RGB;
}

// Everything libjpeg changes lives in *compressor, outside this frame, and the
// frame holds no object with a destructor, so the jump back from
// EscapeFromLibrary leaves nothing indeterminate and skips no clean-up. The row
// buffer comes from libjpeg's own pool and goes with the compressor.
bool Compress(JpegCompressor* compressor, const CImageImpl* image, int quality, std::FILE* file)
{
    jpeg_compress_struct* cinfo = &compressor->cinfo;
    cinfo->err = jpeg_std_error(&compressor->errors.pub);
    compressor->errors.pub.error_exit = EscapeFromLibrary;
    compressor->errors.pub.output_message = DiscardMessage;
    if (setjmp(compressor->errors.escape) != 0) {
        jpeg_destroy_compress(&compressor->cinfo);
        return false;
    }

    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = static_cast<JDIMENSION>(image->GetWidth());
    cinfo->image_height = static_cast<JDIMENSION>(image->GetHeight());
    cinfo->input_components = 3;
    cinfo->in_color_space = InputColorSpace(*image);
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);

    if (cinfo->in_color_space != JCS_RGB) {
        for (int32_t y = 0; y < image->GetHeight(); ++y) {
            // libjpeg only reads the rows it is given.
            JSAMPROW stored = const_cast<JSAMPROW>(image->RowFromTop(y));
            jpeg_write_scanlines(cinfo, &stored, 1);
        }
    } else {
        JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                     3 * cinfo->image_width, 1);
        for (int32_t y = 0; y < image->GetHeight(); ++y) {
            ConvertRow(*image, y, row[0]);
            jpeg_write_scanlines(cinfo, row, 1);
        }
    }

    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

}  // namespace

bool CJpegCodec::ReadFile(const std::string&)
{
    return false;
}

bool CJpegCodec::WriteTo(CSafeFile& file)
{
    fileName_ = file.Path();
    if (bits_ == nullptr || file.Stream() == nullptr)
        return false;
    JpegCompressor compressor{};
    return Compress(&compressor, this, quality_, file.Stream());
}

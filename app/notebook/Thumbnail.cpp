#include "notebook/Thumbnail.h"

#include "image/JpegCodec.h"
#include "platform/FileSystem.h"
#include "platform/SafeFile.h"

#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf escape;
};

struct Decompressor {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
};

[[noreturn]] void Escape(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1); }

void Discard(j_common_ptr) {}

// The decoded, scaled picture: 24-bit rows bottom-up, blue-green-red, each
// padded to 4 bytes, as the image layer takes them.
struct Scaled {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rows;
};

// Everything libjpeg changes lives in *decompressor and *out, outside this
// frame, so the jump back leaves nothing indeterminate; `out` is sized
// before the first row is read and only filled afterwards.
bool Decode(Decompressor* decompressor, std::FILE* file, Scaled* out)
{
    jpeg_decompress_struct* cinfo = &decompressor->cinfo;
    cinfo->err = jpeg_std_error(&decompressor->errors.pub);
    decompressor->errors.pub.error_exit = Escape;
    decompressor->errors.pub.output_message = Discard;
    if (setjmp(decompressor->errors.escape) != 0) {
        jpeg_destroy_decompress(&decompressor->cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    cinfo->out_color_space = JCS_RGB;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    while (cinfo->scale_denom < 8 && cinfo->image_width / cinfo->scale_denom > kThumbnailWidth)
        cinfo->scale_denom *= 2;
    jpeg_start_decompress(cinfo);
    out->width = static_cast<int32_t>(cinfo->output_width);
    out->height = static_cast<int32_t>(cinfo->output_height);
    const std::size_t stride = (static_cast<std::size_t>(out->width) * 3 + 3) / 4 * 4;
    out->rows.assign(stride * static_cast<std::size_t>(out->height), 0);
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 cinfo->output_width * 3, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const auto y = static_cast<std::size_t>(cinfo->output_scanline);
        jpeg_read_scanlines(cinfo, row, 1);
        uint8_t* target = out->rows.data() + stride * (static_cast<std::size_t>(out->height) - 1 - y);
        for (int32_t x = 0; x < out->width; ++x) {
            target[3 * x] = row[0][3 * x + 2];
            target[3 * x + 1] = row[0][3 * x + 1];
            target[3 * x + 2] = row[0][3 * x];
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

}  // namespace

int WriteThumbnail(const std::string& picturePath, const std::string& thumbnailPath)
{
    std::FILE* in = nullptr;
    if (const int error = OpenRegularFile(picturePath, in); error != 0)
        return error;
    Decompressor decompressor{};
    Scaled scaled;
    const bool decoded = Decode(&decompressor, in, &scaled);
    // A stream only read from loses nothing when its closing fails.
    static_cast<void>(std::fclose(in));
    if (!decoded || scaled.width == 0 || scaled.height == 0)
        return EINVAL;
    CJpegCodec thumbnail;
    if (!thumbnail.CreateFromPixels(scaled.width, scaled.height, 24, scaled.rows.data()))
        return ENOMEM;
    thumbnail.SetQuality(70);
    CSafeFile file;
    if (const int error = file.Open(thumbnailPath); error != 0)
        return error;
    if (!thumbnail.WriteTo(file)) {
        file.Discard();
        return EIO;
    }
    return file.Commit(FilePublish::Replace);
}

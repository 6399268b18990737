#include "notebook/Thumbnail.h"

#include "image/ImageImpl.h"
#include "image/JpegCodec.h"

#include <cerrno>
#include <algorithm>
#include <cstddef>

ThumbnailPixels ScaleForThumbnail(const CImageImpl& picture)
{
    ThumbnailPixels out;
    const int32_t width = picture.GetWidth();
    const int32_t height = picture.GetHeight();
    if (width <= 0 || height <= 0)
        return out;
    int32_t step = 1;
    while (step < 8 && width / step > kThumbnailWidth)
        step *= 2;
    out.width = (width + step - 1) / step;
    out.height = (height + step - 1) / step;
    const std::size_t stride = (static_cast<std::size_t>(out.width) * 3 + 3) / 4 * 4;
    out.rows.assign(stride * static_cast<std::size_t>(out.height), 0);
    const bool stored24 = picture.GetBitsPerPixel() == 24;
    // Sums of one row of squares, blue-green-red.
    std::vector<uint32_t> sums(static_cast<std::size_t>(out.width) * 3);
    for (int32_t oy = 0; oy < out.height; ++oy) {
        std::fill(sums.begin(), sums.end(), 0);
        const int32_t y0 = oy * step;
        const int32_t y1 = std::min(height, y0 + step);
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* row = picture.RowFromTop(y);
            for (int32_t x = 0; x < width; ++x) {
                uint32_t* sum = &sums[static_cast<std::size_t>(x / step) * 3];
                if (stored24) {
                    sum[0] += row[3 * x];
                    sum[1] += row[3 * x + 1];
                    sum[2] += row[3 * x + 2];
                } else {
                    const RgbColor color = picture.GetPixelColor(x, y);
                    sum[0] += color.blue;
                    sum[1] += color.green;
                    sum[2] += color.red;
                }
            }
        }
        uint8_t* target = out.rows.data() + stride * static_cast<std::size_t>(out.height - 1 - oy);
        for (int32_t ox = 0; ox < out.width; ++ox) {
            const int32_t x0 = ox * step;
            const auto count = static_cast<uint32_t>((std::min(width, x0 + step) - x0) * (y1 - y0));
            for (int c = 0; c < 3; ++c)
                target[3 * ox + c] =
                    static_cast<uint8_t>((sums[static_cast<std::size_t>(ox) * 3 + c] + count / 2) / count);
        }
    }
    return out;
}

int WriteThumbnail(const ThumbnailPixels& pixels, CSafeFile& file, FileSync sync)
{
    if (pixels.width == 0 || pixels.height == 0)
        return EINVAL;
    CJpegCodec thumbnail;
    if (!thumbnail.CreateFromPixels(pixels.width, pixels.height, 24, pixels.rows.data()))
        return ENOMEM;
    thumbnail.SetQuality(70);
    if (!thumbnail.WriteTo(file)) {
        file.Discard();
        return EIO;
    }
    return file.Finish(sync);
}

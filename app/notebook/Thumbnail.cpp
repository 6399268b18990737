#include "notebook/Thumbnail.h"

#include "image/ImageImpl.h"
#include "image/JpegCodec.h"

#include <cerrno>
#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Adds, for every byte of a row of blue-green-red pixels that is not 0xFF,
// how far it is from white to its place in `deficits`, `placeOf[k]` being
// the place of byte k. Ink pictures are white but for their strokes: the row
// is read eight bytes at a time, and only the bytes of words that are not
// all white are looked at.
void AddDeficits(const uint8_t* row, std::size_t size, const uint32_t* placeOf, uint32_t* deficits)
{
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a word's first byte is its lowest");
    std::size_t k = 0;
    for (; k + 8 <= size; k += 8) {
        uint64_t word;
        std::memcpy(&word, row + k, 8);
        // A bit set in each byte that is not 0xFF, found lowest first.
        for (uint64_t dark = ~word; dark != 0;) {
            const auto at = k + static_cast<std::size_t>(__builtin_ctzll(dark) / 8);
            deficits[placeOf[at]] += 0xFFu - row[at];
            dark &= ~(uint64_t{0xFF} << (at - k) * 8);
        }
    }
    for (; k < size; ++k)
        deficits[placeOf[k]] += 0xFFu - row[k];
}

}  // namespace

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
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    // How far each square of one row of squares is from white, per channel
    // (blue, green, red): the mean is white less the deficit per pixel.
    std::vector<uint32_t> deficits(static_cast<std::size_t>(out.width) * 3);
    std::vector<uint8_t> converted(stored24 ? 0 : rowBytes);
    std::vector<uint32_t> placeOf(rowBytes);
    for (std::size_t k = 0; k < rowBytes; ++k)
        placeOf[k] = static_cast<uint32_t>(k / 3 / static_cast<std::size_t>(step) * 3 + k % 3);
    for (int32_t oy = 0; oy < out.height; ++oy) {
        std::fill(deficits.begin(), deficits.end(), 0);
        const int32_t y0 = oy * step;
        const int32_t y1 = std::min(height, y0 + step);
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* row = picture.RowFromTop(y);
            if (!stored24) {
                for (int32_t x = 0; x < width; ++x) {
                    const RgbColor color = picture.GetPixelColor(x, y);
                    const std::size_t at = 3 * static_cast<std::size_t>(x);
                    converted[at] = color.blue;
                    converted[at + 1] = color.green;
                    converted[at + 2] = color.red;
                }
                row = converted.data();
            }
            AddDeficits(row, rowBytes, placeOf.data(), deficits.data());
        }
        uint8_t* target = out.rows.data() + stride * static_cast<std::size_t>(out.height - 1 - oy);
        for (int32_t ox = 0; ox < out.width; ++ox) {
            const int32_t x0 = ox * step;
            const auto count = static_cast<uint32_t>((std::min(width, x0 + step) - x0) * (y1 - y0));
            // Inside the picture a square holds a power of two of pixels,
            // and the mean is a shift rather than a division.
            const bool power = (count & (count - 1)) == 0;
            const int shift = __builtin_ctz(count);
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t at = static_cast<std::size_t>(ox) * 3 + c;
                const uint32_t rounded = 0xFFu * count - deficits[at] + count / 2;
                target[at] = static_cast<uint8_t>(power ? rounded >> shift : rounded / count);
            }
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

#pragma once

#include "platform/SafeFile.h"

#include <cstdint>
#include <vector>

class CImageImpl;

inline constexpr int kThumbnailWidth = 240;

// A small copy of a picture for the index: 24-bit rows bottom-up,
// blue-green-red, each padded to 4 bytes, as the image layer takes them.
struct ThumbnailPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rows;
};

// The picture halved (each pixel the mean of a square of the picture's) until
// it is at most kThumbnailWidth pixels wide, at most three times. Empty (width
// 0) for a picture without pixels.
ThumbnailPixels ScaleForThumbnail(const CImageImpl& picture);

// Encodes the small copy as JPEG into `file`, which must be open, and
// finishes it as `sync` says. 0, or the errno of the failure (EINVAL for a
// copy without pixels).
int WriteThumbnail(const ThumbnailPixels& pixels, CSafeFile& file, FileSync sync = FileSync::Later);

#pragma once

#include <string>

// Writes a small copy of the JPEG picture at `picturePath` to
// `thumbnailPath`, at most kThumbnailWidth pixels wide (libjpeg scales it
// while it decodes, so the picture is never held at full size). 0, or the
// errno of the failure (EINVAL for a picture libjpeg cannot read).
inline constexpr int kThumbnailWidth = 240;
int WriteThumbnail(const std::string& picturePath, const std::string& thumbnailPath);

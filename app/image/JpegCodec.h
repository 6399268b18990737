#pragma once

#include "image/ImageImpl.h"

#include <cstdint>
#include <string>
#include <utility>

// JPEG files through libjpeg. Only writing is provided: baseline, three
// components, every table written, top row first.
class CJpegCodec : public CImageImpl {
public:
    explicit CJpegCodec(std::string name = {}) : CImageImpl(std::move(name)) {}

    bool ReadFile(const std::string& name) override;
    // False when there are no pixels or libjpeg reports an error (the image
    // too large for JPEG, a failed write).
    bool WriteTo(CSafeFile& file) override;

    int32_t GetQuality() const { return quality_; }
    void SetQuality(int32_t value) { quality_ = value; }

private:
    int32_t quality_ = 75;
};

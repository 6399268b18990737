#pragma once

#include "image/ImageImpl.h"

#include <string>
#include <utility>

// Windows bitmap files. Only writing is provided: the file header followed by
// the memory block as it is.
class CBmpCodec : public CImageImpl {
public:
    explicit CBmpCodec(std::string name = {}) : CImageImpl(std::move(name)) {}

    bool ReadFile(const std::string& name) override;
    bool WriteTo(CSafeFile& file) override;
};

#pragma once

#include "image/ImageImpl.h"

#include <string>
#include <utility>

// GIF files. The program never reads or writes them; the class keeps the type
// table complete, and both operations report failure.
class CGifCodec : public CImageImpl {
public:
    explicit CGifCodec(std::string name = {}) : CImageImpl(std::move(name)) {}

    bool ReadFile(const std::string&) override { return false; }
    bool WriteFile(const std::string&) override { return false; }
};

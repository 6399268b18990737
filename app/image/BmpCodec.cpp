#include "image/BmpCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t kFileHeaderSize = 14;

void PutLe32(uint8_t* at, std::size_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

bool CBmpCodec::ReadFile(const std::string&)
{
    return false;
}

bool CBmpCodec::WriteTo(CSafeFile& file)
{
    fileName_ = file.Path();
    if (bits_ == nullptr)
        return false;

    uint8_t header[kFileHeaderSize] = {'B', 'M'};
    PutLe32(header + 2, kFileHeaderSize + dib_.size() + rows_.size());
    PutLe32(header + 10, kFileHeaderSize + dib_.size());

    return file.Write(std::string_view(reinterpret_cast<const char*>(header), sizeof header)) &&
           file.Write(std::string_view(reinterpret_cast<const char*>(dib_.data()), dib_.size())) &&
           file.Write(std::string_view(reinterpret_cast<const char*>(rows_.data()), rows_.size()));
}

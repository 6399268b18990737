#include "image/BmpCodec.h"

#include "image/OutputFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
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

bool CBmpCodec::WriteFile(const std::string& name)
{
    if (!name.empty())
        fileName_ = name;
    if (bits_ == nullptr)
        return false;

    uint8_t header[kFileHeaderSize] = {'B', 'M'};
    PutLe32(header + 2, kFileHeaderSize + dib_.size() + rows_.size());
    PutLe32(header + 10, kFileHeaderSize + dib_.size());

    OutputFile file = OpenOutputFile(fileName_);
    if (!file)
        return false;
    const bool written = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
                         std::fwrite(dib_.data(), 1, dib_.size(), file.get()) == dib_.size() &&
                         std::fwrite(rows_.data(), 1, rows_.size(), file.get()) == rows_.size();
    const bool complete = CloseOutputFile(std::move(file)) && written;
    if (!complete)
        RemoveIncompleteOutput(fileName_);
    return complete;
}

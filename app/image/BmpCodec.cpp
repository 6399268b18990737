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
        fileName = name;
    if (bits == nullptr)
        return false;

    uint8_t header[kFileHeaderSize] = {'B', 'M'};
    PutLe32(header + 2, kFileHeaderSize + dib.size() + rows.size());
    PutLe32(header + 10, kFileHeaderSize + dib.size());

    OutputFile file = OpenOutputFile(fileName);
    if (!file)
        return false;
    const bool written = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
                         std::fwrite(dib.data(), 1, dib.size(), file.get()) == dib.size() &&
                         std::fwrite(rows.data(), 1, rows.size(), file.get()) == rows.size();
    const bool complete = CloseOutputFile(std::move(file)) && written;
    if (!complete)
        RemoveIncompleteOutput(fileName);
    return complete;
}

#include "inkfile/InkFileWriter.h"

#include "platform/FileSystem.h"
#include "platform/SafeFile.h"

#include <cerrno>

#include <atomic>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace inkfile {
namespace {

std::array<uint8_t, 4> FourBytes(const std::string& text, const char* what)
{
    if (text.size() != 4)
        throw std::invalid_argument(std::string(what) + " must be exactly four bytes");
    return {{static_cast<uint8_t>(text[0]), static_cast<uint8_t>(text[1]),
             static_cast<uint8_t>(text[2]), static_cast<uint8_t>(text[3])}};
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    Put16(out, at, value);
    Put16(out, at + 2, value >> 16);
}

} // namespace

RawSample RawSample::Pen(uint16_t x, uint16_t y, uint8_t color)
{
    if (y > kMaxY)
        throw std::out_of_range("an ink sample's y has 14 bits");
    return WithStatus(StatusFor(color), x, y);
}

RawSample RawSample::WithStatus(uint8_t status, uint16_t x, uint16_t y)
{
    RawSample s;
    s.bytes[0] = status;
    s.bytes[1] = static_cast<uint8_t>(x & 0x7F);
    s.bytes[2] = static_cast<uint8_t>((x >> 7) & 0x7F);
    s.bytes[3] = static_cast<uint8_t>(y & 0x7F);
    s.bytes[4] = static_cast<uint8_t>((y >> 7) & 0x7F);
    s.bytes[6] = static_cast<uint8_t>(x >> 14);
    return s;
}

RawSample RawSample::Break()
{
    RawSample s;
    s.bytes[0] = kStatusBreak;
    return s;
}

RawSample RawSample::FromBytes(const std::array<uint8_t, 8>& bytes)
{
    RawSample s;
    s.bytes = bytes;
    return s;
}

uint8_t RawSample::StatusFor(uint8_t color)
{
    switch (color) {
    case kBlack: return kStatusBlack;
    case kColor1: return 0xA1;
    case kBlue: return 0xA3;
    case kRed: return 0xA5;
    default: throw std::out_of_range("pen colour codes are 0 to 3");
    }
}

InkFileWriter& InkFileWriter::Signature(const std::string& fourBytes)
{
    signature_ = FourBytes(fourBytes, "signature");
    return *this;
}

InkFileWriter& InkFileWriter::Tag(const std::string& fourBytes)
{
    tag_ = FourBytes(fourBytes, "tag");
    return *this;
}

InkFileWriter& InkFileWriter::Format(uint16_t major, uint16_t minor)
{
    formatMajor_ = major;
    formatMinor_ = minor;
    return *this;
}

InkFileWriter& InkFileWriter::Size(uint32_t width, uint32_t height)
{
    width_ = width;
    height_ = height;
    return *this;
}

InkFileWriter& InkFileWriter::Orientation(uint8_t orientation)
{
    orientation_ = orientation;
    return *this;
}

InkFileWriter& InkFileWriter::Aux(uint16_t aux16, uint32_t aux32)
{
    aux16_ = aux16;
    aux32_ = aux32;
    return *this;
}

InkFileWriter& InkFileWriter::DataOffset(uint32_t offset)
{
    dataOffset_ = offset;
    return *this;
}

InkFileWriter& InkFileWriter::Trailing(std::vector<uint8_t> bytes)
{
    trailing_ = std::move(bytes);
    return *this;
}

InkFileWriter& InkFileWriter::Sample(const RawSample& sample)
{
    samples_.push_back(sample);
    return *this;
}

InkFileWriter& InkFileWriter::Pen(uint16_t x, uint16_t y, uint8_t color)
{
    return Sample(RawSample::Pen(x, y, color));
}

InkFileWriter& InkFileWriter::Break()
{
    return Sample(RawSample::Break());
}

InkFileWriter& InkFileWriter::Stroke(std::initializer_list<Point> points, uint8_t color)
{
    return Stroke(std::vector<Point>(points), color);
}

InkFileWriter& InkFileWriter::Stroke(const std::vector<Point>& points, uint8_t color)
{
    for (const Point& p : points)
        Pen(p.x, p.y, color);
    return Break();
}

uint32_t InkFileWriter::HeaderSize() const
{
    return formatMajor_ == 1 && formatMinor_ == 0 ? 46 : 48;
}

uint32_t InkFileWriter::EffectiveDataOffset() const
{
    return dataOffset_.value_or(HeaderSize());
}

std::vector<uint8_t> InkFileWriter::Bytes() const
{
    const uint32_t offset = EffectiveDataOffset();
    if (offset < HeaderSize())
        throw std::invalid_argument("the samples cannot start inside the header");

    std::vector<uint8_t> out(offset, 0);
    for (size_t i = 0; i < 4; ++i) {
        out[i] = signature_[i];
        out[8 + i] = tag_[i];
    }
    Put16(out, 12, formatMajor_);
    Put16(out, 14, formatMinor_);
    Put16(out, 22, aux16_);
    Put32(out, 24, width_);
    Put32(out, 28, height_);
    out[34] = orientation_;
    Put32(out, 36, aux32_);
    if (HeaderSize() == 46)
        Put16(out, 44, offset);
    else
        Put32(out, 44, offset);

    out.reserve(out.size() + samples_.size() * 8 + trailing_.size());
    for (const RawSample& s : samples_)
        out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    out.insert(out.end(), trailing_.begin(), trailing_.end());
    return out;
}

void InkFileWriter::Save(const std::string& path) const
{
    SaveBytes(path, Bytes());
}

void SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (const int error = WriteWholeFile(path, text); error != 0)
        throw std::runtime_error("cannot write " + path + ": " + SystemErrorText(error));
}

TempInkFile::TempInkFile(const InkFileWriter& writer) : TempInkFile(writer.Bytes()) {}

TempInkFile::TempInkFile(const std::vector<uint8_t>& bytes)
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    // A name only ever taken, never replaced, so two processes never share one.
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "marovi-" + std::to_string(random()) + "-"
                                 + std::to_string(counter++) + ".ink";
        const std::string candidate = (dir / name).string();
        const int error = WriteWholeFile(candidate, text, FilePublish::Exclusive);
        if (error == EEXIST)
            continue;
        if (error != 0)
            throw std::runtime_error("cannot write " + candidate + ": " + SystemErrorText(error));
        path_ = candidate;
        return;
    }
    throw std::runtime_error("cannot create a temporary ink file in " + dir.string());
}

TempInkFile::~TempInkFile()
{
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

} // namespace inkfile

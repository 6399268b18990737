#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// Writes ink files in the pen notepad's format, for tests and the developer
// tools. Every header field can be set, including values a real notepad never
// writes, so readers can be fed each malformed case on purpose:
//
//     inkfile::InkFileWriter ink;
//     ink.Size(1000, 2000).Orientation(2)
//        .Stroke({{100, 300}, {110, 310}}, inkfile::kBlue)
//        .Stroke({{500, 500}});
//     inkfile::TempInkFile file(ink);   // removed again on destruction
//     parser.SetPath(file.Path());
namespace inkfile {

// Pen color codes as the reader reports them.
inline constexpr uint8_t kBlack = 0;
inline constexpr uint8_t kColor1 = 1;
inline constexpr uint8_t kBlue = 2;
inline constexpr uint8_t kRed = 3;

// Status bytes of a raw sample.
inline constexpr uint8_t kStatusBreak = 0xE0;
inline constexpr uint8_t kStatusBlack = 0xA0;

// The largest coordinates a sample can carry.
inline constexpr uint32_t kMaxX = 0xFFFF;
inline constexpr uint32_t kMaxY = 0x3FFF;

struct Point {
    uint16_t x;
    uint16_t y;
};

// One 8-byte sample as stored in the file.
struct RawSample {
    std::array<uint8_t, 8> bytes{};

    // A pen sample of color code 0 to 3. Throws std::out_of_range for a y
    // above kMaxY or a color above 3, which the format cannot carry.
    static RawSample Pen(uint16_t x, uint16_t y, uint8_t color = kBlack);
    // A pen sample with any status byte (0xE0 makes it a break).
    static RawSample WithStatus(uint8_t status, uint16_t x, uint16_t y);
    static RawSample Break();
    static RawSample FromBytes(const std::array<uint8_t, 8>& bytes);

    // The status byte for a color code (0xA0, 0xA1, 0xA3, 0xA5).
    static uint8_t StatusFor(uint8_t color);
};

class InkFileWriter {
public:
    // Offset 0 and 8: exactly four bytes each (std::invalid_argument otherwise).
    InkFileWriter& Signature(const std::string& fourBytes);
    InkFileWriter& Tag(const std::string& fourBytes);
    // 1.0 stores the data offset in two bytes, every other pair in four.
    InkFileWriter& Format(uint16_t major, uint16_t minor);
    InkFileWriter& Size(uint32_t width, uint32_t height);
    InkFileWriter& Orientation(uint8_t orientation);
    InkFileWriter& Aux(uint16_t aux16, uint32_t aux32);
    // Where the samples start. By default right after the header; a larger
    // offset pads with zero bytes, a smaller one throws std::invalid_argument
    // when the file is built.
    InkFileWriter& DataOffset(uint32_t offset);
    // Bytes after the last sample, e.g. a partial sample.
    InkFileWriter& Trailing(std::vector<uint8_t> bytes);

    InkFileWriter& Sample(const RawSample& sample);
    InkFileWriter& Pen(uint16_t x, uint16_t y, uint8_t color = kBlack);
    InkFileWriter& Break();
    // The stroke's pen samples, all of one color, then a break.
    InkFileWriter& Stroke(std::initializer_list<Point> points, uint8_t color = kBlack);
    InkFileWriter& Stroke(const std::vector<Point>& points, uint8_t color = kBlack);

    // 46 bytes for format 1.0, 48 otherwise.
    uint32_t HeaderSize() const;
    uint32_t EffectiveDataOffset() const;
    const std::vector<RawSample>& Samples() const { return samples_; }

    std::vector<uint8_t> Bytes() const;
    // Throws std::runtime_error when the file cannot be written.
    void Save(const std::string& path) const;

private:
    std::array<uint8_t, 4> signature_{{'U', 'E', 'D', 'Y'}};
    std::array<uint8_t, 4> tag_{{'N', 'O', 'T', 'E'}};
    uint16_t formatMajor_ = 1;
    uint16_t formatMinor_ = 1;
    uint16_t aux16_ = 0;
    uint32_t width_ = 12000;
    uint32_t height_ = 16000;
    uint8_t orientation_ = 0;
    uint32_t aux32_ = 0;
    std::optional<uint32_t> dataOffset_;
    std::vector<RawSample> samples_;
    std::vector<uint8_t> trailing_;
};

// Writes bytes to a file; throws std::runtime_error on failure.
void SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A uniquely named file in the temporary directory, removed on destruction.
class TempInkFile {
public:
    explicit TempInkFile(const InkFileWriter& writer);
    explicit TempInkFile(const std::vector<uint8_t>& bytes);
    ~TempInkFile();
    TempInkFile(const TempInkFile&) = delete;
    TempInkFile& operator=(const TempInkFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace inkfile

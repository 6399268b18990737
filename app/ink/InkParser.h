#pragma once

#include "ink/StrokeSample.h"
#include "platform/MessageBox.h"
#include "platform/ProcessMemory.h"

#include <cstdint>
#include <string>
#include <vector>

// Loads one ink file, or an InkML file (a name ending in ".inkml"), into
// stroke records: for every stroke its points (the first of kind 1, the rest
// of kind 2) and then one end record of kind 3. Coordinates are pen units
// after the page has been turned upright.
//
// One parser per file: SetPath, DoParse, then GetRecords and GetRecordCount.
// The records stay valid until the parser is destroyed.
class CInkParser {
public:
    // Records the store holds at least, one per pen sample plus one per stroke.
    static constexpr uint32_t kMinimumCapacity = 300000;
    // Shown when the samples cannot be read, or the memory to hold them is
    // not there.
    static constexpr char kReadFailedMessage[] = "内部エラー(DoParse)：インクファイル読み込み失敗";

    CInkParser() = default;
    virtual ~CInkParser() = default;
    CInkParser(const CInkParser&) = delete;
    CInkParser& operator=(const CInkParser&) = delete;

    void SetPath(const std::string& path) { path_ = path; }

    // true when the file was loaded; false after a failure, which has been
    // shown on `messages`.
    bool DoParse(IMessageBox& messages);

    const StrokeSample* GetRecords() const { return records_.data(); }
    uint32_t GetRecordCount() const { return recordCount_; }
    const InkPageGeometry& Geometry() const { return geometry_; }

private:
    bool ParseInkml(IMessageBox& messages);

    std::string path_;
    // Reserved once per DoParse for every record the file can need, so
    // appending never reallocates and never drops ink. A large block (see
    // AllocateLargeBlock): it lives only until the page has its copy, and its
    // memory then serves the page's first picture.
    std::vector<StrokeSample, LargeBlockAllocator<StrokeSample>> records_;
    uint32_t recordCount_ = 0;
    InkPageGeometry geometry_;
};

#pragma once

#include "ink/StrokeSample.h"
#include "keyboard/HtmlConversion.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/Object.h"
#include "keyboard/PageReading.h"
#include "keyboard/InkStrokes.h"
#include "keyboard/StagedPage.h"
#include "keyboard/Strokes.h"
#include "platform/SafeFile.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CImageFile;
class CPictureIndex;
class CQuadMapping;
class CTextFileWriter;

// What a caller of StageHtml takes of the page as it is made, beside the
// files: nothing it wrote needs to be read back.
struct PageStaging {
    // Gets the page's bytes as they go into the file; null: not kept.
    std::string* html = nullptr;
    // Shown the first picture of the page once it is drawn, before it is
    // encoded; empty: not shown.
    std::function<void(const CImageFile&)> firstPicture;
    // Every picture is also written as "<directory>/<inkBaseName>.<n>.svg",
    // published with the pictures, before the page.
    bool svg = false;
    // Gets, Shift_JIS, the candidates of the characters the stager read in
    // the page's handwriting (HandwritingCandidates); null: not kept.
    std::string* handwriting = nullptr;
};

// What was written on one page, in the order the strokes began: key strokes
// (CKbStrokes) and ink groups (CInkStrokes).
//
// Building it recognises a calibration at the start of the page (re-aiming
// the mapping and rewriting softKB.skb), maps the page's records into
// keyboard coordinates and splits them into key strokes and ink groups. The
// page owns its keyboard clone, its copy of the records and the stroke
// objects; every stroke is a run of that copy. The mapping is shared and may be
// null (the records then stay as they are).
class CPageStrokes : public CObject {
public:
    CPageStrokes(const StrokeSample* records, std::size_t count, std::unique_ptr<CKeyboardDef> keyboard,
                 CQuadMapping* mapping);
    ~CPageStrokes() override;
    CPageStrokes(const CPageStrokes&) = delete;
    CPageStrokes& operator=(const CPageStrokes&) = delete;

    // The page's keyboard; a following page of the same run is converted with
    // a clone of it, so a calibration found here carries over.
    CKeyboardDef& Keyboard() { return *keyboard_; }
    const CKeyboardDef& Keyboard() const { return *keyboard_; }

    // The objects themselves may be changed (their flags); the list may not.
    const std::vector<CStrokeBase*>& Strokes() const { return strokes_; }

    // The page's records, mapped into keyboard coordinates.
    const std::vector<StrokeSample>& Samples() const { return samples_; }
    // The same records as they were read, in pen coordinates: index for
    // index the records of Samples() before the mapping.
    const std::vector<StrokeSample>& PenRecords() const { return penRecords_; }
    // The sheet the page was read from.
    const InkPageGeometry& Geometry() const { return geometry_; }
    void SetGeometry(const InkPageGeometry& geometry) { geometry_ = geometry; }
    CQuadMapping* Mapping() const { return mapping_; }

    // The page began with the five calibration taps (the first five strokes
    // of the list, inactive).
    bool Calibrated() const { return calibrated_; }

    // Writes the page as a Shift_JIS HTML file (CR LF line ends) at htmlPath:
    // key texts with font markup, line breaks, back spaces applied, and every
    // ink group as a JPEG picture in a directory beside the page (see
    // PictureDirectoryFor). Pictures are named
    // "<directory>/<inkBaseName>.<n>.JPG", n counting from 1 in the order
    // they are first shown. Back spaces make the strokes they cancel inactive
    // for good. With PageEncoding::Utf8 the texts are written in UTF-8
    // instead. Given `readings`, it is filled with how each object of the
    // list was read and what it produced; the page's bytes are the same
    // either way.
    //
    // Every file is written whole or not at all, pictures before the page:
    // a page on disk shows only pictures that are there whole. `publish`
    // says whether the page replaces a file of its name or must find the
    // name free. Any failure (the page, its folder, a picture) shows one
    // message on the keyboard's message box and returns false, and nothing this call wrote stays: no page,
    // no picture, and the old page and its pictures as they were. A picture
    // folder that is a symbolic link is not written into.
    bool ConvertToHtml(const std::string& htmlPath, const std::string& inkBaseName,
                       PageEncoding encoding = PageEncoding::ShiftJis, PageReadings* readings = nullptr,
                       FilePublish publish = FilePublish::Replace);
    // ConvertToHtml up to the publication: the files are written and
    // finished but not synced or named (see CStagedPage). Null after a
    // failure, whose one message has been shown and which left nothing.
    std::unique_ptr<CStagedPage> StageHtml(const std::string& htmlPath, const std::string& inkBaseName,
                                           PageEncoding encoding, PageReadings* readings, FilePublish publish,
                                           const PageStaging& staging = {});
    // How the page reads when it is written, writing nothing: `readings`
    // as StageHtml fills them, every picture numbered as it would be. Back
    // spaces make the strokes they cancel inactive, as writing does.
    void ReadPage(PageReadings& readings);
    // The input mode the page's keyboard is left in once the page is
    // written, found without writing it; the keyboard is left in hiragana,
    // as the page starts.
    InputMode ModeWhenWritten();
    // How many picture files the last ConvertToHtml or StageHtml wrote.
    int32_t PicturesWritten() const { return picturesWritten_; }

private:
    void ApplyBackSpaces();
    // False when a picture could not be written; its message has been shown.
    // Without `html` and `staged` it only reads the page: nothing is
    // written, and every picture counts as written.
    bool WriteBody(CTextFileWriter* html, const std::string& picturePrefix, PageEncoding encoding,
                   CStagedPage* staged, const PageStaging& staging);
    CInkStrokes* FindEarlierPicture(const CPictureIndex& pictures, std::size_t index) const;
    // What the writer reports while readings_ is set.
    void StartReadings();
    void ReportKey(std::size_t index, InputMode mode, std::string_view produced);
    void ReportPicture(std::size_t index, const CInkStrokes& shown);
    std::size_t FindCalibration();
    void MapSamples();
    void Segment(std::size_t start);

    std::unique_ptr<CKeyboardDef> keyboard_;
    // Never resized after construction: every stroke is a run of it.
    std::vector<StrokeSample> samples_;
    const std::vector<StrokeSample> penRecords_;
    InkPageGeometry geometry_;
    // The stroke objects live in these stores, many to an allocation (a page
    // has hundreds of key strokes); a deque never moves what it holds.
    // strokes_ lists the ones of the page, in page order.
    std::deque<CKbStrokes> keyStrokes_;
    std::deque<CInkStrokes> inkGroups_;
    std::vector<CStrokeBase*> strokes_;
    CQuadMapping* mapping_;
    bool calibrated_ = false;
    // Set only inside ConvertToHtml.
    PageReadings* readings_ = nullptr;
    // The pictures reported so far, in page order: by the object whose
    // reading holds them, and how many of those objects were not reuses.
    std::unordered_map<const CStrokeBase*, int32_t> reportedPictures_;
    int32_t ownPicturesReported_ = 0;
    int32_t picturesWritten_ = 0;
};

#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

// A TrueType font as a PDF embeds it: glyphs looked up by code point, their
// advances, and the font cut down to the glyphs a document shows. Glyph
// numbers stay those of the whole font (the subset keeps them), so a page can
// be drawn before the document knows every glyph it will need.
//
// Lookups may run on several threads at once once the font is open.
class CPdfFont {
public:
    ~CPdfFont();
    CPdfFont(const CPdfFont&) = delete;
    CPdfFont& operator=(const CPdfFont&) = delete;

    // Null with the reason, UTF-8, in `error`.
    static std::unique_ptr<CPdfFont> Open(const std::string& path, std::string& error);

    // 0 (the font's missing glyph) for a code point the font lacks.
    uint32_t Glyph(char32_t codePoint) const;
    // In thousandths of the font size, as a PDF's widths count.
    int32_t Advance(uint32_t glyph) const;

    // Thousandths of the font size, as the font's descriptor gives them.
    int32_t Ascent() const { return ascent_; }
    int32_t Descent() const { return descent_; }  // below the baseline: negative
    int32_t CapHeight() const { return capHeight_; }
    const int32_t* BoundingBox() const { return bbox_; }
    const std::string& PostScriptName() const { return postScriptName_; }

    // The file of the font that fontconfig gives for `family`: the best it
    // has, which may be another family. Empty with the reason in `error`.
    static std::string FindFile(const std::string& family, std::string& error);

    // The font file holding `glyphs` (and the missing glyph), without hints;
    // empty with the reason in `error` when it cannot be made.
    std::string Subset(const std::set<uint32_t>& glyphs, std::string& error) const;

private:
    CPdfFont() = default;

    hb_blob_t* blob_ = nullptr;
    hb_face_t* face_ = nullptr;
    hb_font_t* font_ = nullptr;
    uint32_t unitsPerEm_ = 1000;
    int32_t ascent_ = 880;
    int32_t descent_ = -120;
    int32_t capHeight_ = 700;
    int32_t bbox_[4] = {0, -120, 1000, 880};
    std::string postScriptName_;
};

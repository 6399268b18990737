#include "drawing/PdfFont.h"

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cmath>

namespace {

int16_t BigEndian16(const char* bytes)
{
    return static_cast<int16_t>((static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1]));
}

// The table's bytes, empty when the font has none; the font holds them.
std::string TableBytes(hb_face_t* face, hb_tag_t tag)
{
    hb_blob_t* table = hb_face_reference_table(face, tag);
    unsigned int length = 0;
    const char* data = hb_blob_get_data(table, &length);
    std::string bytes = data ? std::string(data, length) : std::string();
    hb_blob_destroy(table);
    return bytes;
}

}  // namespace

CPdfFont::~CPdfFont()
{
    hb_font_destroy(font_);
    hb_face_destroy(face_);
    hb_blob_destroy(blob_);
}

std::unique_ptr<CPdfFont> CPdfFont::Open(const std::string& path, std::string& error)
{
    std::unique_ptr<CPdfFont> font(new CPdfFont);
    font->blob_ = hb_blob_create_from_file_or_fail(path.c_str());
    if (!font->blob_) {
        error = "cannot read the font " + path;
        return nullptr;
    }
    font->face_ = hb_face_create(font->blob_, 0);
    font->unitsPerEm_ = hb_face_get_upem(font->face_);
    const std::string head = TableBytes(font->face_, HB_TAG('h', 'e', 'a', 'd'));
    if (hb_face_get_glyph_count(font->face_) == 0 || head.size() < 54 || font->unitsPerEm_ == 0) {
        error = path + " is not a TrueType font";
        return nullptr;
    }
    if (TableBytes(font->face_, HB_TAG('g', 'l', 'y', 'f')).empty()) {
        error = path + " has no TrueType outlines";
        return nullptr;
    }
    font->font_ = hb_font_create(font->face_);
    // Advances in font units: scaled to thousandths here, once.
    hb_font_set_scale(font->font_, static_cast<int>(font->unitsPerEm_), static_cast<int>(font->unitsPerEm_));
    hb_font_make_immutable(font->font_);

    const auto thousandths = [&font](double units) {
        return static_cast<int32_t>(std::lround(units * 1000.0 / font->unitsPerEm_));
    };
    for (int k = 0; k < 4; ++k)
        font->bbox_[k] = thousandths(BigEndian16(head.data() + 36 + 2 * k));
    hb_font_extents_t extents{};
    if (hb_font_get_h_extents(font->font_, &extents)) {
        font->ascent_ = thousandths(extents.ascender);
        font->descent_ = thousandths(extents.descender);
    }
    hb_position_t capHeight = 0;
    if (hb_ot_metrics_get_position(font->font_, HB_OT_METRICS_TAG_CAP_HEIGHT, &capHeight) && capHeight > 0)
        font->capHeight_ = thousandths(capHeight);

    char name[128];
    unsigned int size = sizeof name;
    if (hb_ot_name_get_utf8(font->face_, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name) > 0)
        font->postScriptName_.assign(name, size);
    // A PDF name: printable ASCII without delimiters.
    font->postScriptName_.erase(
        std::remove_if(font->postScriptName_.begin(), font->postScriptName_.end(),
                       [](char c) { return c <= ' ' || c > '~' || std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos; }),
        font->postScriptName_.end());
    if (font->postScriptName_.empty())
        font->postScriptName_ = "Font";
    return font;
}

std::string CPdfFont::FindFile(const std::string& family, std::string& error)
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = config ? FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str())) : nullptr;
    std::string file;
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* path = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
                file = reinterpret_cast<const char*>(path);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    if (config)
        FcConfigDestroy(config);
    if (file.empty())
        error = "no font found for " + family;
    return file;
}

uint32_t CPdfFont::Glyph(char32_t codePoint) const
{
    hb_codepoint_t glyph = 0;
    return hb_font_get_nominal_glyph(font_, codePoint, &glyph) ? glyph : 0;
}

int32_t CPdfFont::Advance(uint32_t glyph) const
{
    return static_cast<int32_t>(
        std::lround(hb_font_get_glyph_h_advance(font_, glyph) * 1000.0 / unitsPerEm_));
}

std::string CPdfFont::Subset(const std::set<uint32_t>& glyphs, std::string& error) const
{
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input) {
        error = "out of memory";
        return {};
    }
    hb_set_t* kept = hb_subset_input_glyph_set(input);
    hb_set_add(kept, 0);
    for (const uint32_t glyph : glyphs)
        hb_set_add(kept, glyph);
    // The glyph numbers the pages were drawn with stay; the outlines are
    // all a PDF reader needs of the rest.
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING |
                                         HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                               HB_TAG('v', 'h', 'e', 'a'), HB_TAG('v', 'm', 't', 'x'), HB_TAG('V', 'O', 'R', 'G'),
                               HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('k', 'e', 'r', 'n')})
        hb_set_add(dropped, tag);
    hb_face_t* subset = hb_subset_or_fail(face_, input);
    hb_subset_input_destroy(input);
    if (!subset) {
        error = "cannot cut the font down to the document's glyphs";
        return {};
    }
    hb_blob_t* blob = hb_face_reference_blob(subset);
    unsigned int length = 0;
    const char* data = hb_blob_get_data(blob, &length);
    std::string bytes = data ? std::string(data, length) : std::string();
    hb_blob_destroy(blob);
    hb_face_destroy(subset);
    if (bytes.empty())
        error = "cannot cut the font down to the document's glyphs";
    return bytes;
}

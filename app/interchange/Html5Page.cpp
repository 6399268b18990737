#include "interchange/Html5Page.h"

#include "interchange/InkmlWriter.h"
#include "interchange/InterchangeFiles.h"
#include "interchange/PageText.h"
#include "keyboard/InkStrokes.h"
#include "keyboard/PenColors.h"
#include "platform/TextEncoding.h"

#include <map>
#include <string_view>

namespace {

constexpr std::string_view kStyle =
    "body { margin: 0 auto; max-width: 48em; padding: 1em; font-family: sans-serif; line-height: 1.7;"
    " overflow-wrap: anywhere; }\n"
    "p { margin: 0 0 0.4em; }\n"
    "img { max-width: 100%; height: auto; vertical-align: middle; }\n";

// The untitled classic page's title, for a page without text.
constexpr char kUntitled[] = "ソフトキーボードHTML変換結果";

// One line of the page as it is built: its markup, and the pen whose span
// is open (0 for none: black text is not marked).
class CParagraph {
public:
    void AddText(const std::string& utf8, uint16_t penColor)
    {
        const uint16_t pen = penColor == 2 || penColor == 3 ? penColor : 0;
        if (pen != openPen_) {
            CloseSpan();
            if (pen != 0)
                markup_ += "<span style=\"color:" + std::string(PenColorOf(pen).html) + "\">";
            openPen_ = pen;
        }
        markup_ += XmlEscaped(utf8);
    }
    void AddMarkup(const std::string& markup)
    {
        CloseSpan();
        markup_ += markup;
    }
    // The paragraph, or nothing for a line that shows nothing.
    std::string Take()
    {
        CloseSpan();
        std::string paragraph = markup_.empty() ? "" : "<p>" + markup_ + "</p>\n";
        markup_.clear();
        return paragraph;
    }

private:
    void CloseSpan()
    {
        if (openPen_ != 0)
            markup_ += "</span>";
        openPen_ = 0;
    }

    std::string markup_;
    uint16_t openPen_ = 0;
};

// The picture's SVG where one was written beside its JPEG: it stays sharp
// when the page is zoomed.
std::string ImageTag(const CInkStrokes& shown, int32_t number, const PictureHandwriting* writing)
{
    const std::string& file = shown.SvgFile().empty() ? shown.PictureFile() : shown.SvgFile();
    const std::string alt = writing != nullptr ? XmlEscaped(SjisToUtf8(writing->text)) : SjisToUtf8(PictureTitle(number));
    return "<img src=\"" + XmlEscaped(SjisToUtf8(PictureLink(file, kNativePictureLinkRule))) + "\" alt=\"" + alt +
           "\" width=\"" +
           std::to_string(shown.PictureWidth()) + "\" height=\"" + std::to_string(shown.PictureHeight()) + "\">";
}

}  // namespace

std::string Html5PageFor(const std::string& htmlPath) { return FileBesidePage(htmlPath, ".html5.html"); }

std::string Html5Page(const PageReadings& readings, const PageHandwriting* handwriting)
{
    // A picture shown again is the one of the group first shown under its
    // number.
    std::map<int32_t, const CInkStrokes*> shown;
    for (const PageReading& reading : readings) {
        if (reading.kind == PageReading::Kind::Ink && reading.picture > 0 && !reading.reused)
            shown.emplace(reading.picture, static_cast<const CInkStrokes*>(reading.stroke));
    }

    std::string body;
    CParagraph line;
    for (const PageReading& reading : readings) {
        if (IsLineBreak(reading)) {
            body += line.Take();
        } else if (ShowsText(reading)) {
            line.AddText(SjisToUtf8(reading.text), reading.stroke->PenColor());
        } else if (reading.kind == PageReading::Kind::Ink && reading.picture > 0) {
            const auto picture = shown.find(reading.picture);
            if (picture != shown.end())
                line.AddMarkup(ImageTag(*picture->second, reading.picture, WritingOf(handwriting, reading.picture)));
        }
    }
    body += line.Take();

    const std::string text = PageText(readings, handwriting);
    const std::string firstLine = text.substr(0, text.find('\n'));
    const std::string title = firstLine.empty() ? SjisToUtf8(kUntitled) : firstLine;
    std::string page =
        "<!DOCTYPE html>\n"
        "<html lang=\"ja\">\n"
        "<head>\n"
        "<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>" + XmlEscaped(title) + "</title>\n"
        "<style>\n" + std::string(kStyle) + "</style>\n"
        "</head>\n"
        "<body>\n"
        "<main>\n";
    page += body;
    page += "</main>\n</body>\n</html>\n";
    return page;
}

#include "interchange/InkmlWriter.h"

#include "ink/StrokeSample.h"
#include "keyboard/PageStrokes.h"
#include "platform/TextEncoding.h"

#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <string_view>
#include <vector>

namespace {

// A pen coordinate in millimetres: at most two decimals, none that are 0.
std::string Millimetres(int32_t penUnits)
{
    const int32_t whole = std::abs(penUnits) / 100;
    const int32_t hundredths = std::abs(penUnits) % 100;
    std::string text = penUnits < 0 ? "-" : "";
    text += std::to_string(whole);
    if (hundredths != 0) {
        text += '.';
        text += static_cast<char>('0' + hundredths / 10);
        if (hundredths % 10 != 0)
            text += static_cast<char>('0' + hundredths % 10);
    }
    return text;
}

const char* BrushOf(uint16_t penColor) { return penColor == 2 ? "blue" : penColor == 3 ? "red" : "black"; }

void Annotate(std::string& out, const char* type, const std::string& utf8)
{
    out += "<annotation type=\"";
    out += type;
    out += "\">";
    out += XmlEscaped(utf8);
    out += "</annotation>\n";
}

void OpenGroup(std::string& out, const PageReading& reading, const PageHandwriting* handwriting)
{
    out += "<traceGroup>\n";
    switch (reading.kind) {
    case PageReading::Kind::Calibration:
        Annotate(out, "calibrationMark", std::to_string(reading.mark));
        return;
    case PageReading::Kind::Key:
        Annotate(out, "key", reading.key >= 0 ? std::to_string(reading.key) : "-");
        Annotate(out, "gesture", GestureName(reading.gesture));
        Annotate(out, "mode", reading.read ? ModeName(reading.mode) : "-");
        Annotate(out, "text", SjisToUtf8(reading.text));
        if (!reading.stroke->IsActive())
            Annotate(out, "cancelled", "true");
        return;
    case PageReading::Kind::Ink:
        break;
    }
    Annotate(out, "picture", std::to_string(reading.picture));
    if (reading.reused)
        Annotate(out, "reused", "true");
    const PictureHandwriting* writing = WritingOf(handwriting, reading.picture);
    if (writing == nullptr || reading.reused)
        return;
    Annotate(out, "handwriting", SjisToUtf8(writing->text));
    for (const HandwritingCell& cell : writing->cells) {
        std::string described = Millimetres(cell.left) + " " + Millimetres(cell.top) + " " + Millimetres(cell.right) +
                                " " + Millimetres(cell.bottom);
        for (const HandwritingCandidate& candidate : cell.candidates) {
            char score[32];
            static_cast<void>(std::snprintf(score, sizeof score, "%.3f", static_cast<double>(candidate.score)));
            described += " " + SjisToUtf8(candidate.text) + " " + score;
        }
        Annotate(out, "handwritingCell", described);
    }
}

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<ink xmlns=\"http://www.w3.org/2003/InkML\">\n"
    "<definitions>\n"
    "<context xml:id=\"page\">\n"
    "<inkSource xml:id=\"notepad\">\n"
    "<traceFormat>\n"
    "<channel name=\"X\" type=\"decimal\" units=\"mm\"/>\n"
    "<channel name=\"Y\" type=\"decimal\" units=\"mm\"/>\n"
    "</traceFormat>\n";

constexpr std::string_view kResolution =
    "<channelProperties>\n"
    "<channelProperty channel=\"X\" name=\"resolution\" value=\"100\" units=\"1/mm\"/>\n"
    "<channelProperty channel=\"Y\" name=\"resolution\" value=\"100\" units=\"1/mm\"/>\n"
    "</channelProperties>\n"
    "</inkSource>\n"
    "</context>\n"
    "<brush xml:id=\"black\"><brushProperty name=\"color\" value=\"#000000\"/></brush>\n"
    "<brush xml:id=\"blue\"><brushProperty name=\"color\" value=\"#0000FF\"/></brush>\n"
    "<brush xml:id=\"red\"><brushProperty name=\"color\" value=\"#FF0000\"/></brush>\n"
    "</definitions>\n";

}  // namespace

std::string XmlEscaped(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r')
            out += "\xEF\xBF\xBD";
        else
            out += c;
    }
    return out;
}

std::string InkmlDocument(const CPageStrokes& page, const PageReadings& readings, const PageHandwriting* handwriting)
{
    const std::vector<StrokeSample>& records = page.PenRecords();
    // Which reading's object each record belongs to; records of no object
    // (a stray pen-up, say) are -1.
    std::vector<int32_t> owner(records.size(), -1);
    const StrokeSample* base = page.Samples().data();
    for (std::size_t r = 0; r < readings.size(); ++r) {
        const CStrokeBase& stroke = *readings[r].stroke;
        if (stroke.SampleCount() == 0)
            continue;
        const auto first = static_cast<std::size_t>(&stroke.Sample(0) - base);
        for (std::size_t i = first; i < first + stroke.SampleCount() && i < owner.size(); ++i)
            owner[i] = static_cast<int32_t>(r);
    }

    std::string out(kHead);
    const InkPageGeometry& geometry = page.Geometry();
    if (geometry.width != 0 || geometry.height != 0) {
        out += "<activeArea width=\"" + Millimetres(static_cast<int32_t>(geometry.width & 0xFFFFu)) +
               "\" height=\"" + Millimetres(static_cast<int32_t>(geometry.height & 0xFFFFu)) +
               "\" units=\"mm\"/>\n";
    }
    out += kResolution;
    // The records are upright; this says how the notepad had stored them.
    out += "<annotation type=\"orientation\">" + std::to_string(geometry.orientation <= 3 ? geometry.orientation : 0) +
           "</annotation>\n";

    int32_t openGroup = -1;
    const auto closeGroup = [&] {
        if (openGroup >= 0)
            out += "</traceGroup>\n";
        openGroup = -1;
    };
    for (std::size_t i = 0; i < records.size();) {
        if (records[i].kind == StrokeSample::PenUp) {
            ++i;
            continue;
        }
        const int32_t stroke = owner[i];
        if (stroke != openGroup) {
            closeGroup();
            if (stroke >= 0) {
                OpenGroup(out, readings[static_cast<std::size_t>(stroke)], handwriting);
                openGroup = stroke;
            }
        }
        out += "<trace contextRef=\"#page\" brushRef=\"#";
        out += BrushOf(records[i].penColor);
        out += "\">";
        bool firstPoint = true;
        do {
            if (!firstPoint)
                out += ',';
            firstPoint = false;
            out += Millimetres(records[i].x);
            out += ' ';
            out += Millimetres(records[i].y);
            ++i;
        } while (i < records.size() && records[i].kind == StrokeSample::PenMove);
        out += "</trace>\n";
    }
    closeGroup();
    out += "</ink>\n";
    return out;
}

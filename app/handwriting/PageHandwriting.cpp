#include "handwriting/PageHandwriting.h"

#include "keyboard/InkStrokes.h"

std::vector<InkStroke> PictureInk(const CInkStrokes& group)
{
    std::vector<InkStroke> strokes;
    bool open = false;
    for (std::size_t k = 0; k < group.SampleCount(); ++k) {
        switch (group.Sample(k).kind) {
        case StrokeSample::PenDown:
            strokes.emplace_back();
            open = true;
            break;
        case StrokeSample::PenMove:
            if (!open)
                continue;
            break;
        default:
            // A pen-up's coordinates mean nothing.
            open = false;
            continue;
        }
        const PenPoint point = group.PicturePoint(k);
        strokes.back().push_back({point.x, point.y});
    }
    return strokes;
}

PageHandwriting ReadPageHandwriting(const PageReadings& readings, const CHandwritingReader& reader)
{
    PageHandwriting page;
    for (const PageReading& reading : readings) {
        if (reading.kind != PageReading::Kind::Ink || reading.picture <= 0 || reading.reused ||
            reading.stroke == nullptr || reading.stroke->GetKind() != CStrokeBase::Kind::InkGroup)
            continue;
        PictureHandwriting read = reader.Read(PictureInk(*static_cast<const CInkStrokes*>(reading.stroke)));
        if (read.writing)
            page.emplace(reading.picture, std::move(read));
    }
    return page;
}

std::string HandwritingCandidates(const PageHandwriting& handwriting)
{
    std::string lines;
    for (const auto& [number, picture] : handwriting) {
        for (std::size_t k = 0; k < picture.cells.size(); ++k) {
            if (k > 0)
                lines += '|';
            for (const HandwritingCandidate& candidate : picture.cells[k].candidates) {
                if (candidate.text != "|" && candidate.text != "\n")
                    lines += candidate.text;
            }
        }
        lines += '\n';
    }
    return lines;
}

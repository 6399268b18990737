#include "ExplainLoader.h"

#include "ModuleLoader.h"

#include "drawing/ExplainModule.h"
#include "keyboard/PageStrokes.h"
#include "keyboard/Strokes.h"
#include "platform/FileSystem.h"

#include <vector>

namespace {

// Set once, by LoadExplainModule.
DrawExplanationFunction moduleEntry = nullptr;

// Every reading of a converted page has its object.
ExplainPage ExplainPageOf(const CPageStrokes& page, const PageReadings& readings, const PageHandwriting* handwriting)
{
    ExplainPage explained;
    explained.keyboard = PrintedKeyboardOf(page.Keyboard());
    explained.samples = page.Samples().data();
    explained.sampleCount = page.Samples().size();
    explained.readings.reserve(readings.size());
    for (const PageReading& reading : readings) {
        ExplainedReading& shown = explained.readings.emplace_back();
        shown.reading = reading;
        shown.reading.stroke = nullptr;
        switch (reading.kind) {
        case PageReading::Kind::Calibration:
            shown.residualMm = ResidualMm(reading);
            break;
        case PageReading::Kind::Key:
            shown.cancelled = !reading.stroke->IsActive();
            break;
        case PageReading::Kind::Ink:
            shown.records = RecordExtent(*reading.stroke);
            if (const PictureHandwriting* writing = WritingOf(handwriting, reading.picture); writing && !reading.reused)
                shown.handwriting = *writing;
            break;
        }
    }
    return explained;
}

bool DrawThroughModule(const CPageStrokes& page, const PageReadings& readings, const PageHandwriting* handwriting,
                       const std::string& path, std::string& error)
{
    return moduleEntry(ExplainPageOf(page, readings, handwriting), path, error);
}

}  // namespace

ExplainPictureFunction LoadExplainModule(std::string& error)
{
    void* entry = LoadModuleEntry(kExplainModule, kExplainEntryPoint, error);
    if (!entry)
        return nullptr;
    moduleEntry = reinterpret_cast<DrawExplanationFunction>(entry);
    return &DrawThroughModule;
}

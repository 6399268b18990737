#include "ExplainLoader.h"

#include "drawing/ExplainModule.h"
#include "keyboard/PageStrokes.h"
#include "keyboard/Strokes.h"
#include "platform/FileSystem.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Set once, by LoadExplainModule.
DrawExplanationFunction moduleEntry = nullptr;

// The program's own path, however long; empty with errno set when the system
// does not tell it.
std::string ProgramPath()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

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
    const std::string program = ProgramPath();
    if (program.empty()) {
        error = std::string("cannot find the program's own folder: ") + std::strerror(errno);
        return nullptr;
    }
    const std::string module = ParentFolder(program) + "/" MAROVI_EXPLAIN_MODULE_DIR "/" + kExplainModule;
    // Every symbol now, so that a module that does not fit this program fails
    // here rather than halfway through a page.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = reason ? reason : module;
        return nullptr;
    }
    void* entry = ::dlsym(handle, kExplainEntryPoint);
    if (!entry) {
        error = module + ": no " + kExplainEntryPoint;
        ::dlclose(handle);
        return nullptr;
    }
    moduleEntry = reinterpret_cast<DrawExplanationFunction>(entry);
    return &DrawThroughModule;
}

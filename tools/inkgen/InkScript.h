#pragma once

#include "inkgen/KeyboardLayout.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace inkfile {
class InkFileWriter;
}

// The page script: a small line-based language that describes what a user
// writes on one page of the notepad, turned into the pen samples of an ink
// file. The syntax is documented in ScriptHelp() (inkgen --help) and at the
// top of InkScript.cpp.
namespace inkgen {

struct PageHeader {
    std::string signature = "UEDY";
    std::string tag = "NOTE";
    uint16_t formatMajor = 1;
    uint16_t formatMinor = 1;
    uint32_t width = 21000;
    uint32_t height = 14800;
    uint8_t orientation = 0;
};

enum class StrokeRole { Calibration, Key, Ink };

struct GeneratedStroke {
    StrokeRole role = StrokeRole::Ink;
    // The samples as a reader hands them out after turning the page upright,
    // that is after the sheet's shift and turn; the file stores them in the
    // header's orientation.
    std::vector<IntPoint> points;
    uint8_t color = 0;
    int scriptLine = 0;

    // Key strokes: what the stroke aims at and what it yields when read with
    // the calibration undone.
    int key = -1;
    int gesture = 0;
    int mode = kHiragana;  // input mode in force when the stroke is read
    std::string text;      // the slot's text, Shift_JIS; a tag for command keys
    bool active = true;    // false for a back space and for the key it cancels
};

struct GeneratedPage {
    PageHeader header;
    std::vector<GeneratedStroke> strokes;
    std::vector<std::string> warnings;
    std::string keyboardPath;
};

struct ScriptOptions {
    // Used instead of the script's own keyboard line when set.
    std::string keyboardPath;
    // Relative keyboard paths of the script, and the default softKB.skb, are
    // taken from here (normally the script's directory).
    std::string baseDirectory = ".";
    std::optional<uint32_t> seed;
};

class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const std::string& message)
        : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line), message_(message)
    {
    }
    int Line() const { return line_; }
    // The mistake without its line number.
    const std::string& Message() const { return message_; }

private:
    int line_;
    std::string message_;
};

// Runs a script (UTF-8 text). Throws ScriptError for a mistake in the script
// and std::runtime_error when the keyboard cannot be read.
GeneratedPage RunScript(const std::string& script, const ScriptOptions& options = {});

// Builds the ink file of a generated page.
inkfile::InkFileWriter ToInkFile(const GeneratedPage& page);

// What the page should read as, in UTF-8: the texts of the surviving key
// strokes, a line end per "<BR>", and "[picture]" / "[picture again]" for the
// ink groups.
std::string ExpectedText(const GeneratedPage& page);

// The script syntax, as shown by inkgen --help.
const char* ScriptHelp();

} // namespace inkgen

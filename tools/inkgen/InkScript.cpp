// Page scripts for inkgen.
//
// A script is a UTF-8 text file with one command per line. Blank lines and
// lines whose first non-blank character is '#' are ignored. Lengths and
// positions are in pen units (0.01 mm, y downward) or in millimetres with the
// suffix "mm" (12.5mm = 1250). Positions are on the printed sheet, in the
// frame of the keyboard's reference marks.
//
//   header signature UEDY        file signature (UEDY or ARPN, four bytes)
//   header tag NOTE              the tag at offset 8 (four bytes)
//   header format 1 1            format major and minor (1 0 stores a 16-bit data offset)
//   header size 21000 14800      page width and height as the header records them
//   header orientation 0         0 upright; 1, 2, 3 store the samples turned
//   keyboard softKB.skb          the keyboard to write on (relative to the script)
//   seed 7                       seed of the hand's irregularities
//   sheet shift 2mm -1.5mm rotate 1.2
//                                the sheet lies shifted and turned (degrees, clockwise,
//                                about the page centre); applies to all later strokes
//   color blue                   pen color of later strokes: black, blue, red, or 0..3
//   calibrate                    the five taps on the calibration marks, in order
//   type こんにちは、Marovi！    taps and strokes that produce the text, switching
//                                modes with the mode keys as needed; the rest of the
//                                line is the text, "..." keeps leading/trailing blanks
//   tap 12 / up 1 / down 27      tap or stroke keys by index (several indices allowed)
//   hira / kana / han            tap a mode key
//   br [N] / bs [N] / reuse      line break, back space, repeat an earlier picture
//   polyline X Y X Y ...         free strokes off the keyboard (also: line)
//   circle CX CY R
//   rect LEFT TOP RIGHT BOTTOM
//   signature LEFT TOP WIDTH HEIGHT   a flowing signature inside the box
//
// Header lines and the keyboard line must come before the first stroke. Key
// strokes are placed so that their hit point, by the keyboard's hit-point
// rule, lies well inside the key; free strokes must start off the keyboard,
// since a stroke that starts on it is read as a key stroke.

#include "inkgen/InkScript.h"

#include "inkfile/InkFileWriter.h"
#include "inkgen/PenModel.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

namespace inkgen {
namespace {

constexpr uint32_t kDefaultSeed = 1;
// How far a key's hit point stays from the key's edges.
constexpr double kKeyMargin = 100;
// A calibration tap counts when its centre is this close to its mark.
constexpr int32_t kMarkReach = 500;

std::vector<std::string> SplitWords(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w)
        words.push_back(w);
    return words;
}

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string JoinPath(const std::string& directory, const std::string& path)
{
    if (path.empty() || path[0] == '/' || directory.empty() || directory == ".")
        return path;
    if (path.size() > 1 && path[1] == ':')
        return path;
    return directory.back() == '/' ? directory + path : directory + "/" + path;
}

const char* ModeName(int mode)
{
    switch (mode) {
    case kKatakana:
        return "katakana";
    case kHalfWidth:
        return "half-width";
    default:
        return "hiragana";
    }
}

int ModeOfTag(const std::string& text, int otherwise)
{
    if (text == "<HIRA>")
        return kHiragana;
    if (text == "<KANA>")
        return kKatakana;
    if (text == "<HAN>")
        return kHalfWidth;
    return otherwise;
}

// Length of the Shift_JIS character at the start of text (1 or 2 bytes).
size_t CharLength(const std::string& text, size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const bool twoBytes = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    return twoBytes && at + 1 < text.size() ? 2 : 1;
}

// Where the notepad stores an upright point of a page kept in the header's
// orientation; the reader turns it back with 16-bit arithmetic on the
// header's width W and height H.
IntPoint StoredPoint(const PageHeader& h, IntPoint p)
{
    const auto w = static_cast<int32_t>(h.width & 0xFFFF);
    const auto hh = static_cast<int32_t>(h.height & 0xFFFF);
    switch (h.orientation) {
    case 1:
        return {w - p.y, p.x};
    case 2:
        return {w - p.x, hh - p.y};
    case 3:
        return {p.y, hh - p.x};
    default:
        return p;
    }
}

struct SlotChoice {
    int key = -1;
    int gesture = 0;
    size_t length = 0;
};

class Interpreter {
public:
    explicit Interpreter(const ScriptOptions& options)
        : options_(options), jitter_(options.seed.value_or(kDefaultSeed))
    {
    }

    GeneratedPage Run(const std::string& script);

private:
    using Words = std::vector<std::string>;

    [[noreturn]] void Fail(const std::string& what) const { throw ScriptError(line_, what); }
    void Warn(const std::string& what) { page_.warnings.push_back("line " + std::to_string(line_) + ": " + what); }

    void Execute(const std::string& command, const Words& args, const std::string& rest);

    double Length(const std::string& token) const;
    // A whole number from low to high; the result fits an int unless high
    // does not.
    long long Integer(const std::string& token, long long low, long long high) const;
    void ExpectArgs(const Words& args, size_t count) const;
    PenPoint Position(const std::string& x, const std::string& y) const { return {Length(x), Length(y)}; }

    void Header(const Words& args);
    void Sheet(const Words& args);
    void Color(const Words& args);
    const KeyboardLayout& Keyboard();

    int CurrentMode() const;
    std::string SlotText(int key, int mode, int gesture) const;
    void PressKey(int key, int gesture);
    void PressCommand(const std::string& tag);
    void Type(const std::string& utf8);
    std::optional<SlotChoice> FindSlot(const std::string& text, size_t at, int mode) const;
    size_t TypeableRun(const std::string& text, size_t at, int mode) const;
    void Calibrate();
    void FreeStroke(const PenPath& path);

    PenPath PlaceKeyStroke(const LayoutKey& key, int gesture);
    PenPoint HitPoint(const PenPath& path) const;
    std::vector<IntPoint> Write(const PenPath& sheetPath) const;
    GeneratedStroke& AddStroke(StrokeRole role, const PenPath& sheetPath);

    const ScriptOptions& options_;
    GeneratedPage page_;
    std::optional<KeyboardLayout> keyboard_;
    std::string keyboardLine_;
    Jitter jitter_;
    SheetPose pose_;
    uint8_t color_ = inkfile::kBlack;
    int line_ = 0;
    // Key strokes that stay active, in page order; a back space cancels the
    // last of them, as the page is read.
    std::vector<size_t> activeKeys_;
};

GeneratedPage Interpreter::Run(const std::string& script)
{
    std::istringstream in(script);
    std::string raw;
    while (std::getline(in, raw)) {
        ++line_;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const std::string text = Trim(raw);
        if (text.empty() || text[0] == '#')
            continue;
        const auto space = text.find_first_of(" \t");
        const std::string command = text.substr(0, space);
        const std::string rest = space == std::string::npos ? std::string() : text.substr(space + 1);
        Execute(command, SplitWords(rest), rest);
    }
    return std::move(page_);
}

void Interpreter::Execute(const std::string& command, const Words& args, const std::string& rest)
{
    const bool started = !page_.strokes.empty();
    if (command == "header" || command == "keyboard") {
        if (started)
            Fail(command + " must come before the first stroke");
        if (command == "header")
            return Header(args);
        ExpectArgs(args, 1);
        if (keyboard_)
            Fail("the keyboard is already loaded");
        keyboardLine_ = Trim(rest);
        return;
    }
    if (command == "seed") {
        ExpectArgs(args, 1);
        if (!options_.seed)
            jitter_.Reseed(static_cast<uint32_t>(Integer(args[0], 0, 0xFFFFFFFFLL)));
        return;
    }
    if (command == "sheet")
        return Sheet(args);
    if (command == "color" || command == "colour")
        return Color(args);
    if (command == "calibrate") {
        ExpectArgs(args, 0);
        return Calibrate();
    }
    if (command == "type") {
        std::string text = Trim(rest);
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        if (text.empty())
            Fail("type needs a text");
        return Type(text);
    }
    static const std::map<std::string, int> kGestures{{"tap", kTap}, {"up", kUp}, {"down", kDown}};
    if (const auto g = kGestures.find(command); g != kGestures.end()) {
        if (args.empty())
            Fail(command + " needs at least one key index");
        const int keyCount = static_cast<int>(Keyboard().keys.size());
        for (const std::string& arg : args)
            PressKey(static_cast<int>(Integer(arg, 0, keyCount - 1)), g->second);
        return;
    }
    static const std::map<std::string, const char*> kCommands{{"hira", "<HIRA>"}, {"kana", "<KANA>"},
                                                              {"han", "<HAN>"},   {"br", "<BR>"},
                                                              {"bs", "<BS>"},     {"reuse", "<REUSE>"}};
    if (const auto c = kCommands.find(command); c != kCommands.end()) {
        int times = 1;
        if (command == "br" || command == "bs") {
            if (args.size() > 1)
                Fail(command + " takes at most a count");
            times = args.empty() ? 1 : static_cast<int>(Integer(args[0], 1, 100));
        } else {
            ExpectArgs(args, 0);
        }
        for (int i = 0; i < times; ++i)
            PressCommand(c->second);
        return;
    }
    if (command == "polyline" || command == "line") {
        if (args.size() < 4 || args.size() % 2 != 0)
            Fail(command + " needs at least two points (X Y pairs)");
        PenPath corners;
        for (size_t i = 0; i < args.size(); i += 2)
            corners.push_back(Position(args[i], args[i + 1]));
        return FreeStroke(TracePolyline(corners, jitter_));
    }
    if (command == "circle") {
        ExpectArgs(args, 3);
        const double radius = Length(args[2]);
        if (radius < 50)
            Fail("a circle needs a radius of at least 50 units");
        return FreeStroke(CirclePath(Position(args[0], args[1]), radius, jitter_));
    }
    if (command == "rect") {
        ExpectArgs(args, 4);
        return FreeStroke(RectanglePath(Position(args[0], args[1]), Position(args[2], args[3]), jitter_));
    }
    if (command == "signature") {
        ExpectArgs(args, 4);
        const double width = Length(args[2]);
        const double height = Length(args[3]);
        if (width < 500 || height < 200)
            Fail("a signature needs a box of at least 500 x 200 units");
        return FreeStroke(SignaturePath(Position(args[0], args[1]), width, height, jitter_));
    }
    Fail("unknown command \"" + command + "\" (see inkgen --help)");
}

double Interpreter::Length(const std::string& token) const
{
    const bool mm = token.size() > 2 && token.compare(token.size() - 2, 2, "mm") == 0;
    const std::string number = mm ? token.substr(0, token.size() - 2) : token;
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || !std::isfinite(value))
        Fail("\"" + token + "\" is not a length (pen units, or millimetres with mm)");
    return mm ? value * 100 : value;
}

long long Interpreter::Integer(const std::string& token, long long low, long long high) const
{
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(token.c_str(), &end, 10);
    if (token.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
        Fail("\"" + token + "\" is not a number from " + std::to_string(low) + " to " + std::to_string(high));
    return value;
}

void Interpreter::ExpectArgs(const Words& args, size_t count) const
{
    if (args.size() != count)
        Fail("expected " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") + ", found " +
             std::to_string(args.size()));
}

void Interpreter::Header(const Words& args)
{
    if (args.empty())
        Fail("header needs a field: signature, tag, format, size or orientation");
    const std::string& field = args[0];
    const Words values(args.begin() + 1, args.end());
    PageHeader& h = page_.header;
    if (field == "signature" || field == "tag") {
        ExpectArgs(values, 1);
        if (values[0].size() != 4)
            Fail("the " + field + " has exactly four characters");
        (field == "signature" ? h.signature : h.tag) = values[0];
    } else if (field == "format") {
        ExpectArgs(values, 2);
        h.formatMajor = static_cast<uint16_t>(Integer(values[0], 0, 0xFFFF));
        h.formatMinor = static_cast<uint16_t>(Integer(values[1], 0, 0xFFFF));
    } else if (field == "size") {
        ExpectArgs(values, 2);
        h.width = static_cast<uint32_t>(Integer(values[0], 1, 0xFFFF));
        h.height = static_cast<uint32_t>(Integer(values[1], 1, 0xFFFF));
    } else if (field == "orientation") {
        ExpectArgs(values, 1);
        h.orientation = static_cast<uint8_t>(Integer(values[0], 0, 3));
    } else {
        Fail("unknown header field \"" + field + "\"");
    }
}

void Interpreter::Sheet(const Words& args)
{
    SheetPose pose;
    for (size_t i = 0; i < args.size();) {
        if (args[i] == "shift" && i + 2 < args.size()) {
            pose.dx = Length(args[i + 1]);
            pose.dy = Length(args[i + 2]);
            i += 3;
        } else if (args[i] == "rotate" && i + 1 < args.size()) {
            char* end = nullptr;
            pose.degrees = std::strtod(args[i + 1].c_str(), &end);
            if (*end != '\0' || std::fabs(pose.degrees) > 45)
                Fail("\"" + args[i + 1] + "\" is not an angle in degrees (at most 45)");
            i += 2;
        } else if (args[i] == "straight" && args.size() == 1) {
            ++i;
        } else {
            Fail("expected: sheet [shift DX DY] [rotate DEGREES], or sheet straight");
        }
    }
    pose_ = pose;
}

void Interpreter::Color(const Words& args)
{
    ExpectArgs(args, 1);
    static const std::map<std::string, uint8_t> kNames{
        {"black", inkfile::kBlack}, {"blue", inkfile::kBlue}, {"red", inkfile::kRed}};
    if (const auto c = kNames.find(args[0]); c != kNames.end())
        color_ = c->second;
    else
        color_ = static_cast<uint8_t>(Integer(args[0], 0, 3));
}

const KeyboardLayout& Interpreter::Keyboard()
{
    if (!keyboard_) {
        std::string path = options_.keyboardPath;
        if (path.empty())
            path = JoinPath(options_.baseDirectory, keyboardLine_.empty() ? "softKB.skb" : keyboardLine_);
        keyboard_ = KeyboardLayout::Load(path);
        page_.keyboardPath = path;
    }
    return *keyboard_;
}

int Interpreter::CurrentMode() const
{
    if (activeKeys_.empty())
        return kHiragana;
    const GeneratedStroke& last = page_.strokes[activeKeys_.back()];
    return ModeOfTag(last.text, last.mode);
}

std::string Interpreter::SlotText(int key, int mode, int gesture) const
{
    return keyboard_->keys[static_cast<size_t>(key)].slots[static_cast<size_t>(SlotOf(mode, gesture))];
}

PenPoint Interpreter::HitPoint(const PenPath& path) const
{
    const PenPoint f = path.front();
    const PenPoint l = path.size() > 1 ? path.back() : path.front();
    double fraction = 0;
    if (keyboard_->hitPointRule == 1)
        fraction = 0.25;
    else if (keyboard_->hitPointRule == 2)
        fraction = 0.5;
    return {f.x + (l.x - f.x) * fraction, f.y + (l.y - f.y) * fraction};
}

PenPath Interpreter::PlaceKeyStroke(const LayoutKey& key, int gesture)
{
    const Rect& r = key.rect;
    const double halfWidth = (r.right - r.left) / 2.0;
    const double halfHeight = (r.bottom - r.top) / 2.0;
    if (halfWidth <= kKeyMargin || halfHeight <= kKeyMargin)
        Fail("key is too small to be hit reliably");
    const PenPoint centre{r.left + halfWidth, r.top + halfHeight};
    const double spreadX = std::min(150.0, halfWidth - kKeyMargin);
    const double spreadY = std::min(150.0, halfHeight - kKeyMargin);
    const PenPoint aim{centre.x + jitter_.Around(spreadX), centre.y + jitter_.Around(spreadY)};

    PenPath path = gesture == kTap ? TapPath(aim, jitter_) : GesturePath(aim, gesture == kUp, jitter_);
    // A gesture is drawn across the key; when the keyboard hit-tests a point
    // other than the middle, move the stroke so that point is still well
    // inside the key.
    const PenPoint hit = HitPoint(path);
    const double wantX = std::clamp(hit.x, r.left + kKeyMargin, r.right - kKeyMargin);
    const double wantY = std::clamp(hit.y, r.top + kKeyMargin, r.bottom - kKeyMargin);
    for (PenPoint& p : path) {
        p.x += wantX - hit.x;
        p.y += wantY - hit.y;
    }
    return path;
}

std::vector<IntPoint> Interpreter::Write(const PenPath& sheetPath) const
{
    const PageHeader& h = page_.header;
    const bool quarterTurn = h.orientation == 1 || h.orientation == 3;
    const double uprightWidth = quarterTurn ? h.height : h.width;
    const double uprightHeight = quarterTurn ? h.width : h.height;
    SheetPose pose = pose_;
    pose.centre = {uprightWidth / 2, uprightHeight / 2};

    std::vector<IntPoint> points;
    for (const PenPoint& p : sheetPath) {
        const PenPoint w = pose.Apply(p);
        const auto x = static_cast<int32_t>(std::lround(w.x));
        const auto y = static_cast<int32_t>(std::lround(w.y));
        // The stored coordinates must fit a sample (x 16, y 14 bits) and the
        // upright ones the signed 16-bit records of the reader.
        const IntPoint stored = StoredPoint(h, {x, y});
        if (x < 0 || y < 0 || x > 0x7FFF || x > uprightWidth || y > uprightHeight || stored.x < 0 ||
            stored.x > 0xFFFF || stored.y < 0 || stored.y > 0x3FFF)
            Fail("the point (" + std::to_string(x) + ", " + std::to_string(y) + ") lies off the page");
        points.push_back({x, y});
    }
    return points;
}

GeneratedStroke& Interpreter::AddStroke(StrokeRole role, const PenPath& sheetPath)
{
    GeneratedStroke stroke;
    stroke.role = role;
    stroke.points = Write(sheetPath);
    stroke.color = color_;
    stroke.scriptLine = line_;
    page_.strokes.push_back(std::move(stroke));
    return page_.strokes.back();
}

void Interpreter::PressKey(int key, int gesture)
{
    const KeyboardLayout& kb = Keyboard();
    const PenPath path = PlaceKeyStroke(kb.keys[static_cast<size_t>(key)], gesture);
    const int mode = CurrentMode();
    GeneratedStroke& stroke = AddStroke(StrokeRole::Key, path);
    stroke.key = key;
    stroke.gesture = gesture;
    stroke.mode = mode;
    stroke.text = SlotText(key, mode, gesture);
    if (stroke.text == "<BS>") {
        stroke.active = false;
        if (!activeKeys_.empty()) {
            page_.strokes[activeKeys_.back()].active = false;
            activeKeys_.pop_back();
        }
        return;
    }
    activeKeys_.push_back(page_.strokes.size() - 1);
}

void Interpreter::PressCommand(const std::string& tag)
{
    const KeyboardLayout& kb = Keyboard();
    const int mode = CurrentMode();
    for (int gesture : {kTap, kUp, kDown}) {
        for (size_t k = 0; k < kb.keys.size(); ++k) {
            if (kb.keys[k].slots[static_cast<size_t>(SlotOf(mode, gesture))] == tag)
                return PressKey(static_cast<int>(k), gesture);
        }
    }
    Fail("no key gives " + tag + " in " + ModeName(mode) + " mode");
}

std::optional<SlotChoice> Interpreter::FindSlot(const std::string& text, size_t at, int mode) const
{
    std::optional<SlotChoice> best;
    const auto& keys = keyboard_->keys;
    for (int gesture : {kTap, kUp, kDown}) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const std::string& slot = keys[k].slots[static_cast<size_t>(SlotOf(mode, gesture))];
            if (slot.empty() || IsCommandTag(slot) || text.compare(at, slot.size(), slot) != 0)
                continue;
            // The longest text wins; among equals a tap before a stroke, so
            // the simplest gesture is used whenever one will do.
            if (!best || slot.size() > best->length)
                best = SlotChoice{static_cast<int>(k), gesture, slot.size()};
        }
    }
    return best;
}

size_t Interpreter::TypeableRun(const std::string& text, size_t at, int mode) const
{
    size_t run = 0;
    while (at < text.size()) {
        const auto slot = FindSlot(text, at, mode);
        if (!slot)
            break;
        at += slot->length;
        ++run;
    }
    return run;
}

void Interpreter::Type(const std::string& utf8)
{
    const std::string text = Utf8ToSjis(utf8);
    if (SjisToUtf8(text) != utf8)
        Fail("the text cannot be written in Shift_JIS");
    Keyboard();
    size_t at = 0;
    while (at < text.size()) {
        int mode = CurrentMode();
        if (!FindSlot(text, at, mode)) {
            // Switch to the mode that can type the longest stretch from here.
            size_t longest = 0;
            for (int m : {kHiragana, kKatakana, kHalfWidth}) {
                const size_t run = m == mode ? 0 : TypeableRun(text, at, m);
                if (run > longest) {
                    longest = run;
                    mode = m;
                }
            }
            if (longest == 0)
                Fail("no key gives \"" + SjisToUtf8(text.substr(at, CharLength(text, at))) + "\"");
            PressCommand(mode == kHiragana ? "<HIRA>" : mode == kKatakana ? "<KANA>" : "<HAN>");
        }
        const SlotChoice slot = *FindSlot(text, at, mode);
        PressKey(slot.key, slot.gesture);
        at += slot.length;
    }
}

void Interpreter::Calibrate()
{
    const KeyboardLayout& kb = Keyboard();
    if (!page_.strokes.empty())
        Warn("the calibration taps are only recognised at the start of a page");
    for (size_t k = 0; k < kb.referenceMarks.size(); ++k) {
        const IntPoint mark = kb.referenceMarks[k];
        const PenPath path = TapPath({mark.x + jitter_.Around(60), mark.y + jitter_.Around(60)}, jitter_);
        const GeneratedStroke& tap = AddStroke(StrokeRole::Calibration, path);
        int32_t minX = tap.points[0].x, maxX = minX, minY = tap.points[0].y, maxY = minY;
        for (const IntPoint& p : tap.points) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        const int32_t dx = std::abs((minX + maxX) / 2 - mark.x);
        const int32_t dy = std::abs((minY + maxY) / 2 - mark.y);
        if (std::max(dx, dy) > kMarkReach)
            Warn("the tap on mark " + std::to_string(k + 1) + " lands " + std::to_string(std::max(dx, dy)) +
                 " units from it; the page will not calibrate");
    }
}

void Interpreter::FreeStroke(const PenPath& path)
{
    const KeyboardLayout& kb = Keyboard();
    if (kb.InBounds(path.front().x, path.front().y))
        Fail("the stroke starts on the keyboard and would be read as a key stroke");
    AddStroke(StrokeRole::Ink, path);
}

} // namespace

GeneratedPage RunScript(const std::string& script, const ScriptOptions& options)
{
    return Interpreter(options).Run(script);
}

inkfile::InkFileWriter ToInkFile(const GeneratedPage& page)
{
    const PageHeader& h = page.header;
    inkfile::InkFileWriter writer;
    writer.Signature(h.signature)
        .Tag(h.tag)
        .Format(h.formatMajor, h.formatMinor)
        .Size(h.width, h.height)
        .Orientation(h.orientation);
    for (const GeneratedStroke& stroke : page.strokes) {
        std::vector<inkfile::Point> stored;
        for (const IntPoint& p : stroke.points) {
            const IntPoint s = StoredPoint(h, p);
            stored.push_back({static_cast<uint16_t>(s.x), static_cast<uint16_t>(s.y)});
        }
        writer.Stroke(stored, stroke.color);
    }
    return writer;
}

std::string ExpectedText(const GeneratedPage& page)
{
    std::string out;
    bool inInk = false;
    bool reuse = false;
    for (const GeneratedStroke& stroke : page.strokes) {
        if (stroke.role == StrokeRole::Ink) {
            if (!inInk)
                out += reuse ? "[picture again]" : "[picture]";
            inInk = true;
            reuse = false;
            continue;
        }
        inInk = false;
        if (stroke.role != StrokeRole::Key || !stroke.active)
            continue;
        reuse = stroke.text == "<REUSE>";
        if (stroke.text == "<BR>")
            out += "\n";
        else if (!IsCommandTag(stroke.text))
            out += SjisToUtf8(stroke.text);
    }
    return out;
}

const char* ScriptHelp()
{
    return R"(A page script has one command per line; '#' starts a comment line.
Lengths are pen units (0.01 mm) or millimetres with the suffix mm (12.5mm).
Positions are on the printed sheet, y downward.

  header signature UEDY          signature, four bytes (UEDY or ARPN)
  header tag NOTE                tag at offset 8, four bytes
  header format 1 1              format major and minor
  header size 21000 14800        page width and height in the header
  header orientation 0           0..3; a turned page is stored turned
  keyboard softKB.skb            keyboard file, relative to the script
  seed 7                         seed of the hand's small irregularities
  sheet shift 2mm -1mm rotate 1.5
                                 the sheet lies shifted and turned (degrees,
                                 clockwise about the page centre) for every
                                 later stroke; "sheet straight" undoes it
  color blue                     pen colour: black, blue, red or 0..3
  calibrate                      the five taps on the calibration marks
  type TEXT                      the key strokes that produce TEXT (UTF-8),
                                 with mode keys as needed; quote the text
                                 ("...") to keep blanks at its ends
  tap K... | up K... | down K... tap or stroke keys by index (0 = first)
  hira | kana | han              tap a mode key
  br [N] | bs [N] | reuse        line break, back space, show a picture again
  polyline X Y X Y ...           a free stroke off the keyboard (also: line)
  circle CX CY R                 a circle
  rect LEFT TOP RIGHT BOTTOM     a rectangle
  signature LEFT TOP W H         a signature inside the box

header and keyboard lines come before the first stroke. Key strokes hit
their key by the keyboard's hit-point rule; a tap stays within 80 units, an
up stroke ends about 600 units higher and further right, a down stroke lower
and further left. Free strokes must start off the keyboard.
)";
}

} // namespace inkgen

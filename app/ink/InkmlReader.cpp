#include "ink/InkmlReader.h"

#include "ink/XmlParser.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace {

constexpr std::size_t kMaxDepth = 256;
constexpr std::string_view kXmlId = "http://www.w3.org/XML/1998/namespace id";

// A channel of the trace format: its place in a point and how many pen units
// one of its values is.
struct Channel {
    std::string name;
    std::string units;
    bool intermittent = false;
};

struct Resolution {
    double value = 0;
    std::string units;
};

std::optional<double> ParseNumber(std::string_view text)
{
    double value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [last, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || last != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Pen units in one of a length unit; nothing for a unit that is not one.
std::optional<double> PenUnitsPer(std::string_view units)
{
    static const std::map<std::string_view, double> kLengths = {
        {"mm", 100.0},         {"cm", 1000.0},          {"m", 100000.0}, {"um", 0.1},
        {"in", 2540.0},        {"pt", 2540.0 / 72.0},   {"pc", 2540.0 / 6.0},
    };
    const auto found = kLengths.find(units);
    if (found == kLengths.end())
        return std::nullopt;
    return found->second;
}

class CInkmlHandler : public IXmlEvents {
public:
    explicit CInkmlHandler(InkmlPage& page) : page_(page) {}

    std::string StartElement(std::string_view name, const std::vector<Attribute>& attributes) override
    {
        if (stack_.size() >= kMaxDepth)
            return "elements nested too deeply";
        const std::string local = LocalName(name);
        if (stack_.empty() && local != "ink")
            return "the document is not InkML (its root is not <ink> in " + std::string(kInkmlNamespace) + ")";
        stack_.push_back(local);
        const auto attribute = [&attributes](std::string_view wanted) -> std::string {
            for (const Attribute& a : attributes) {
                if (a.name == wanted)
                    return std::string(a.value);
            }
            return {};
        };

        if (local == "traceFormat") {
            collecting_ = !formatFixed_ && !sawFormat_;
            if (collecting_)
                channels_.clear();
            sawFormat_ = true;
        } else if (local == "intermittentChannels") {
            intermittent_ = true;
        } else if (local == "channel" && collecting_) {
            channels_.push_back({attribute("name"), attribute("units"), intermittent_});
        } else if (local == "channelProperty") {
            if (attribute("name") == "resolution") {
                const std::optional<double> value = ParseNumber(attribute("value"));
                if (!value || *value <= 0)
                    return "the resolution of channel " + attribute("channel") + " is not a positive number";
                resolutions_[attribute("channel")] = {*value, attribute("units")};
            }
        } else if (local == "brush") {
            brushId_ = attribute(kXmlId);
        } else if (local == "brushProperty") {
            if (attribute("name") == "color" && !brushId_.empty())
                brushColors_[brushId_] = PenOfColor(attribute("value"));
        } else if (local == "activeArea") {
            if (std::string error = ReadActiveArea(attribute("width"), attribute("height"), attribute("units"));
                !error.empty())
                return error;
        } else if (local == "annotation") {
            orientationText_ = stack_.size() == 2 && attribute("type") == "orientation";
            text_.clear();
        } else if (local == "traceGroup") {
            groupBrushes_.push_back(attribute("brushRef"));
        } else if (local == "trace") {
            inTrace_ = true;
            text_.clear();
            traceBrush_ = attribute("brushRef");
            penUpTrace_ = attribute("type") == "penUp";
        }
        return {};
    }

    std::string EndElement(std::string_view name) override
    {
        const std::string local = LocalName(name);
        stack_.pop_back();
        if (local == "traceFormat") {
            if (collecting_)
                formatFixed_ = true;
            collecting_ = false;
        } else if (local == "intermittentChannels") {
            intermittent_ = false;
        } else if (local == "brush") {
            brushId_.clear();
        } else if (local == "annotation" && orientationText_) {
            orientationText_ = false;
            const std::optional<double> value = ParseNumber(Trimmed(text_));
            if (!value || *value < 0 || *value > 3 || *value != std::floor(*value))
                return "the orientation annotation is not 0, 1, 2 or 3";
            page_.geometry.orientation = static_cast<uint32_t>(*value);
        } else if (local == "traceGroup") {
            if (!groupBrushes_.empty())
                groupBrushes_.pop_back();
        } else if (local == "trace") {
            inTrace_ = false;
            if (!penUpTrace_)
                return AddTrace();
        }
        return {};
    }

    std::string Text(std::string_view text) override
    {
        if (inTrace_ || orientationText_)
            text_.append(text);
        return {};
    }

private:
    static std::string LocalName(std::string_view name)
    {
        const std::string prefix = std::string(kInkmlNamespace) + " ";
        if (name.substr(0, prefix.size()) == prefix)
            return std::string(name.substr(prefix.size()));
        // Elements of other vocabularies (inside annotationXML, say) are
        // carried along unread.
        return "?" + std::string(name);
    }

    static std::string_view Trimmed(std::string_view text)
    {
        const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
        while (!text.empty() && space(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && space(text.back()))
            text.remove_suffix(1);
        return text;
    }

    static uint16_t PenOfColor(std::string value)
    {
        std::transform(value.begin(), value.end(), value.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (value == "#0000ff" || value == "#00f" || value == "blue")
            return 2;
        if (value == "#ff0000" || value == "#f00" || value == "red")
            return 3;
        return 1;
    }

    std::string ReadActiveArea(const std::string& width, const std::string& height, const std::string& units)
    {
        const std::optional<double> perUnit = PenUnitsPer(units.empty() ? "mm" : units);
        if (!perUnit)
            return "the active area's unit \"" + units + "\" is not a length";
        const auto extent = [&](const std::string& text, uint32_t& out) -> bool {
            if (text.empty())
                return true;
            const std::optional<double> value = ParseNumber(text);
            if (!value || *value < 0 || *value * *perUnit > 4294967295.0)
                return false;
            out = static_cast<uint32_t>(std::llround(*value * *perUnit));
            return true;
        };
        if (!extent(width, page_.geometry.width) || !extent(height, page_.geometry.height))
            return "the active area's size is not a number in range";
        return {};
    }

    // Pen units per value of the channel: from its unit, else from the ink
    // source's resolution for it, else 1 (the values are pen units).
    std::string Scale(const Channel& channel, double& scale) const
    {
        if (!channel.units.empty() && channel.units != "dev") {
            const std::optional<double> perUnit = PenUnitsPer(channel.units);
            if (!perUnit)
                return "the unit \"" + channel.units + "\" of channel " + channel.name + " is not a length";
            scale = *perUnit;
            return {};
        }
        const auto found = resolutions_.find(channel.name);
        if (found == resolutions_.end()) {
            scale = 1.0;
            return {};
        }
        const Resolution& resolution = found->second;
        const std::string_view units = resolution.units;
        const std::optional<double> perUnit =
            units.substr(0, 2) == "1/" ? PenUnitsPer(units.substr(2)) : std::optional<double>();
        if (!perUnit)
            return "the resolution unit \"" + resolution.units + "\" of channel " + channel.name +
                   " is not one per length";
        scale = *perUnit / resolution.value;
        return {};
    }

    std::string FixFormat()
    {
        formatFixed_ = true;
        if (!sawFormat_)
            channels_ = {{"X", "", false}, {"Y", "", false}};
        regular_ = 0;
        xIndex_ = yIndex_ = std::string::npos;
        for (std::size_t i = 0; i < channels_.size(); ++i) {
            if (!channels_[i].intermittent)
                ++regular_;
            if (channels_[i].name == "X")
                xIndex_ = i;
            else if (channels_[i].name == "Y")
                yIndex_ = i;
        }
        if (xIndex_ == std::string::npos || yIndex_ == std::string::npos)
            return "the trace format has no X and Y channels";
        if (xIndex_ >= regular_ || yIndex_ >= regular_)
            return "the X and Y channels are intermittent";
        if (std::string error = Scale(channels_[xIndex_], xScale_); !error.empty())
            return error;
        return Scale(channels_[yIndex_], yScale_);
    }

    uint16_t TracePen() const
    {
        std::string ref = traceBrush_;
        for (auto group = groupBrushes_.rbegin(); ref.empty() && group != groupBrushes_.rend(); ++group)
            ref = *group;
        if (!ref.empty() && ref[0] == '#')
            ref.erase(0, 1);
        const auto found = brushColors_.find(ref);
        return found == brushColors_.end() ? 1 : found->second;
    }

    // Reads the points of the trace text into records. Values are separated
    // by white space or follow each other where a sign, a qualifier or a
    // second "." ends one; points are separated by ",". A value may carry
    // "!" (explicit), "'" (first difference) or "\"" (second difference),
    // which holds for the channel until another is given.
    std::string AddTrace()
    {
        if (!formatFixed_ || xIndex_ == std::string::npos) {
            if (std::string error = FixFormat(); !error.empty())
                return error;
        }
        enum class Mode { Explicit, First, Second };
        std::vector<Mode> modes(channels_.size(), Mode::Explicit);
        std::vector<double> values(channels_.size(), 0.0);
        std::vector<double> deltas(channels_.size(), 0.0);
        const uint16_t pen = TracePen();
        const std::size_t firstRecord = page_.records.size();
        std::size_t channel = 0;
        std::size_t points = 0;
        const std::string_view text = text_;
        std::size_t i = 0;

        const auto endPoint = [&]() -> std::string {
            if (channel == 0)
                return "an empty point in a trace";
            if (channel < regular_)
                return "a point of a trace has fewer values than the trace format has channels";
            const auto pen16 = [](double value, int16_t& out) {
                const double rounded = std::nearbyint(value);
                if (!(rounded >= -32768.0 && rounded <= 32767.0))
                    return false;
                out = static_cast<int16_t>(rounded);
                return true;
            };
            StrokeSample sample{points == 0 ? StrokeSample::PenDown : StrokeSample::PenMove, 0, 0, pen};
            if (!pen16(values[xIndex_] * xScale_, sample.x) || !pen16(values[yIndex_] * yScale_, sample.y))
                return "a coordinate lies outside the pen's range";
            if (page_.records.size() + 2 > kMaxInkmlRecords)
                return "more points than a page can hold";
            page_.records.push_back(sample);
            ++points;
            channel = 0;
            return {};
        };

        while (i < text.size()) {
            const char c = text[i];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++i;
                continue;
            }
            if (c == ',') {
                if (std::string error = endPoint(); !error.empty())
                    return error;
                ++i;
                continue;
            }
            if (channel >= channels_.size())
                return "a point of a trace has more values than the trace format has channels";
            Mode mode = modes[channel];
            if (c == '!' || c == '\'' || c == '"') {
                mode = c == '!' ? Mode::Explicit : c == '\'' ? Mode::First : Mode::Second;
                ++i;
            }
            // A number: sign, digits with at most one ".", an exponent.
            std::size_t end = i;
            if (end < text.size() && (text[end] == '-' || text[end] == '+'))
                ++end;
            bool dot = false;
            while (end < text.size() &&
                   (std::isdigit(static_cast<unsigned char>(text[end])) != 0 || (text[end] == '.' && !dot))) {
                dot = dot || text[end] == '.';
                ++end;
            }
            if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
                ++end;
                if (end < text.size() && (text[end] == '-' || text[end] == '+'))
                    ++end;
                while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) != 0)
                    ++end;
            }
            const std::optional<double> value = ParseNumber(text.substr(i, end - i));
            if (end == i || !value)
                return "a trace holds something that is not a number";
            i = end;
            // Differences start from the previous point; the first point of
            // a trace is always explicit.
            if (points == 0 || mode == Mode::Explicit) {
                values[channel] = *value;
                deltas[channel] = 0;
            } else if (mode == Mode::First) {
                deltas[channel] = *value;
                values[channel] += *value;
            } else {
                deltas[channel] += *value;
                values[channel] += deltas[channel];
            }
            if (!std::isfinite(values[channel]))
                return "a coordinate lies outside the pen's range";
            modes[channel] = mode;
            ++channel;
        }
        if (channel > 0) {
            if (std::string error = endPoint(); !error.empty())
                return error;
        }
        if (page_.records.size() > firstRecord)
            page_.records.push_back(StrokeSample{StrokeSample::PenUp, 0, 0, 0});
        return {};
    }

    InkmlPage& page_;
    std::vector<std::string> stack_;
    std::vector<Channel> channels_;
    std::map<std::string, Resolution> resolutions_;
    std::map<std::string, uint16_t> brushColors_;
    std::vector<std::string> groupBrushes_;
    std::string brushId_;
    std::string traceBrush_;
    std::string text_;
    bool sawFormat_ = false;
    bool collecting_ = false;
    bool formatFixed_ = false;
    bool intermittent_ = false;
    bool inTrace_ = false;
    bool penUpTrace_ = false;
    bool orientationText_ = false;
    std::size_t regular_ = 0;
    std::size_t xIndex_ = std::string::npos;
    std::size_t yIndex_ = std::string::npos;
    double xScale_ = 1.0;
    double yScale_ = 1.0;
};

struct FileCloser {
    // Only read: a failing close loses nothing.
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

constexpr char kCannotRead[] = "InkMLファイルを読み込めません";

}  // namespace

bool IsInkmlPath(const std::string& path)
{
    constexpr std::string_view kExtension = ".inkml";
    if (path.size() < kExtension.size())
        return false;
    for (std::size_t i = 0; i < kExtension.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(path[path.size() - kExtension.size() + i])));
        if (c != kExtension[i])
            return false;
    }
    return true;
}

std::string ParseInkml(std::string_view document, InkmlPage& page)
{
    page = {};
    CInkmlHandler handler(page);
    std::string error = ParseXml(document, handler);
    if (!error.empty())
        page.records.clear();
    return error;
}

InkmlFailure ReadInkmlFile(const std::string& path, InkmlPage& page)
{
    std::FILE* opened = nullptr;
    if (const int error = OpenRegularFile(path, opened); error != 0)
        return {"内部エラー(DoParse)：ファイルオープンできません", error};
    const std::unique_ptr<std::FILE, FileCloser> file(opened);
    std::string document;
    char buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        document.append(buffer, got);
        if (document.size() > kMaxInkmlBytes)
            return {std::string(kCannotRead) + "：the file is larger than 64 MiB", 0};
        if (got < sizeof buffer) {
            if (std::ferror(file.get()) != 0)
                return {kCannotRead, errno != 0 ? errno : EIO};
            break;
        }
    }
    const std::string error = ParseInkml(document, page);
    if (!error.empty())
        return {std::string(kCannotRead) + "：" + error, 0};
    return {};
}

// handwriting-bench: how well the handwriting reader does on generated
// writing. Words of two to four characters are written from KanjiVG's
// strokes (read at run time from the TSV file named on the command line:
// KanjiVG is (C) Ulrich Apel, CC BY-SA 3.0, http://kanjivg.tagaini.net;
// nothing of it is copied here) with the variation real writing has: size,
// slant, spacing, a little wobble. Sketches (circles, boxes, arrows,
// signatures, scribbles) are drawn beside them. Printed: first-candidate
// accuracy of the characters of words as the reader cut them, words found
// by an index-style search (each character among its cell's candidates),
// sketches taken for writing, and the time per character against zinnia
// alone, on one thread and on all cores. Exits 1 when a target is missed.
//
//   handwriting-bench MODEL TSV [--words N] [--sketches N] [--seed N] [--show]
//                     [--lexicon CSV]
//
// With --lexicon (a word list of mecab-ipadic, EUC-JP CSV, the word in its
// first field) the words are real words of it whose characters the TSV has,
// and they are read twice: cell by cell, and with the candidates of the
// cells chosen together as a word of the lexicon where one fits.

#include "handwriting/HandwritingReader.h"
#include "handwriting/Lexicon.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unordered_set>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Glyph {
    std::string sjis;
    std::vector<InkStroke> strokes;  // 1000-unit box
};

std::vector<Glyph> ReadGlyphs(const std::string& path)
{
    std::vector<Glyph> glyphs;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        Glyph glyph;
        glyph.sjis = Utf8ToSjis(line.substr(0, tab));
        std::stringstream strokes(line.substr(tab + 1));
        std::string stroke;
        while (std::getline(strokes, stroke, ';')) {
            InkStroke points;
            std::stringstream pairs(stroke);
            std::string pair;
            while (pairs >> pair) {
                const std::size_t comma = pair.find(',');
                if (comma != std::string::npos)
                    points.push_back({std::stoi(pair.substr(0, comma)), std::stoi(pair.substr(comma + 1))});
            }
            if (!points.empty())
                glyph.strokes.push_back(std::move(points));
        }
        if (!glyph.strokes.empty() && glyph.sjis.find('?') == std::string::npos)
            glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

// The words of an ipadic CSV file as the lexicon takes them; none when it
// cannot be read.
std::vector<std::string> ReadLexicon(const std::string& path)
{
    std::vector<std::string> words;
    std::string why;
    if (!ReadIpadicWords(path, [&words](std::string sjis) { words.push_back(std::move(sjis)); }, why))
        words.clear();
    return words;
}

// Katakana as hiragana, as the index's search takes them.
std::string Folded(const std::string& sjis)
{
    std::string utf8 = SjisToUtf8(sjis);
    // U+30A1..U+30F6 are E3 82 A1..E3 83 B6; less 0x60 is U+3041..U+3096.
    if (utf8.size() == 3 && static_cast<unsigned char>(utf8[0]) == 0xE3) {
        unsigned code = ((static_cast<unsigned char>(utf8[1]) & 0x3Fu) << 6) | (static_cast<unsigned char>(utf8[2]) & 0x3Fu);
        code |= 0x3000u;
        if (code >= 0x30A1 && code <= 0x30F6) {
            code -= 0x60;
            utf8[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8[2] = static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

bool IsKana(const std::string& sjis)
{
    const unsigned lead = static_cast<unsigned char>(sjis[0]);
    return sjis.size() == 2 && (lead == 0x82 || lead == 0x83);
}

struct Sample {
    std::vector<InkStroke> strokes;
    std::vector<std::string> word;  // empty for a sketch
    // A sketch's kind: circle, box, arrow, signature, scribble, wave or star.
    int kind = 0;
};

class CGenerator {
public:
    CGenerator(const std::vector<Glyph>& glyphs, unsigned seed) : glyphs_(glyphs), random_(seed) {}

    // Words are drawn from these (Shift_JIS) instead of made of random
    // characters of one script.
    void UseWords(std::vector<std::string> words) { words_ = std::move(words); }

    Sample Word()
    {
        Sample sample;
        const int count = Uniform(2, 4);
        const double size = UniformReal(400, 900);  // pen units: 4 to 9 mm
        const double slant = UniformReal(-0.15, 0.15);
        const double pitch = size * UniformReal(0.8, 1.15);
        const double wobble = size * UniformReal(0.0, 0.012);
        const int x0 = Uniform(0, 4000);
        const int y0 = Uniform(0, 4000);
        // A word keeps to one script: kanji, hiragana or katakana.
        const int script = ScriptOf(glyphs_[Pick()].sjis);
        const std::string* real = words_.empty() ? nullptr
                                                 : &words_[static_cast<std::size_t>(Uniform(0, static_cast<int>(words_.size()) - 1))];
        const int length = real ? static_cast<int>(real->size() / 2) : count;
        for (int k = 0; k < length; ++k) {
            std::size_t pick = Pick();
            if (real) {
                const std::string character = real->substr(static_cast<std::size_t>(k) * 2, 2);
                pick = static_cast<std::size_t>(std::find_if(glyphs_.begin(), glyphs_.end(), [&](const Glyph& g) {
                           return g.sjis == character;
                       }) - glyphs_.begin());
            }
            while (!real && ScriptOf(glyphs_[pick].sjis) != script)
                pick = Pick();
            const Glyph& glyph = glyphs_[pick];
            sample.word.push_back(glyph.sjis);
            const double scale = size / 1000.0 * UniformReal(0.92, 1.08);
            const double dx = x0 + k * pitch + UniformReal(-0.04, 0.04) * size;
            const double dy = y0 + UniformReal(-0.05, 0.05) * size;
            const double phase = UniformReal(0, 6.3);
            for (const InkStroke& stroke : glyph.strokes) {
                InkStroke moved;
                for (const InkPoint& p : stroke) {
                    const double ux = p.x * scale;
                    const double uy = p.y * scale;
                    const double wave = std::sin(phase + (p.x + p.y) * 0.01) * wobble;
                    moved.push_back({static_cast<int32_t>(std::lround(dx + ux - slant * (uy - size / 2) + wave +
                                                                         UniformReal(-1, 1) * wobble * 0.3)),
                                     static_cast<int32_t>(std::lround(dy + uy + wave * 0.7 +
                                                                         UniformReal(-1, 1) * wobble * 0.3))});
                }
                sample.strokes.push_back(std::move(moved));
            }
        }
        return sample;
    }

    Sample Sketch()
    {
        Sample sample;
        const double size = UniformReal(500, 3000);
        const double cx = Uniform(2000, 6000);
        const double cy = Uniform(2000, 6000);
        auto& s = sample.strokes;
        const auto pt = [](double x, double y) { return InkPoint{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y))}; };
        sample.kind = Uniform(0, 5);
        switch (sample.kind) {
        case 0: {  // a circle, once or twice round
            const double turns = UniformReal(1.0, 2.0);
            const double aspect = UniformReal(0.7, 1.3);
            InkStroke c;
            for (double a = 0; a < turns * 6.283; a += 0.08)
                c.push_back(pt(cx + size / 2 * std::cos(a), cy + size / 2 * aspect * std::sin(a)));
            s.push_back(c);
            break;
        }
        case 1: {  // a box, one stroke or four
            const double w = size, h = size * UniformReal(0.5, 1.5);
            const InkPoint corners[] = {pt(cx, cy), pt(cx + w, cy), pt(cx + w, cy + h), pt(cx, cy + h), pt(cx, cy)};
            if (Uniform(0, 1) == 0) {
                s.push_back(Line(corners, 5));
            } else {
                for (int k = 0; k < 4; ++k)
                    s.push_back(Line(corners + k, 2));
            }
            break;
        }
        case 2: {  // an arrow
            const double a = UniformReal(-0.5, 0.5);
            const InkPoint tail = pt(cx, cy);
            const InkPoint head = pt(cx + size * std::cos(a), cy + size * std::sin(a));
            const InkPoint shaft[] = {tail, head};
            s.push_back(Line(shaft, 2));
            for (const double side : {2.6, -2.6}) {
                const InkPoint barb[] = {head, pt(head.x + size * 0.25 * std::cos(a + side), head.y + size * 0.25 * std::sin(a + side))};
                s.push_back(Line(barb, 2));
            }
            break;
        }
        case 3: {  // a signature: loops running to the right
            const int strokes = Uniform(1, 3);
            double x = cx;
            for (int k = 0; k < strokes; ++k) {
                InkStroke sig;
                const double length = size * UniformReal(0.6, 1.4);
                const double loops = UniformReal(3, 9);
                for (double t = 0; t <= 1.0; t += 0.004) {
                    const double a = t * loops * 6.283;
                    sig.push_back(pt(x + t * length + size * 0.08 * std::cos(a), cy + size * 0.15 * std::sin(a) * (1 + t)));
                }
                x += length + size * 0.1;
                s.push_back(sig);
            }
            break;
        }
        case 4: {  // a scribble
            const int strokes = Uniform(1, 4);
            for (int k = 0; k < strokes; ++k) {
                InkStroke sc;
                double x = cx + UniformReal(-size / 2, size / 2), y = cy + UniformReal(-size / 2, size / 2);
                for (int n = 0; n < Uniform(8, 40); ++n) {
                    x += UniformReal(-size / 4, size / 4);
                    y += UniformReal(-size / 4, size / 4);
                    sc.push_back(pt(x, y));
                }
                s.push_back(sc);
            }
            break;
        }
        default: {  // a wave line, or a star
            InkStroke w;
            if (Uniform(0, 1) == 0) {
                for (double t = 0; t <= 1.0; t += 0.01)
                    w.push_back(pt(cx + t * size * 2, cy + size * 0.1 * std::sin(t * 25)));
            } else {
                for (int k = 0; k <= 5; ++k) {
                    const double a = k * 4 * 3.14159 / 5;
                    w.push_back(pt(cx + size / 2 * std::sin(a), cy - size / 2 * std::cos(a)));
                }
                w = Line(w.data(), w.size());
            }
            s.push_back(w);
            break;
        }
        }
        return sample;
    }

private:
    std::size_t Pick() { return static_cast<std::size_t>(Uniform(0, static_cast<int>(glyphs_.size()) - 1)); }
    static int ScriptOf(const std::string& sjis) { return IsKana(sjis) ? static_cast<unsigned char>(sjis[0]) : 0; }
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double UniformReal(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }

    // A polyline through the points, as a pen samples it (every ~20 units).
    static InkStroke Line(const InkPoint* points, std::size_t count)
    {
        InkStroke line;
        for (std::size_t k = 0; k + 1 < count; ++k) {
            const double dx = points[k + 1].x - points[k].x;
            const double dy = points[k + 1].y - points[k].y;
            const int steps = std::max(1, static_cast<int>(std::hypot(dx, dy) / 20));
            for (int n = 0; n < steps; ++n)
                line.push_back({static_cast<int32_t>(points[k].x + dx * n / steps), static_cast<int32_t>(points[k].y + dy * n / steps)});
        }
        line.push_back(points[count - 1]);
        return line;
    }

    const std::vector<Glyph>& glyphs_;
    std::vector<std::string> words_;
    std::mt19937 random_;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads every sample on `threads` threads; the results in sample order.
std::vector<PictureHandwriting> ReadAll(const CHandwritingReader& reader, const std::vector<Sample>& samples,
                                        const ReadingRules& rules, int threads)
{
    std::vector<PictureHandwriting> read(samples.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k; (k = next++) < samples.size();)
            read[k] = reader.Read(samples[k].strokes, rules);
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& thread : pool)
        thread.join();
    return read;
}

double Percent(std::size_t part, std::size_t whole)
{
    return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

double Percentile(std::vector<float> values, double part)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(part * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: handwriting-bench MODEL TSV [--words N] [--sketches N] [--seed N] [--show]\n");
        return 2;
    }
    int words = 600;
    int sketches = 300;
    unsigned seed = 1;
    bool show = false;
    std::string lexiconPath;
    for (int k = 3; k < argc; ++k) {
        const std::string option = argv[k];
        if (option == "--show") {
            show = true;
            continue;
        }
        if (k + 1 == argc)
            break;
        ++k;
        if (option == "--words")
            words = std::stoi(argv[k]);
        else if (option == "--sketches")
            sketches = std::stoi(argv[k]);
        else if (option == "--lexicon")
            lexiconPath = argv[k];
        else if (option == "--seed")
            seed = static_cast<unsigned>(std::stoul(argv[k]));
    }
    CHandwritingReader reader;
    std::string why;
    if (!reader.Open(argv[1], why)) {
        std::fprintf(stderr, "handwriting-bench: %s: %s\n", argv[1], why.c_str());
        return 2;
    }
    const std::vector<Glyph> glyphs = ReadGlyphs(argv[2]);
    if (glyphs.empty()) {
        std::fprintf(stderr, "handwriting-bench: %s: no character read\n", argv[2]);
        return 2;
    }
    CGenerator generator(glyphs, seed);
    CLexicon lexicon;
    if (!lexiconPath.empty()) {
        std::unordered_set<std::string> known;
        for (const Glyph& glyph : glyphs)
            known.insert(glyph.sjis);
        std::vector<std::string> writable;
        for (std::string& word : ReadLexicon(lexiconPath)) {
            bool all = true;
            for (std::size_t k = 0; k < word.size(); k += 2)
                all = all && known.count(word.substr(k, 2)) != 0;
            lexicon.Add(word);
            if (all)
                writable.push_back(word);
        }
        std::sort(writable.begin(), writable.end());
        writable.erase(std::unique(writable.begin(), writable.end()), writable.end());
        std::printf("lexicon: %zu words of 2 to 4 characters, %zu of them written with the TSV's characters\n",
                    lexicon.Size(), writable.size());
        if (writable.empty())
            return 2;
        generator.UseWords(std::move(writable));
    }
    std::vector<Sample> samples;
    for (int k = 0; k < words; ++k)
        samples.push_back(generator.Word());
    for (int k = 0; k < sketches; ++k)
        samples.push_back(generator.Sketch());

    // zinnia alone: each character of the words, cut as written, on one
    // thread.
    std::size_t characters = 0;
    const auto engineStart = std::chrono::steady_clock::now();
    std::size_t cleanRight = 0, kanaRight = 0, kanaCount = 0;
    for (const Glyph& glyph : glyphs) {
        InkCell cell;
        for (std::size_t s = 0; s < glyph.strokes.size(); ++s) {
            cell.strokes.push_back(s);
            cell.box.Add(BoxOf(glyph.strokes[s]));
        }
        const InkBox frame{0, 0, 1000, 1000};
        const auto found = reader.Classify(glyph.strokes, cell, frame, 8);
        ++characters;
        const bool right = !found.empty() && found.front().text == glyph.sjis;
        cleanRight += right;
        if (IsKana(glyph.sjis)) {
            ++kanaCount;
            kanaRight += right;
        }
    }
    const double engineMs = Seconds(engineStart) * 1000.0 / static_cast<double>(characters);
    std::printf("clean characters, one by one: %.1f %% right first (kana %.1f %%, kanji %.1f %%), %.2f ms a character\n",
                Percent(cleanRight, characters), Percent(kanaRight, kanaCount),
                Percent(cleanRight - kanaRight, characters - kanaCount), engineMs);

    ReadingRules rules;
    // The words alone, timed read whole and by their cells' classification
    // alone (the engine's cost), in turns, the best of three of each: the
    // machine's other work counts least so.
    const std::vector<Sample> wordSamples(samples.begin(), samples.begin() + words);
    std::vector<std::vector<InkCell>> wordCells;
    std::vector<InkBox> wordLines;
    for (const Sample& sample : wordSamples) {
        wordCells.push_back(SegmentCells(sample.strokes, rules.segmentation));
        InkBox line;
        for (const InkStroke& stroke : sample.strokes)
            line.Add(BoxOf(stroke));
        wordLines.push_back(line);
    }
    double oneSeconds = 1e9;
    double engineSeconds = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto oneStart = std::chrono::steady_clock::now();
        static_cast<void>(ReadAll(reader, wordSamples, rules, 1));
        oneSeconds = std::min(oneSeconds, Seconds(oneStart));
        const auto cellsStart = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < wordSamples.size(); ++k) {
            for (const InkCell& cell : wordCells[k])
                static_cast<void>(reader.Classify(wordSamples[k].strokes, cell, wordLines[k], rules.candidates));
        }
        engineSeconds = std::min(engineSeconds, Seconds(cellsStart));
    }
    const std::vector<PictureHandwriting> read = ReadAll(reader, samples, rules, 1);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const auto allStart = std::chrono::steady_clock::now();
    static_cast<void>(ReadAll(reader, wordSamples, rules, cores));
    const double allSeconds = Seconds(allStart);
    const std::vector<PictureHandwriting> again = ReadAll(reader, samples, rules, cores);
    bool same = true;
    for (std::size_t k = 0; k < read.size(); ++k)
        same = same && read[k].text == again[k].text && read[k].writing == again[k].writing;

    std::size_t wordChars = 0, rightFirst = 0, wordsFound = 0, wordsWriting = 0, segmentedRight = 0;
    std::size_t sketchesWriting = 0, rightUndecided = 0;
    std::size_t scriptCount[3] = {}, scriptRight[3] = {};
    std::vector<float> wordMean, wordLeast, sketchMean, sketchLeast;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const Sample& sample = samples[k];
        const PictureHandwriting& got = read[k];
        float sum = 0, least = 1e9f;
        for (const HandwritingCell& cell : got.cells) {
            const float best = cell.candidates.empty() ? -10.0f : cell.candidates.front().score;
            sum += best;
            least = std::min(least, best);
        }
        const float mean = got.cells.empty() ? -10.0f : sum / static_cast<float>(got.cells.size());
        if (sample.word.empty()) {
            sketchesWriting += got.writing;
            if (got.writing && show)
                std::printf("sketch %zu (kind %d) taken for writing: %s\n", k, sample.kind, SjisToUtf8(got.text).c_str());
            sketchMean.push_back(mean);
            sketchLeast.push_back(got.cells.empty() ? -10.0f : least);
            continue;
        }
        wordChars += sample.word.size();
        wordsWriting += got.writing;
        if (got.cells.size() != sample.word.size()) {
            if (show) {
                std::string word;
                for (const std::string& c : sample.word)
                    word += c;
                std::printf("word %s cut into %zu cells: %s\n", SjisToUtf8(word).c_str(), got.cells.size(),
                            SjisToUtf8(got.text).c_str());
            }
            continue;
        }
        ++segmentedRight;
        wordMean.push_back(mean);
        wordLeast.push_back(least);
        bool found = got.writing;
        for (std::size_t c = 0; c < got.cells.size(); ++c) {
            const auto& candidates = got.cells[c].candidates;
            const bool right = !candidates.empty() && candidates.front().text == sample.word[c];
            rightFirst += got.writing && right;
            rightUndecided += right;
            const int script = IsKana(sample.word[c]) ? static_cast<unsigned char>(sample.word[c][0]) - 0x82 + 1 : 0;
            ++scriptCount[script];
            scriptRight[script] += right;

            found = found && std::any_of(candidates.begin(), candidates.end(),
                                         [&](const HandwritingCandidate& h) { return Folded(h.text) == Folded(sample.word[c]); });
        }
        wordsFound += found;
    }
    // The same words with the candidates chosen together by the lexicon.
    std::size_t lexiconRight = 0;
    double lexiconSeconds = 0;
    if (!lexicon.Empty()) {
        for (std::size_t k = 0; k < static_cast<std::size_t>(words); ++k) {
            PictureHandwriting chosen = read[k];
            const auto start = std::chrono::steady_clock::now();
            ChooseWords(chosen, lexicon);
            lexiconSeconds += Seconds(start);
            if (!chosen.writing || chosen.cells.size() != samples[k].word.size())
                continue;
            for (std::size_t c = 0; c < chosen.cells.size(); ++c)
                lexiconRight += !chosen.cells[c].candidates.empty() &&
                                chosen.cells[c].candidates.front().text == samples[k].word[c];
        }
    }
    const auto wordCount = static_cast<std::size_t>(words);
    const double accuracy = Percent(rightFirst, wordChars);
    const double search = Percent(wordsFound, wordCount);
    const double falseWriting = Percent(sketchesWriting, static_cast<std::size_t>(sketches));
    const double msEngine = engineSeconds * 1000.0 / static_cast<double>(std::max<std::size_t>(1, wordChars));
    const double msOne = oneSeconds * 1000.0 / static_cast<double>(std::max<std::size_t>(1, wordChars));
    const double msAll = allSeconds * 1000.0 / static_cast<double>(std::max<std::size_t>(1, wordChars));
    std::printf("words: %d (%zu characters), cut into the right number of cells %.1f %%, taken as writing %.1f %%\n",
                words, wordChars, Percent(segmentedRight, wordCount), Percent(wordsWriting, wordCount));
    std::printf("  best score, mean of a word's cells: 5 %% %.3f, 10 %% %.3f, median %.3f; least of a word's: 5 %% %.3f, median %.3f\n",
                Percentile(wordMean, 0.05), Percentile(wordMean, 0.10), Percentile(wordMean, 0.5),
                Percentile(wordLeast, 0.05), Percentile(wordLeast, 0.5));
    std::printf("sketches: %d; best score mean: median %.3f, 90 %% %.3f, 95 %% %.3f; least: 90 %% %.3f\n", sketches,
                Percentile(sketchMean, 0.5), Percentile(sketchMean, 0.9), Percentile(sketchMean, 0.95),
                Percentile(sketchLeast, 0.9));
    std::printf("characters of words right first: %.1f %% (target 80 %%); before the decision %.1f %%: kanji %.1f %%, "
                "hiragana %.1f %%, katakana %.1f %%\n",
                accuracy, Percent(rightUndecided, wordChars), Percent(scriptRight[0], scriptCount[0]),
                Percent(scriptRight[1], scriptCount[1]), Percent(scriptRight[2], scriptCount[2]));
    if (!lexicon.Empty())
        std::printf("with the lexicon choosing the candidates of a word's cells together: %.1f %% right first "
                    "(%.3f ms a word)\n",
                    Percent(lexiconRight, wordChars), lexiconSeconds * 1000.0 / std::max(1, words));
    std::printf("words found by the index search: %.1f %% (target 80 %%)\n", search);
    std::printf("sketches taken for writing: %.1f %% (target at most 10 %%)\n", falseWriting);
    std::printf("time a character of the words: %.2f ms read whole on one thread, the engine alone on the same cells "
                "%.2f ms (+%.0f %%, target at most 20 %%); %.2f ms on %d threads (%.2f times as fast)%s\n",
                msOne, msEngine, 100.0 * (msOne / msEngine - 1.0), msAll, cores, msOne / msAll,
                same ? "" : "; THE THREADS READ OTHERWISE");
    // With a lexicon the reader chooses the words' characters by it, as
    // marovi-convert does where mecab-ipadic is installed.
    const double reading = lexicon.Empty() ? accuracy : Percent(lexiconRight, wordChars);
    const bool met = reading >= 80.0 && search >= 80.0 && falseWriting <= 10.0 && msOne <= msEngine * 1.2 && same;
    return met ? 0 : 1;
}

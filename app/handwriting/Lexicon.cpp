#include "handwriting/Lexicon.h"

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kShortest = 2;
constexpr std::size_t kLongest = 4;

struct IconvClose {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

// Whether every character of a Shift_JIS text is two bytes: what the
// candidates of a cell are.
std::size_t WideCharacters(const std::string& sjis)
{
    for (std::size_t k = 0; k < sjis.size(); k += 2) {
        if (!IsShiftJisLeadByte(static_cast<unsigned char>(sjis[k])) || k + 1 >= sjis.size())
            return 0;
    }
    return sjis.size() / 2;
}

}  // namespace

bool ReadIpadicWords(const std::string& path, const std::function<void(std::string sjis)>& take, std::string& why)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = SystemErrorText(errno != 0 ? errno : ENOENT);
        return false;
    }
    const iconv_t opened = iconv_open("UTF-8", "EUC-JP");
    if (opened == reinterpret_cast<iconv_t>(-1)) {
        why = "no EUC-JP converter";
        return false;
    }
    const std::unique_ptr<void, IconvClose> convert(opened);
    std::string line;
    std::vector<char> utf8;
    while (std::getline(in, line)) {
        std::string word = line.substr(0, line.find(','));
        utf8.assign(word.size() * 2 + 4, '\0');
        char* from = word.data();
        std::size_t fromLeft = word.size();
        char* to = utf8.data();
        std::size_t toLeft = utf8.size();
        if (iconv(opened, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) {
            // A line that does not convert is skipped, the converter reset.
            static_cast<void>(iconv(opened, nullptr, nullptr, nullptr, nullptr));
            continue;
        }
        std::string sjis = Utf8ToSjis(std::string(utf8.data(), utf8.size() - toLeft));
        const std::size_t characters = WideCharacters(sjis);
        if (characters >= kShortest && characters <= kLongest && sjis.find('?') == std::string::npos)
            take(std::move(sjis));
    }
    if (in.bad()) {
        why = SystemErrorText(EIO);
        return false;
    }
    return true;
}

bool CLexicon::LoadIpadic(const std::string& path, std::string& why)
{
    return ReadIpadicWords(path, [this](std::string sjis) { Add(std::move(sjis)); }, why);
}

void CLexicon::Add(std::string sjis)
{
    // Its prefixes are whole characters: the words are of two-byte
    // characters only, as the cells' candidates are.
    for (std::size_t end = 2; end < sjis.size(); end += 2)
        prefixes_.insert(sjis.substr(0, end));
    words_.insert(std::move(sjis));
}

void ChooseWords(PictureHandwriting& read, const CLexicon& lexicon, std::size_t depth)
{
    auto& cells = read.cells;
    const std::size_t n = cells.size();
    if (lexicon.Empty() || n < kShortest)
        return;
    for (const HandwritingCell& cell : cells) {
        if (cell.candidates.empty())
            return;
    }
    // The best word of the lexicon over cells [start, start + length): the
    // candidate picked in each, and its score; none when no word fits.
    struct Span {
        std::vector<std::size_t> picks;
        float score = 0;
    };
    // The best word of each length starting at a cell, found by following
    // the candidates cell after cell as long as some word begins so.
    const auto bestWords = [&](std::size_t start) {
        std::vector<Span> best(kLongest + 1);
        std::vector<std::size_t> pick;
        std::string word;
        const auto follow = [&](const auto& self, float score) -> void {
            const std::size_t cell = start + pick.size();
            if (pick.size() == kLongest || cell >= n)
                return;
            const auto& candidates = cells[cell].candidates;
            for (std::size_t k = 0; k < std::min(depth, candidates.size()); ++k) {
                const std::size_t before = word.size();
                word += candidates[k].text;
                pick.push_back(k);
                const float sum = score + candidates[k].score;
                Span& known = best[pick.size()];
                if (pick.size() >= kShortest && (known.picks.empty() || sum > known.score) && lexicon.Contains(word)) {
                    known.picks = pick;
                    known.score = sum;
                }
                if (lexicon.Begins(word))
                    self(self, sum);
                pick.pop_back();
                word.resize(before);
            }
        };
        follow(follow, 0.0f);
        return best;
    };
    // covered[i], score[i]: the best cover of cells [i, n); next[i] is the
    // span taken at i (0: the cell stays as it is).
    std::vector<std::size_t> covered(n + 1, 0);
    std::vector<float> score(n + 1, 0);
    std::vector<std::size_t> next(n + 1, 0);
    std::vector<Span> taken(n + 1);
    for (std::size_t i = n; i-- > 0;) {
        covered[i] = covered[i + 1];
        score[i] = score[i + 1] + cells[i].candidates.front().score;
        std::vector<Span> spans = bestWords(i);
        for (std::size_t length = kShortest; length <= kLongest && i + length <= n; ++length) {
            Span& span = spans[length];
            if (span.picks.empty())
                continue;
            const std::size_t c = covered[i + length] + length;
            const float s = score[i + length] + span.score;
            if (c > covered[i] || (c == covered[i] && s > score[i])) {
                covered[i] = c;
                score[i] = s;
                next[i] = length;
                taken[i] = std::move(span);
            }
        }
    }
    for (std::size_t i = 0; i < n;) {
        if (next[i] == 0) {
            ++i;
            continue;
        }
        for (std::size_t k = 0; k < next[i]; ++k) {
            auto& candidates = cells[i + k].candidates;
            const auto chosen = candidates.begin() + static_cast<std::ptrdiff_t>(taken[i].picks[k]);
            std::rotate(candidates.begin(), chosen, chosen + 1);
        }
        i += next[i];
    }
    read.text.clear();
    for (const HandwritingCell& cell : cells)
        read.text += cell.candidates.front().text;
}

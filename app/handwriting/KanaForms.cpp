#include "handwriting/KanaForms.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

struct Pair {
    const char* from;
    const char* to;
};

// Narrow literals are Shift_JIS in this program.
constexpr Pair kVoiced[] = {
    {"か", "が"}, {"き", "ぎ"}, {"く", "ぐ"}, {"け", "げ"}, {"こ", "ご"}, {"さ", "ざ"}, {"し", "じ"},
    {"す", "ず"}, {"せ", "ぜ"}, {"そ", "ぞ"}, {"た", "だ"}, {"ち", "ぢ"}, {"つ", "づ"}, {"て", "で"},
    {"と", "ど"}, {"は", "ば"}, {"ひ", "び"}, {"ふ", "ぶ"}, {"へ", "べ"}, {"ほ", "ぼ"}, {"カ", "ガ"},
    {"キ", "ギ"}, {"ク", "グ"}, {"ケ", "ゲ"}, {"コ", "ゴ"}, {"サ", "ザ"}, {"シ", "ジ"}, {"ス", "ズ"},
    {"セ", "ゼ"}, {"ソ", "ゾ"}, {"タ", "ダ"}, {"チ", "ヂ"}, {"ツ", "ヅ"}, {"テ", "デ"}, {"ト", "ド"},
    {"ハ", "バ"}, {"ヒ", "ビ"}, {"フ", "ブ"}, {"ヘ", "ベ"}, {"ホ", "ボ"}, {"ウ", "ヴ"},
};
constexpr Pair kSemiVoiced[] = {
    {"は", "ぱ"}, {"ひ", "ぴ"}, {"ふ", "ぷ"}, {"へ", "ぺ"}, {"ほ", "ぽ"},
    {"ハ", "パ"}, {"ヒ", "ピ"}, {"フ", "プ"}, {"ヘ", "ペ"}, {"ホ", "ポ"},
};
constexpr Pair kSmall[] = {
    {"あ", "ぁ"}, {"い", "ぃ"}, {"う", "ぅ"}, {"え", "ぇ"}, {"お", "ぉ"}, {"つ", "っ"}, {"や", "ゃ"},
    {"ゆ", "ゅ"}, {"よ", "ょ"}, {"わ", "ゎ"}, {"ア", "ァ"}, {"イ", "ィ"}, {"ウ", "ゥ"}, {"エ", "ェ"},
    {"オ", "ォ"}, {"ツ", "ッ"}, {"ヤ", "ャ"}, {"ユ", "ュ"}, {"ヨ", "ョ"}, {"ワ", "ヮ"}, {"カ", "ヵ"},
    {"ケ", "ヶ"},
};
// What the model reads katakana as, from its errors on KanjiVG's katakana.
constexpr Pair kLookAlike[] = {
    {"了", "ア"}, {"工", "エ"}, {"力", "カ"}, {"か", "カ"}, {"口", "ロ"}, {"二", "ニ"}, {"八", "ハ"},
    {"卜", "ト"}, {"夕", "タ"}, {"千", "チ"}, {"又", "ス"}, {"七", "ヒ"}, {"厶", "ム"}, {"乂", "メ"},
    {"三", "ミ"}, {"干", "キ"}, {"き", "キ"}, {"尹", "ヨ"}, {"儿", "ル"}, {"へ", "ヘ"}, {"り", "リ"},
    {"し", "レ"}, {"十", "ナ"}, {"宀", "ウ"}, {"う", "ウ"}, {"冖", "ワ"}, {"せ", "セ"}, {"や", "ヤ"},
    {"も", "モ"}, {"亡", "モ"}, {"丿", "ノ"}, {"つ", "フ"}, {"人", "イ"}, {"于", "テ"}, {"こ", "ニ"},
    {"一", "ー"}, {"夂", "ク"}, {"廾", "オ"}, {"才", "オ"}, {"不", "ネ"}, {"疋", "マ"},
    {"凵", "ヒ"}, {"り", "ソ"}, {"十", "ヤ"}, {"二", "コ"}, {"二", "ユ"}, {"工", "シ"}, {"工", "ミ"},
    {"う", "ク"}, {"夕", "ク"}, {"于", "ヲ"}, {"口", "ケ"}, {"ラ", "ワ"}, {"オ", "ツ"}, {"7", "ヌ"},
    {"1", "ノ"}, {"ふ", "ホ"}, {"廿", "サ"}, {"こ", "セ"}, {"又", "ヌ"}, {"不", "ネ"}, {"斗", "ヰ"},
    {"孑", "ヱ"}, {"九", "ヵ"}, {"口", "ヶ"},
};

// What the model reads hiragana as when the right one is not among its
// candidates at all, from its errors on KanjiVG's hiragana.
constexpr Pair kHiraganaLookAlike[] = {
    {"ち", "す"}, {"わ", "ね"}, {"わ", "れ"}, {"し", "も"}, {"そ", "ろ"}, {"6", "ろ"},
};

template <std::size_t N>
std::string Find(const Pair (&table)[N], const std::string& from)
{
    for (const Pair& pair : table) {
        if (from == pair.from)
            return pair.to;
    }
    return {};
}

}  // namespace

std::string VoicedKana(const std::string& kana, bool semi) { return semi ? Find(kSemiVoiced, kana) : Find(kVoiced, kana); }

std::string SmallKana(const std::string& kana) { return Find(kSmall, kana); }

std::string KatakanaLookAlike(const std::string& character)
{
    const std::string katakana = Find(kLookAlike, character);
    return katakana == character ? std::string() : katakana;
}

std::vector<std::string> KatakanaLookAlikes(const std::string& character)
{
    std::vector<std::string> found;
    for (const Pair& pair : kLookAlike) {
        if (character == pair.from)
            found.push_back(pair.to);
    }
    return found;
}

bool IsKatakana(const std::string& character)
{
    if (character.size() != 2)
        return false;
    const unsigned lead = static_cast<unsigned char>(character[0]);
    const unsigned trail = static_cast<unsigned char>(character[1]);
    // ァ (0x8340) to ヶ (0x8396), and ー (0x815B).
    return (lead == 0x83 && trail >= 0x40 && trail <= 0x96) || (lead == 0x81 && trail == 0x5B);
}

void CompleteCandidates(std::vector<HandwritingCandidate>& candidates, int voicing, bool small)
{
    std::vector<HandwritingCandidate> completed;
    const auto add = [&completed](std::string text, float score) {
        if (text.empty())
            return;
        const bool known = std::any_of(completed.begin(), completed.end(),
                                       [&text](const HandwritingCandidate& c) { return c.text == text; });
        if (!known)
            completed.push_back({std::move(text), score});
    };
    constexpr float kHair = 0.001f;
    for (const HandwritingCandidate& candidate : candidates) {
        std::string text = candidate.text;
        if (voicing != 0) {
            std::string voiced = VoicedKana(text, voicing == 2);
            if (!voiced.empty())
                text = std::move(voiced);
        }
        // A small kana is as likely as its plain form only when the cell
        // is clearly small; otherwise it is only offered.
        if (small)
            add(SmallKana(text), candidate.score);
        add(text, candidate.score);
        add(SmallKana(text), candidate.score - kHair);
        // Look-alikes are of the form the model read, before its mark.
        std::vector<std::string> lookAlikes = KatakanaLookAlikes(candidate.text);
        for (const Pair& pair : kHiraganaLookAlike) {
            if (candidate.text == pair.from)
                lookAlikes.push_back(pair.to);
        }
        for (std::string lookAlike : lookAlikes) {
            if (voicing != 0) {
                std::string voiced = VoicedKana(lookAlike, voicing == 2);
                if (!voiced.empty())
                    lookAlike = std::move(voiced);
            }
            add(SmallKana(lookAlike), candidate.score - 2 * kHair);
            add(std::move(lookAlike), candidate.score - kHair);
        }
    }
    // What was added a hair lower may fall below a candidate that came
    // after it.
    std::stable_sort(completed.begin(), completed.end(),
                     [](const HandwritingCandidate& a, const HandwritingCandidate& b) { return a.score > b.score; });
    candidates = std::move(completed);
}

void PreferKatakanaRuns(std::vector<HandwritingCell>& cells)
{
    // The katakana a cell can be: its best, or the look-alike offered for
    // its best.
    const auto katakanaOf = [](const HandwritingCell& cell) -> const HandwritingCandidate* {
        for (const HandwritingCandidate& candidate : cell.candidates) {
            if (IsKatakana(candidate.text))
                return KatakanaLookAlike(cell.candidates.front().text) == candidate.text ||
                               &candidate == &cell.candidates.front()
                           ? &candidate
                           : nullptr;
        }
        return nullptr;
    };
    // Kanji numerals look like katakana too (二十, 八千), and stay kanji
    // unless something else in the line is katakana.
    static const char* const kNumerals[] = {"一", "二", "三", "七", "八", "十", "千", "口"};
    bool beyondNumerals = false;
    for (const HandwritingCell& cell : cells) {
        if (cells.size() < 2 || cell.candidates.empty() || katakanaOf(cell) == nullptr)
            return;
        const std::string& best = cell.candidates.front().text;
        beyondNumerals = beyondNumerals || std::none_of(std::begin(kNumerals), std::end(kNumerals),
                                                        [&best](const char* numeral) { return best == numeral; });
    }
    if (!beyondNumerals)
        return;
    // Every cell can be katakana: the line is a katakana word.
    for (HandwritingCell& cell : cells) {
        const HandwritingCandidate* katakana = katakanaOf(cell);
        const auto at = cell.candidates.begin() + (katakana - cell.candidates.data());
        std::rotate(cell.candidates.begin(), at, at + 1);
    }
}

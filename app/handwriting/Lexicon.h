#pragma once

#include "handwriting/PictureHandwriting.h"

#include <functional>
#include <string>
#include <unordered_set>

// Hands `take` every word of 2 to 4 two-byte characters of a mecab-ipadic
// dictionary source (EUC-JP CSV, the word in its first field), in Shift_JIS.
// False with the reason (UTF-8) when the file cannot be read.
bool ReadIpadicWords(const std::string& path, const std::function<void(std::string sjis)>& take, std::string& why);

// Words a line of handwriting may hold, for choosing the candidates of
// neighbouring cells together: a word of the lexicon whose characters are
// all among the first candidates of consecutive cells beats the cells'
// best read one by one. On generated real words (mecab-ipadic's nouns
// written from KanjiVG) it takes the characters read right first from 59 %
// to 86 % (the handwriting benchmark, --lexicon), for 0.15 ms a word.
class CLexicon {
public:
    // Adds the words ReadIpadicWords reads of the file.
    bool LoadIpadic(const std::string& path, std::string& why);

    bool Empty() const { return words_.empty(); }
    std::size_t Size() const { return words_.size(); }
    bool Contains(const std::string& sjis) const { return words_.count(sjis) != 0; }
    // Whether some word starts with the text and goes on past it: a search
    // across cells stops where none does.
    bool Begins(const std::string& sjis) const { return prefixes_.count(sjis) != 0; }
    void Add(std::string sjis);

private:
    std::unordered_set<std::string> words_;
    std::unordered_set<std::string> prefixes_;
};

// Covers the cells of a line with words of the lexicon, left to right: as
// many cells as possible, then the highest sum of scores; each word spans 2
// to 4 cells and takes from each cell one of its first `depth` candidates,
// which moves to the front. The text is made again from the cells.
void ChooseWords(PictureHandwriting& read, const CLexicon& lexicon, std::size_t depth = 40);

#pragma once

#include "handwriting/PictureHandwriting.h"

#include <string>
#include <vector>

// What the model cannot tell by itself. The Japanese zinnia model knows the
// plain hiragana, a handful of katakana and no small or voiced kana: those
// are read from their plain forms and the way they were written (voicing
// marks, size), and katakana that look like a kanji or a hiragana are
// offered beside it.

// The kana with the voicing mark (dakuten) or, when `semi`, the round mark
// (handakuten); empty when it has none. Shift_JIS in and out.
std::string VoicedKana(const std::string& kana, bool semi);

// The small form of a kana (ゃ of や); empty when it has none.
std::string SmallKana(const std::string& kana);

// The katakana that looks most like `character` (ア of 了, リ of り); empty
// when none does. KatakanaLookAlikes: every one that does (リ and ソ of り).
std::string KatakanaLookAlike(const std::string& character);
std::vector<std::string> KatakanaLookAlikes(const std::string& character);

// Whether the text is one katakana (ー included).
bool IsKatakana(const std::string& character);

// Candidates of a cell, best first, completed with what the model lacks:
// with `voicing` (0 none, 1 dakuten, 2 handakuten) each kana with such a
// form becomes it; with `small` each kana with a small form is preceded by
// it; every candidate with a katakana look-alike, or that the model reads
// some hiragana as (ち for す, わ for れ and ね), is followed by it, a hair
// lower in score. Nothing is given twice.
void CompleteCandidates(std::vector<HandwritingCandidate>& candidates, int voicing, bool small);

// A cell read as a look-alike of a katakana takes the katakana when a
// neighbour's best is katakana: katakana come in runs.
void PreferKatakanaRuns(std::vector<HandwritingCell>& cells);

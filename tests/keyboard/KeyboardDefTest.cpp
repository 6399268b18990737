#include "keyboard/EditableKeyboardDef.h"
#include "keyboard/KeyboardDef.h"

#include "ink/QuadMapping.h"
#include "platform/InMemoryListView.h"
#include "platform/TextEncoding.h"

#include "MessageLog.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kOpenFailed[] = "ソフトＫＢ定義ファイルがオープンできません";
const char kWriteOpenFailed[] = "ソフトＫＢ定義ファイルが書き込みオープンできません";
const char kLockOpenFailed[] = "キー再定可否ファイルがオープンできません";

const std::string kSettings = "\"1\",\"12\",\"7\"";
const std::string kReference = "\"1000\",\"1000\",\"20000\",\"1000\",\"20000\",\"13800\",\"1000\",\"13800\",\"10500\",\"7400\"";
const std::string kMeasured = "\"1010\",\"990\",\"20020\",\"1005\",\"19990\",\"13790\",\"1003\",\"13810\",\"10490\",\"7410\"";

std::string KeyLine(const std::string& rect, const std::vector<std::string>& slots)
{
    std::string line = rect;
    for (const std::string& slot : slots)
        line += ",\"" + slot + "\"";
    return line;
}

const std::string kKeyA = KeyLine("\"100\",\"200\",\"1100\",\"1200\"",
                                  {"あ", "<NOKEY>", "ぁ", "ア", "<NOKEY>", "ァ", "a", "A", "<NOKEY>"});
const std::string kKeyB = KeyLine("\"1100\",\"200\",\"2100\",\"1200\"",
                                  {"<KANA>", "<HAN>", "<HIRA>", "<BS>", "<BR>", "<REUSE>", "1", "!", "\""});

std::string SampleFile()
{
    return CrLf({"# comment before the settings", kSettings, "#", kReference, kMeasured, kKeyA, "# between keys",
                 kKeyB});
}

// Writes SampleFile() as softKB.skb here and loads it into `keyboard`, aimed
// at `mapping`.
bool LoadSample(CKeyboardDef& keyboard, CQuadMapping& mapping)
{
    WriteBytes("softKB.skb", SampleFile());
    keyboard.SetMapping(&mapping);
    return keyboard.Load();
}

// A key whose nine texts are "old", to see what a load replaces.
KeyEntry OldKey()
{
    KeyEntry old;
    old.texts.fill("old");
    return old;
}

void ExpectSameDefinition(const CKeyboardDef& a, const CKeyboardDef& b)
{
    EXPECT_EQ(a.KeyCount(), b.KeyCount());
    EXPECT_EQ(a.HitPointRule(), b.HitPointRule());
    EXPECT_EQ(a.FontSize(), b.FontSize());
    EXPECT_EQ(a.PictureScale(), b.PictureScale());
    EXPECT_EQ(a.GetInputMode(), b.GetInputMode());
    EXPECT_EQ(a.Bounds(), b.Bounds());
    EXPECT_EQ(a.Mapping(), b.Mapping());
    EXPECT_EQ(a.ReferenceMarks(), b.ReferenceMarks());
    EXPECT_EQ(a.MeasuredMarks(), b.MeasuredMarks());
    for (int i = 0; i < CKeyboardDef::kMaxKeys; ++i) {
        EXPECT_EQ(a.GetKey(i).rect, b.GetKey(i).rect) << "key " << i;
        EXPECT_EQ(a.GetKey(i).texts, b.GetKey(i).texts) << "key " << i;
    }
}

std::array<std::string, kSlotCount> Texts(const std::vector<std::string>& first)
{
    std::array<std::string, kSlotCount> texts;
    for (std::size_t i = 0; i < first.size(); ++i)
        texts[i] = first[i];
    return texts;
}

}  // namespace

TEST(KeyboardDefFile, LoadSaveRoundTripKeepsEveryValue)
{
    ScopedWorkDir dir;
    CQuadMapping mapping;
    CKeyboardDef first;
    ASSERT_TRUE(LoadSample(first, mapping));

    EXPECT_EQ(first.HitPointRule(), 1);
    EXPECT_EQ(first.FontSize(), 12);
    EXPECT_EQ(first.PictureScale(), 7);
    EXPECT_EQ(first.KeyCount(), 2);
    EXPECT_EQ(first.Bounds(), (PenRect{100, 200, 2100, 1200}));
    EXPECT_EQ(first.ReferenceMarks()[4], (PenPoint{10500, 7400}));
    EXPECT_EQ(first.MeasuredMarks()[1], (PenPoint{20020, 1005}));
    EXPECT_EQ(first.GetKey(0).texts, Texts({"あ", "", "ぁ", "ア", "", "ァ", "a", "A", ""}));
    EXPECT_EQ(first.GetKey(1).texts[8], "\"");
    ASSERT_TRUE(mapping.IsSourceSet() && mapping.IsTargetSet());
    EXPECT_EQ(mapping.Source()[3].y, 13810);
    EXPECT_EQ(mapping.Target()[2].x, 20000);

    // Only key-count keys are written; comments are dropped.
    KeyEntry beyond;
    beyond.texts[0] = "lost";
    first.SetKey(2, beyond);
    ASSERT_TRUE(first.Save());
    EXPECT_EQ(ReadBytes("softKB.skb"), CrLf({kSettings, kReference, kMeasured, kKeyA, kKeyB}));
    EXPECT_EQ(ReadBytes("softKB.skb.bak"), SampleFile());
    EXPECT_TRUE(TemporaryFilesIn(".").empty());

    CKeyboardDef second;
    second.SetMapping(&mapping);
    ASSERT_TRUE(second.Load());
    second.SetKey(2, beyond);
    ExpectSameDefinition(first, second);
}

TEST(KeyboardDefFile, RoundTripOfTheShippedKeyboard)
{
    ScopedWorkDir dir;
    fs::copy_file(ExampleKeyboardDir() / "softKB.skb", "softKB.skb");
    CKeyboardDef first;
    ASSERT_TRUE(first.Load());
    EXPECT_GT(first.KeyCount(), 40);
    ASSERT_TRUE(first.Save());
    CKeyboardDef second;
    ASSERT_TRUE(second.Load());
    ExpectSameDefinition(first, second);
}

TEST(KeyboardDefFile, PictureScaleIsForcedIntoOneToTwenty)
{
    const struct {
        const char* scale;
        int expected;
    } cases[] = {{"0", 10}, {"-3", 10}, {"21", 10}, {"1", 1}, {"20", 20}, {"+5", 5}};
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        WriteBytes("softKB.skb", CrLf({std::string("\"0\",\"12\",\"") + c.scale + "\"", kReference, kMeasured}));
        CKeyboardDef keyboard;
        ASSERT_TRUE(keyboard.Load());
        EXPECT_EQ(keyboard.PictureScale(), c.expected) << c.scale;
    }
}

TEST(KeyboardDefFile, UnreadableValuesAndMissingFilesKeepPreviousValues)
{
    ScopedWorkDir dir;
    WriteBytes("softKB.skb", SampleFile());
    CKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());

    // Settings stop at the second value, marks after the third number, and
    // the file ends before any key.
    WriteBytes("softKB.skb", CrLf({"\"2\",x", "\"1\",\"2\",\"3\",oops", ""}));
    ASSERT_TRUE(keyboard.Load());
    EXPECT_EQ(keyboard.HitPointRule(), 2);
    EXPECT_EQ(keyboard.FontSize(), 12);
    EXPECT_EQ(keyboard.PictureScale(), 7);
    EXPECT_EQ(keyboard.ReferenceMarks()[0], (PenPoint{1, 2}));
    EXPECT_EQ(keyboard.ReferenceMarks()[1], (PenPoint{3, 1000}));
    EXPECT_EQ(keyboard.MeasuredMarks()[0], (PenPoint{1010, 990}));
    // No key line: the count and the bounds are reset, the entries are kept.
    EXPECT_EQ(keyboard.KeyCount(), 0);
    EXPECT_TRUE(keyboard.Bounds().IsEmpty());
    EXPECT_EQ(keyboard.GetKey(0).texts[0], "あ");

    WriteBytes("softKB.skb", "");
    ASSERT_TRUE(keyboard.Load());
    EXPECT_EQ(keyboard.HitPointRule(), 2);

    const std::unique_ptr<CKeyboardDef> before = keyboard.Clone();
    fs::remove("softKB.skb");
    MessageLog log;
    keyboard.SetMessageBox(&log);
    EXPECT_FALSE(keyboard.Load());
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kOpenFailed});
    ExpectSameDefinition(keyboard, *before);
}

TEST(KeyboardDefFile, KeyListEndsAtTheFirstLineWithoutARectangle)
{
    const std::string key3 = KeyLine("\"0\",\"0\",\"10\",\"10\"", {"x"});
    const struct {
        const char* name;
        std::vector<std::string> keyLines;
        int expectedCount;
    } cases[] = {
        {"header only", {}, 0},
        {"comment between keys is skipped", {kKeyA, "#", "# more", kKeyB}, 2},
        {"empty line ends the list", {kKeyA, "", kKeyB}, 1},
        {"line without a quoted number", {kKeyA, "key", kKeyB}, 1},
        {"three numbers only", {kKeyA, "\"1\",\"2\",\"3\"", kKeyB}, 1},
        {"four numbers and no texts", {kKeyA, "\"1\",\"2\",\"3\",\"4\"", kKeyB}, 3},
        {"blank before the first number", {" " + kKeyA}, 0},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        std::vector<std::string> lines = {kSettings, kReference, kMeasured};
        lines.insert(lines.end(), c.keyLines.begin(), c.keyLines.end());
        WriteBytes("softKB.skb", CrLf(lines));
        CKeyboardDef keyboard;
        ASSERT_TRUE(keyboard.Load()) << c.name;
        EXPECT_EQ(keyboard.KeyCount(), c.expectedCount) << c.name;
    }
}

TEST(KeyboardDefFile, RectanglesAreNormalisedAndTheTableHoldsTwoHundredKeys)
{
    ScopedWorkDir dir;
    std::vector<std::string> lines = {kSettings, kReference, kMeasured, KeyLine("\"300\",\"50\",\"100\",\"20\"", {"a"}),
                                      KeyLine("\"5000\",\"5000\",\"5000\",\"9000\"", {"zero width"})};
    for (int i = 2; i < 205; ++i)
        lines.push_back(KeyLine("\"-" + std::to_string(i) + "\",\"30\",\"0\",\"60\"", {std::to_string(i)}));
    WriteBytes("softKB.skb", CrLf(lines));
    CKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());
    EXPECT_EQ(keyboard.GetKey(0).rect, (PenRect{100, 20, 300, 50}));
    EXPECT_EQ(keyboard.KeyCount(), 200);
    EXPECT_EQ(keyboard.GetKey(199).texts[0], "199");
    // The zero-width key adds nothing; lines past the table are ignored.
    EXPECT_EQ(keyboard.Bounds(), (PenRect{-199, 20, 300, 60}));
}

TEST(KeyboardDefFile, SlotTextsFollowTheFieldRules)
{
    const struct {
        const char* name;
        std::string texts;  // everything after the rectangle's comma
        std::vector<std::string> expected;
    } cases[] = {
        {"plain", "\"a\",\"b\",\"c\"", {"a", "b", "c", "old", "old"}},
        {"no key", "\"<NOKEY>\",\"x\"", {"", "x", "old"}},
        {"three quotes", "\"\"\",\"x\"", {"\"", "x"}},
        {"four quotes", "\"\"\"\",\"x\"", {"\"", "x"}},
        {"two quotes stay", "\"\",\"x\"", {"\"\"", "x"}},
        {"comma inside a field", "\"a,b\",\"c\"", {"a,b", "c"}},
        {"blank after a comma", "\"a\", \"b\",\"c\"", {"a", " \"b", "c"}},
        {"quote in the middle", "\"x\"y\",\"z\",\"w\"", {"x", "y\",", "z\",", "old"}},
        {"unterminated field", "\"abc", {"old", "old"}},
        {"shift_jis with 0x5C trail byte", "\"表\",\"ソ\"", {"表", "ソ"}},
        {"ten fields", "\"0\",\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"9\"",
         {"0", "1", "2", "3", "4", "5", "6", "7", "8"}},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        WriteBytes("softKB.skb", CrLf({kSettings, kReference, kMeasured}));
        CKeyboardDef keyboard;
        ASSERT_TRUE(keyboard.Load());
        keyboard.SetKey(0, OldKey());

        WriteBytes("softKB.skb", CrLf({kSettings, kReference, kMeasured, "\"0\",\"0\",\"10\",\"10\"," + c.texts}));
        ASSERT_TRUE(keyboard.Load()) << c.name;
        const KeyEntry key = keyboard.GetKey(0);
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(key.texts[i], c.expected[i]) << c.name << ", slot " << i;
    }
}

TEST(KeyboardDefFile, QuotesInTextsAfterSaveAndReload)
{
    const struct {
        std::string text;
        std::string afterReload;
    } cases[] = {
        {"\"", "\""},
        {"", ""},
        {"<NOKEY>", ""},
        {"a\"b", "a"},
        {"\"abc", "\"\""},
        {"abc\"", "abc\""},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        WriteBytes("softKB.skb", CrLf({kSettings, kReference, kMeasured, kKeyA}));
        CKeyboardDef keyboard;
        ASSERT_TRUE(keyboard.Load());
        KeyEntry key = keyboard.GetKey(0);
        key.texts[0] = c.text;
        keyboard.SetKey(0, key);
        ASSERT_TRUE(keyboard.Save());
        CKeyboardDef reloaded;
        ASSERT_TRUE(reloaded.Load());
        EXPECT_EQ(reloaded.GetKey(0).texts[0], c.afterReload) << c.text;
    }
}

TEST(KeyboardDefFile, LongLinesAreScannedForAtMost4096TextBytes)
{
    ScopedWorkDir dir;
    WriteBytes("softKB.skb", CrLf({kSettings, kReference, kMeasured}));
    CKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());
    keyboard.SetKey(0, OldKey());
    keyboard.SetKey(1, OldKey());

    const std::string longText(100000, 'a');
    WriteBytes("softKB.skb",
              CrLf({kSettings, kReference, kMeasured, "\"0\",\"0\",\"10\",\"10\",\"" + longText + "\",\"b\"",
                    "\"0\",\"0\",\"10\",\"10\",\"" + std::string(4094, 'c') + "\"," + longText}));
    ASSERT_TRUE(keyboard.Load());
    ASSERT_EQ(keyboard.KeyCount(), 2);
    // The first field never closes inside the scanned bytes.
    EXPECT_EQ(keyboard.GetKey(0).texts[0], std::string(4095, 'a'));
    EXPECT_EQ(keyboard.GetKey(0).texts[1], "old");
    // A field closing on the last scanned byte, then the unfinished rest.
    EXPECT_EQ(keyboard.GetKey(1).texts[0], std::string(4094, 'c'));
    EXPECT_EQ(keyboard.GetKey(1).texts[1], "");
    EXPECT_EQ(keyboard.GetKey(1).texts[2], "old");
}

TEST(KeyboardDefFile, BareLineFeedsReadLikeCrLf)
{
    ScopedWorkDir dir;
    WriteBytes("softKB.skb", SampleFile());
    CKeyboardDef crlf;
    ASSERT_TRUE(crlf.Load());

    std::string lf = SampleFile();
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;)
        lf.erase(at, 1);
    lf.pop_back();  // and no line end after the last line
    WriteBytes("softKB.skb", lf);
    CKeyboardDef bare;
    ASSERT_TRUE(bare.Load());
    ExpectSameDefinition(crlf, bare);
}

// A file marked as UTF-8 is read as UTF-8 only when it is: read on, text of
// another encoding would put "?" on every key it reaches.
TEST(KeyboardDefFile, AFileMarkedUtf8ThatIsNotIsRefusedNamingTheLine)
{
    const std::string mark = "\xEF\xBB\xBF";
    const std::string utf8 = SjisToUtf8(SampleFile());
    // Line 6 of the sample is its first key line.
    const auto withKeyText = [&](const std::string& bytes) {
        return mark + SjisToUtf8(CrLf({kSettings, kReference, kMeasured})) +
               KeyLine("\"100\",\"200\",\"1100\",\"1200\"", {"a", bytes, "b"}) + "\r\n";
    };
    const struct {
        const char* name;
        std::string file;
        int badLine;  // 0: the file is read
    } cases[] = {
        {"Shift_JIS saved behind the mark", mark + SampleFile(), 6},
        {"a comment counts", mark + "# \x82\xA0\r\n" + utf8, 1},
        {"an overlong form", withKeyText("\xC0\xAF"), 4},
        {"a surrogate", withKeyText("\xED\xA0\x80"), 4},
        {"past U+10FFFF", withKeyText("\xF4\x90\x80\x80"), 4},
        {"a sequence cut by the line end", withKeyText("\xE3\x81"), 4},
        {"a sequence cut by the end of the file", mark + utf8 + "\xF0\x9F\x98", 9},
        {"the last code points before each bound", withKeyText("\x7F\xDF\xBF\xED\x9F\xBF\xF4\x8F\xBF\xBF"), 0},
        {"UTF-8 throughout", mark + utf8, 0},
        {"Shift_JIS without the mark", SampleFile(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedWorkDir dir;
        CQuadMapping mapping;
        CKeyboardDef keyboard;
        ASSERT_TRUE(LoadSample(keyboard, mapping));
        WriteBytes("softKB.skb", c.file);
        MessageLog log;
        keyboard.SetMessageBox(&log);
        EXPECT_EQ(keyboard.Load(), c.badLine == 0);
        if (c.badLine == 0) {
            EXPECT_TRUE(log.Messages().empty());
            continue;
        }
        EXPECT_EQ(log.Messages(), std::vector<std::string>{"ソフトＫＢ定義ファイル(softKB.skb)は先頭にUTF-8のBOMがありますが、" +
                                                           std::to_string(c.badLine) +
                                                           "行目がUTF-8ではありません。ファイルは読み込まれません。"});
        // Nothing of the refused file was taken in.
        EXPECT_EQ(keyboard.KeyCount(), 2);
        EXPECT_EQ(keyboard.GetKey(0).texts[0], "あ");
        EXPECT_EQ(keyboard.HitPointRule(), 1);
    }
}

TEST(KeyboardDefFile, SavesKeepOneBackupAndNeverWriteThroughALink)
{
    ScopedWorkDir dir;
    const std::string original = CrLf({kSettings, kReference, kMeasured, kKeyA, kKeyB});
    WriteBytes("softKB.skb", original);
    CKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());

    // Two saves from one reading: the backup is the file both started from.
    CKeyboardDef::Marks marks = keyboard.MeasuredMarks();
    marks[0].x = 1111;
    keyboard.SetMeasuredMarks(marks);
    ASSERT_TRUE(keyboard.Save());
    const std::string first = ReadBytes("softKB.skb");
    EXPECT_NE(first, original);
    marks[0].x = 2222;
    keyboard.SetMeasuredMarks(marks);
    ASSERT_TRUE(keyboard.Clone()->Save());
    EXPECT_EQ(ReadBytes("softKB.skb.bak"), original);
    EXPECT_NE(ReadBytes("softKB.skb"), first);

    // A new reading backs up the file as it is then.
    const std::string second = ReadBytes("softKB.skb");
    ASSERT_TRUE(keyboard.Load());
    ASSERT_TRUE(keyboard.Save());
    EXPECT_EQ(ReadBytes("softKB.skb.bak"), second);

    // softKB.skb as a link: the link is replaced, its target left alone.
    fs::rename("softKB.skb", "elsewhere.skb");
    fs::create_symlink("elsewhere.skb", "softKB.skb");
    ASSERT_TRUE(keyboard.Load());
    ASSERT_TRUE(keyboard.Save());
    EXPECT_FALSE(fs::is_symlink("softKB.skb"));
    EXPECT_EQ(ReadBytes("softKB.skb"), second);
    EXPECT_EQ(ReadBytes("elsewhere.skb"), second);
    EXPECT_EQ(keyboard.FailedSaves(), 0);
    EXPECT_TRUE(TemporaryFilesIn(".").empty());

    // A name the new file cannot take: told, and nothing changes.
    ASSERT_TRUE(fs::remove("softKB.skb"));
    fs::create_directory("softKB.skb");
    WriteBytes("softKB.skb/inside", original);
    MessageLog log;
    keyboard.SetMessageBox(&log);
    EXPECT_FALSE(keyboard.Save());
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kWriteOpenFailed});
    EXPECT_EQ(keyboard.FailedSaves(), 1);
    EXPECT_EQ(ReadBytes("softKB.skb/inside"), original);
    EXPECT_TRUE(TemporaryFilesIn(".").empty());
}

// Whatever the reader did not take in goes back into the file: a calibration
// must not lose keys.
TEST(KeyboardDefFile, RewriteKeepsEveryKeyLineItDidNotRead)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 302; ++i)
        keys.push_back(KeyLine("\"" + std::to_string(100 * i) + "\",\"0\",\"" + std::to_string(100 * i + 90) + "\",\"90\"",
                               {"き" + std::to_string(i), "<NOKEY>", "x", "y", "z", "<NOKEY>", "1", "2", "3"}));
    std::vector<std::string> blankAfterFirst(keys.begin(), keys.begin() + 62);
    blankAfterFirst.insert(blankAfterFirst.begin() + 1, "");
    std::vector<std::string> longText(keys.begin(), keys.begin() + 3);
    longText[1] = KeyLine("\"0\",\"0\",\"10\",\"10\"", {std::string(5000, 'a'), "after the cut"});

    const struct {
        const char* name;
        std::vector<std::string> keyLines;
        int keysRead;
        bool told;
    } cases[] = {
        {"a blank line after the first key", blankAfterFirst, 1, true},
        {"more keys than the table holds", keys, 200, true},
        {"a text past the reader's length", longText, 3, true},
        {"a file the reader takes in whole", std::vector<std::string>(keys.begin(), keys.begin() + 5), 5, false},
    };
    for (const auto& c : cases) {
        for (const bool utf8 : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (utf8 ? ", UTF-8 with a byte-order mark" : ""));
            ScopedWorkDir dir;
            std::vector<std::string> lines = {kSettings, kReference, kMeasured};
            lines.insert(lines.end(), c.keyLines.begin(), c.keyLines.end());
            const std::string sjis = CrLf(lines);
            const std::string file = utf8 ? "\xEF\xBB\xBF" + SjisToUtf8(sjis) : sjis;
            WriteBytes("softKB.skb", file);
            CKeyboardDef keyboard;
            MessageLog log;
            keyboard.SetMessageBox(&log);
            ASSERT_TRUE(keyboard.Load());
            EXPECT_EQ(keyboard.KeyCount(), c.keysRead);
            EXPECT_EQ(keyboard.GetKey(0).texts[0], "き0");
            EXPECT_EQ(keyboard.HitPointRule(), 1);
            EXPECT_EQ(log.Messages().size(), c.told ? 1u : 0u);

            CKeyboardDef::Marks marks = keyboard.MeasuredMarks();
            marks[2] = PenPoint{20001, 13801};
            keyboard.SetMeasuredMarks(marks);
            ASSERT_TRUE(keyboard.Save());
            std::string expected = file;
            const std::string measured = utf8 ? SjisToUtf8(kMeasured) : kMeasured;
            expected.replace(expected.find(measured), measured.size(),
                             "\"1010\",\"990\",\"20020\",\"1005\",\"20001\",\"13801\",\"1003\",\"13810\",\"10490\",\"7410\"");
            EXPECT_EQ(ReadBytes("softKB.skb"), expected);
        }
    }
}

TEST(KeyboardDef, CloneCopiesEverythingAndSharesTheMapping)
{
    ScopedWorkDir dir;
    CQuadMapping mapping;
    CEditableKeyboardDef keyboard;
    ASSERT_TRUE(LoadSample(keyboard, mapping));
    keyboard.SetInputMode(2);
    KeyEntry beyond;
    beyond.texts[4] = "beyond the count";
    keyboard.SetKey(150, beyond);

    std::unique_ptr<CKeyboardDef> clone = keyboard.Clone();
    EXPECT_EQ(dynamic_cast<CEditableKeyboardDef*>(clone.get()), nullptr);
    ExpectSameDefinition(keyboard, *clone);
    EXPECT_EQ(clone->Mapping(), &mapping);

    clone->SetInputMode(1);
    clone->SetKey(0, beyond);
    EXPECT_EQ(keyboard.GetInputMode(), InputMode::HalfWidth);
    EXPECT_EQ(keyboard.GetKey(0).texts[0], "あ");

    // Changes after the cloning stay with the object that made them, either way.
    const std::unique_ptr<CKeyboardDef> second = keyboard.Clone();
    const KeyEntry original = keyboard.GetKey(1);
    keyboard.SetKey(1, beyond);
    EXPECT_EQ(second->GetKey(1).texts, original.texts);
    EXPECT_EQ(clone->GetKey(1).texts, original.texts);
    EXPECT_EQ(keyboard.GetKey(1).texts, beyond.texts);
    WriteBytes("softKB.skb", "\"0\",\"0\",\"10\"\r\n\r\n\r\n\"0\",\"0\",\"5\",\"5\",\"reloaded\"\r\n");
    ASSERT_TRUE(second->Load());
    EXPECT_EQ(second->GetKey(0).texts[0], "reloaded");
    EXPECT_EQ(keyboard.GetKey(0).texts[0], "あ");

    // Only the three modes are accepted.
    for (int invalid : {3, -1})
        clone->SetInputMode(invalid);
    EXPECT_EQ(clone->GetInputMode(), InputMode::Katakana);
}

TEST(KeyboardDef, KeyListShowsAHundredFiftyRows)
{
    ScopedWorkDir dir;
    WriteBytes("softKB.skb", SampleFile());
    CKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());
    CInMemoryListView list;
    for (int column = 0; column < kSlotCount; ++column)
        list.InsertColumn(column, "", 68);
    keyboard.FillKeyList(list);

    ASSERT_EQ(list.RowCount(), 150);
    const std::vector<std::string> row0 = {"あ", "---", "ぁ", "ア", "---", "ァ", "a", "A", "---"};
    for (int column = 0; column < kSlotCount; ++column) {
        EXPECT_EQ(list.GetItemText(0, column), row0[static_cast<std::size_t>(column)]);
        EXPECT_EQ(list.GetItemText(149, column), "---");
    }

    KeyEntry edited = keyboard.GetKey(1);
    edited.texts[0] = "";
    edited.texts[8] = "new";
    keyboard.SetKey(1, edited);
    list.SetItemState(1, IListView::kSelected, IListView::kSelected);
    keyboard.RefreshKeyRow(list, 1);
    EXPECT_EQ(list.RowCount(), 150);
    EXPECT_EQ(list.GetItemText(1, 0), "---");
    EXPECT_EQ(list.GetItemText(1, 8), "new");
    EXPECT_EQ(list.GetItemText(2, 0), "---");
    EXPECT_EQ(list.SelectedCount(), 0);
}

TEST(EditableKeyboardDef, SavesOnlyWhenModified)
{
    ScopedWorkDir dir;
    WriteBytes("softKB.skb", SampleFile());
    CEditableKeyboardDef keyboard;
    ASSERT_TRUE(keyboard.Load());
    EXPECT_TRUE(keyboard.SaveIfModified());
    EXPECT_EQ(ReadBytes("softKB.skb"), SampleFile());
    EXPECT_FALSE(fs::exists("softKB.skb.bak"));

    keyboard.SetModified();
    EXPECT_TRUE(keyboard.SaveIfModified());
    EXPECT_TRUE(keyboard.IsModified());
    EXPECT_EQ(ReadBytes("softKB.skb.bak"), SampleFile());

    fs::remove("softKB.skb");
    fs::create_directory("softKB.skb");
    MessageLog log;
    keyboard.SetMessageBox(&log);
    EXPECT_FALSE(keyboard.SaveIfModified());
    EXPECT_EQ(log.Messages(), std::vector<std::string>{kWriteOpenFailed});
}

TEST(EditableKeyboardDef, LockFlagsAreReadCharacterByCharacter)
{
    ScopedWorkDir dir;
    WriteBytes("keydef.skb", CrLf({"1,1,1,0,0,0,0,0,0", "1, 0, 0", "1,1,1,1,1,1,1,1,1,1,1", "a1b", "", "1,1,1"}));
    CEditableKeyboardDef keyboard;
    MessageLog log;
    keyboard.SetMessageBox(&log);
    ASSERT_TRUE(keyboard.LoadLockFlags());
    EXPECT_TRUE(log.Messages().empty());

    using Flags = CEditableKeyboardDef::LockFlagSet;
    EXPECT_EQ(keyboard.LockFlags(0), (Flags{'1', '1', '1', '0', '0', '0', '0', '0', '0'}));
    EXPECT_EQ(keyboard.LockFlags(1), (Flags{'1', ' ', '0', '0', '0', '0', '0', '0', '0'}));
    EXPECT_EQ(keyboard.LockFlags(2), (Flags{'1', '1', '1', '1', '1', '1', '1', '1', '1'}));
    EXPECT_EQ(keyboard.LockFlags(3), (Flags{'a', '0', '0', '0', '0', '0', '0', '0', '0'}));
    // The empty line ended the file.
    EXPECT_EQ(keyboard.LockFlags(5)[0], '0');
    EXPECT_EQ(keyboard.LockFlags(200)[0], '0');
    EXPECT_EQ(keyboard.LockFlags(-1)[0], '0');
}

TEST(EditableKeyboardDef, LockFileLimitsAndFailure)
{
    ScopedWorkDir dir;
    CEditableKeyboardDef keyboard;
    {
        MessageLog log;
        keyboard.SetMessageBox(&log);
        EXPECT_FALSE(keyboard.LoadLockFlags());
        EXPECT_EQ(log.Messages(), std::vector<std::string>{kLockOpenFailed});
        EXPECT_EQ(keyboard.LockFlags(0)[0], '0');
    }
    std::vector<std::string> lines(205, "1,1,1,1,1,1,1,1,1");
    lines[199] = "0,1,0,1,0,1,0,1,0";
    WriteBytes("keydef.skb", CrLf(lines));
    ASSERT_TRUE(keyboard.LoadLockFlags());
    EXPECT_EQ(keyboard.LockFlags(199)[1], '1');
    EXPECT_EQ(keyboard.LockFlags(199)[0], '0');

    // A second load over the first changes only what the file reaches.
    WriteBytes("keydef.skb", CrLf({"0,0"}));
    ASSERT_TRUE(keyboard.LoadLockFlags());
    EXPECT_EQ(keyboard.LockFlags(0), (CEditableKeyboardDef::LockFlagSet{'0', '0', '1', '1', '1', '1', '1', '1', '1'}));
}

// InkML from elsewhere, and documents that must be refused.

#include "ink/InkmlReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kOpen = "<ink xmlns=\"http://www.w3.org/2003/InkML\">";

std::vector<std::vector<int>> Records(const InkmlPage& page)
{
    std::vector<std::vector<int>> records;
    for (const StrokeSample& r : page.records)
        records.push_back({r.kind, r.x, r.y, r.penColor});
    return records;
}

TEST(InkmlReaderTest, ReadsInkOfOtherProgramsInTheirUnitsAndColours)
{
    // No trace format: X and Y in pen units, the black pen.
    InkmlPage page;
    ASSERT_EQ(ParseInkml(kOpen + "<trace>10 20, 30 40</trace><trace>  </trace></ink>", page), "");
    EXPECT_EQ(Records(page), (std::vector<std::vector<int>>{{1, 10, 20, 1}, {2, 30, 40, 1}, {3, 0, 0, 0}}));

    // Centimetres with a time channel in between, an intermittent force
    // channel, differences of the first and second order, a red brush
    // given to a group, a hover trace that is no ink, and a foreign element.
    const std::string document = "<?xml version=\"1.0\"?>\n" + kOpen +
        "<definitions><brush xml:id=\"r\"><brushProperty name=\"color\" value=\"#ff0000\"/></brush>"
        "<brush xml:id=\"b\"><brushProperty name=\"color\" value=\"#0000FF\"/></brush></definitions>"
        "<traceFormat><channel name=\"X\" units=\"cm\"/><channel name=\"T\" type=\"integer\" units=\"ms\"/>"
        "<channel name=\"Y\" units=\"cm\"/><intermittentChannels><channel name=\"F\"/></intermittentChannels>"
        "</traceFormat>"
        "<annotationXML><x:note xmlns:x=\"urn:example\">hi</x:note></annotationXML>"
        "<traceGroup brushRef=\"#r\"><trace>1 0 2, '0.5 5 '-.25 0.9, \"0.1 5 -0.25, !3 15 !1e0</trace>"
        "<trace type=\"penUp\">7 0 7</trace></traceGroup>"
        "<trace brushRef=\"#b\">-1.5 0 +2.25</trace></ink>";
    ASSERT_EQ(ParseInkml(document, page), "");
    EXPECT_EQ(Records(page), (std::vector<std::vector<int>>{{1, 1000, 2000, 3},
                                                           {2, 1500, 1750, 3},
                                                           {2, 2100, 1500, 3},
                                                           {2, 3000, 1000, 3},
                                                           {3, 0, 0, 0},
                                                           {1, -1500, 2250, 2},
                                                           {3, 0, 0, 0}}));

    // A resolution for values without a unit; the sheet's size and
    // orientation.
    ASSERT_EQ(ParseInkml(kOpen + "<definitions><inkSource xml:id=\"s\"><traceFormat><channel name=\"X\"/>"
                                 "<channel name=\"Y\"/></traceFormat><activeArea width=\"8.5\" height=\"11\" "
                                 "units=\"in\"/><channelProperties><channelProperty channel=\"X\" "
                                 "name=\"resolution\" value=\"1000\" units=\"1/in\"/><channelProperty channel=\"Y\" "
                                 "name=\"resolution\" value=\"10\" units=\"1/mm\"/></channelProperties></inkSource>"
                                 "</definitions><annotation type=\"orientation\"> 2 </annotation>"
                                 "<trace>1000 10</trace></ink>",
                         page),
              "");
    EXPECT_EQ(Records(page), (std::vector<std::vector<int>>{{1, 2540, 100, 1}, {3, 0, 0, 0}}));
    EXPECT_EQ(page.geometry.width, 21590u);
    EXPECT_EQ(page.geometry.height, 27940u);
    EXPECT_EQ(page.geometry.orientation, 2u);
}

TEST(InkmlReaderTest, MalformedDocumentsAreRefusedWithAReason)
{
    std::string manyPoints;
    for (std::size_t i = 0; i < kMaxInkmlRecords / 2 + 1; ++i)
        manyPoints += "0 0,0 0,";
    const struct {
        const char* what;
        std::string document;
        std::string reason;
    } cases[] = {
        {"empty", "", "no element found"},
        {"bad XML", kOpen + "<trace>1 2</ink>", "mismatched tag"},
        {"cut short", kOpen + "<trace>1 2,", "no element found"},
        {"not InkML", "<ink><trace>1 2</trace></ink>", "not InkML"},
        {"entities", "<!DOCTYPE ink [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>" + kOpen +
                         "<annotation>&b;</annotation></ink>",
         "document type declaration"},
        {"external entity", "<!DOCTYPE ink SYSTEM \"/etc/passwd\">" + kOpen + "</ink>", "document type declaration"},
        {"no Y channel", kOpen + "<traceFormat><channel name=\"X\"/><channel name=\"T\"/></traceFormat>"
                                 "<trace>1 2</trace></ink>",
         "no X and Y channels"},
        {"huge number", kOpen + "<trace>1e400 2</trace></ink>", "not a number"},
        {"out of range", kOpen + "<traceFormat><channel name=\"X\" units=\"m\"/><channel name=\"Y\"/></traceFormat>"
                                 "<trace>1 2</trace></ink>",
         "outside the pen's range"},
        {"growing differences", kOpen + "<trace>0 0,\"30000 0,0 0,0 0</trace></ink>", "outside the pen's range"},
        {"not a number", kOpen + "<trace>1 x</trace></ink>", "not a number"},
        {"too few values", kOpen + "<trace>1 2, 3</trace></ink>", "fewer values"},
        {"too many values", kOpen + "<trace>1 2 3</trace></ink>", "more values"},
        {"empty point", kOpen + "<trace>1 2,,3 4</trace></ink>", "empty point"},
        {"time as a length", kOpen + "<traceFormat><channel name=\"X\" units=\"s\"/><channel name=\"Y\"/>"
                                     "</traceFormat><trace>1 2</trace></ink>",
         "not a length"},
        {"too many points", kOpen + "<trace>" + manyPoints + "0 0</trace></ink>", "more points"},
        {"deep nesting", kOpen + std::string(3000, ' ') + [] {
             std::string nested;
             for (int i = 0; i < 300; ++i)
                 nested += "<traceGroup>";
             return nested;
         }(),
         "nested too deeply"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InkmlPage page;
        page.records.push_back({});
        const std::string error = ParseInkml(c.document, page);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        EXPECT_TRUE(page.records.empty());
    }
}

}  // namespace

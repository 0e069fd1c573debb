#include "platform/Platform.h"
#include "script/DemoScript.h"
#include "script/LayerFactory.h"
#include "script/textdemoscript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every message box instead of showing it.
class ScriptParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageBoxForTesting([this](const std::string& text, const std::string& caption, int) {
            boxes.push_back(caption + ": " + text);
            return IDOK;
        });
    }
    void TearDown() override { setMessageBoxForTesting(nullptr); }

    // Parses text whose lines are joined with CR LF.
    DemoScript& parseLines(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        script.parse(text);
        return script;
    }

    // The named entry; an empty one (and a failure) when there is none.
    const LayerEntry& entry(const std::string& name) {
        static const LayerEntry missing(createLayer("ClearLayer", ""), 0, 0, "", {});
        const auto found = script.entries().find(name);
        if (found != script.entries().end())
            return *found->second;
        ADD_FAILURE() << "no entry " << name;
        return missing;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& item : script.entries())
            out.push_back(item.first);
        return out;
    }

    DemoScript script;
    std::vector<std::string> boxes;
};

std::vector<std::string> block(const std::string& name, const std::string& className,
                               const std::vector<std::string>& events = {}) {
    std::vector<std::string> lines{"[" + name + "]", className, "0", "1000"};
    lines.insert(lines.end(), events.begin(), events.end());
    lines.push_back("@");
    return lines;
}

std::vector<std::string> joined(std::vector<std::vector<std::string>> blocks) {
    std::vector<std::string> out;
    for (auto& lines : blocks)
        out.insert(out.end(), lines.begin(), lines.end());
    return out;
}

} // namespace

TEST(ParamIdPacking, FirstCharacterIsTheLowestByte) {
    EXPECT_EQ(param::OPAC, 0x4341504Fu);
    EXPECT_EQ(param::RGBA, 0x41424752u);
}

TEST(ScriptIntegers, WrapModulo32Bits) {
    EXPECT_EQ(parseScriptInteger("4278190080"), 0xFF000000u);
    EXPECT_EQ(parseScriptInteger("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(parseScriptInteger("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(parseScriptInteger("4294967296"), 0u);
    EXPECT_EQ(parseScriptInteger("+12abc"), 12u);
    EXPECT_EQ(parseScriptInteger("abc"), 0u);
    EXPECT_EQ(parseScriptInteger(""), 0u);
}

TEST_F(ScriptParserTest, WorkedExample) {
    parseLines({"# opening", "[10 backdrop]", "ClearLayer", "0", "30000", "0 I RGBA 4278190080",
                "@", "[20 veil]", "ClearLayer", "25000", "30000", "0 F OPAC 0", "2000 f OPAC 0.75",
                "@"});
    ASSERT_EQ(names(), (std::vector<std::string>{"10 backdrop", "20 veil"}));
    const LayerEntry& backdrop = entry("10 backdrop");
    EXPECT_EQ(backdrop.start(), 0u);
    EXPECT_EQ(backdrop.end(), 30000u);
    EXPECT_EQ(backdrop.origin(), LayerEntry::NOT_ACTIVATED);
    EXPECT_EQ(backdrop.nextEvent(), 0u);
    EXPECT_FALSE(backdrop.active());
    ASSERT_EQ(backdrop.events().size(), 1u);
    EXPECT_EQ(backdrop.events()[0].type, ValueType::Int);
    EXPECT_EQ(backdrop.events()[0].code, param::RGBA);
    EXPECT_EQ(static_cast<uint32_t>(backdrop.events()[0].intValue), 0xFF000000u);

    const LayerEntry& veil = entry("20 veil");
    EXPECT_EQ(veil.start(), 25000u);
    ASSERT_EQ(veil.events().size(), 2u);
    EXPECT_EQ(veil.events()[1].time, 2000u);
    EXPECT_EQ(veil.events()[1].type, ValueType::Float);
    EXPECT_FLOAT_EQ(veil.events()[1].floatValue, 0.75f);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ScriptParserTest, NamesRenderInUnsignedByteOrder) {
    parseLines(
        joined({block("2", "ClearLayer"), block("10", "ClearLayer"), block("a", "ClearLayer"),
                block("B", "ClearLayer"), block("\xE4", "ClearLayer")}));
    EXPECT_EQ(names(), (std::vector<std::string>{"10", "2", "B", "a", "\xE4"}));
}

TEST_F(ScriptParserTest, FirstBlockOfANameWinsAndUnknownClassesAreDropped) {
    parseLines(
        joined({block("x", "ClearLayer", {"0 I RGBA 1"}),
                block("x", "ClearLayer", {"0 I RGBA 2", "5 I RGBA 3"}), block("y", "clearlayer"),
                block("z", "ClearLayer :arg"), block("w", "Nothing")}));
    ASSERT_EQ(names(), std::vector<std::string>{"x"});
    ASSERT_EQ(entry("x").events().size(), 1u);
    EXPECT_EQ(entry("x").events()[0].intValue, 1);
}

TEST_F(ScriptParserTest, EventsAreOrderedByTimeKeepingFileOrderForTies) {
    parseLines(block("b", "ClearLayer",
                     {"500 I RGBA 1", "100 I RGBA 2", "500 I RGBA 3", "100 I RGBA 4",
                      "4294967295 I RGBA 5", "0 I RGBA 6"}));
    std::vector<int> order;
    for (const ScriptEvent& event : entry("b").events())
        order.push_back(event.intValue);
    EXPECT_EQ(order, (std::vector<int>{6, 2, 4, 1, 3, 5}));
}

TEST_F(ScriptParserTest, ValueTypesAndTokens) {
    parseLines(block("v", "ClearLayer",
                     {"0 s FILE data\\hand.png trailing words", "1 S FILE", "2 i SHOW -1",
                      "3 I SHOW 4294967295", "4 F OPAC -2.5e1", "5 f OPAC junk", "6\tI\tAB C\t7",
                      "7 ISHOW 9", "8 i RGBA 12x"}));
    const auto& events = entry("v").events();
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events[0].stringValue, "data\\hand.png");
    EXPECT_EQ(events[0].code, param::FILE);
    EXPECT_EQ(events[1].stringValue, "");
    EXPECT_EQ(events[2].intValue, -1);
    EXPECT_EQ(events[3].intValue, -1);
    EXPECT_FLOAT_EQ(events[4].floatValue, -25.0f);
    EXPECT_FLOAT_EQ(events[5].floatValue, 0.0f);
    EXPECT_EQ(events[6].code, packParamId('A', 'B', ' ', 'C'));
    EXPECT_EQ(events[6].intValue, 7);
    EXPECT_EQ(events[7].code, param::SHOW);
    EXPECT_EQ(events[7].intValue, 9);
    EXPECT_EQ(events[8].intValue, 12);
}

TEST_F(ScriptParserTest, LongValueTokensKeepTheirFirst255Characters) {
    const std::string longToken(400, 'q');
    parseLines(block("t", "ClearLayer", {"0 S FILE " + longToken}));
    ASSERT_EQ(entry("t").events().size(), 1u);
    EXPECT_EQ(entry("t").events()[0].stringValue, std::string(255, 'q'));
}

TEST_F(ScriptParserTest, InvalidTypeShowsTheMessageAndSkipsTheLine) {
    parseLines(block("m", "ClearLayer", {"0 I RGBA 1", "10 x RGBA 2", "20 I RGBA 3"}));
    EXPECT_EQ(boxes, std::vector<std::string>{"TODO: Invalid value type in textdemoscript"});
    ASSERT_EQ(entry("m").events().size(), 2u);
    EXPECT_EQ(entry("m").events()[1].intValue, 3);
}

TEST_F(ScriptParserTest, LinesNotFittingThePatternInheritTheFieldsBefore) {
    parseLines(block("p", "ClearLayer", {"100 I RGBA 5", "200", "300 I", "400 I OP"}));
    const auto& events = entry("p").events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].time, 200u);
    EXPECT_EQ(events[1].code, param::RGBA);
    EXPECT_EQ(events[1].intValue, 0); // the missing value counts as empty
    EXPECT_EQ(events[2].code, param::RGBA);
    EXPECT_EQ(events[3].code, packParamId('O', 'P', 'B', 'A'));
}

TEST_F(ScriptParserTest, FirstLineOfABlockWithoutATimeStartsFromZeroFields) {
    parseLines(block("z", "ClearLayer", {"hello", "5 I RGBA 1"}));
    // Zero fields carry no valid type: the line is reported and skipped.
    EXPECT_EQ(boxes.size(), 1u);
    ASSERT_EQ(entry("z").events().size(), 1u);
    EXPECT_EQ(entry("z").events()[0].time, 5u);
}

TEST_F(ScriptParserTest, BlockEndsAtTrimmedAtSignOnly) {
    parseLines({"[a]", "ClearLayer", "0", "10", " \t@ \t", "[b]", "ClearLayer", "0", "10", "@@",
                "@ more", "@"});
    EXPECT_EQ(names(), (std::vector<std::string>{"a", "b"}));
    // "@@" and "@ more" are event lines: neither has a valid type character.
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(ScriptParserTest, CommentsAndBlankLinesMayStandAnywhere) {
    parseLines({"", "# top", "[c]", "  # among the header", "ClearLayer", "", "\t0", "# x", "100 ",
                "# among the events", "0 I RGBA 1", "  ", "@"});
    ASSERT_EQ(names(), std::vector<std::string>{"c"});
    EXPECT_EQ(entry("c").end(), 100u);
    EXPECT_EQ(entry("c").events().size(), 1u);
}

TEST_F(ScriptParserTest, LineEnds) {
    // The last line without a line end is never read, but the block still ends there.
    script.parse("[a]\r\nClearLayer\r\n0\r\n10\r\n0 I RGBA 1\r\n5 I RGBA 2");
    ASSERT_EQ(names(), std::vector<std::string>{"a"});
    EXPECT_EQ(entry("a").events().size(), 1u);

    // Bare LF: every line loses its last character, so "@" vanishes.
    DemoScript bare;
    bare.parse("[ab]x\nClearLayerx\n0x\n10x\n@\n[cd]x\nClearLayerx\n0x\n10x\n");
    ASSERT_EQ(bare.entries().size(), 1u);
    EXPECT_EQ(bare.entries().begin()->first, "ab");
}

TEST_F(ScriptParserTest, ShortHeadersEndParsingAndKeepEarlierBlocks) {
    parseLines(joined(
        {block("a", "ClearLayer"), {"[]", "ClearLayer", "0", "1", "@"}, block("c", "ClearLayer")}));
    EXPECT_EQ(names(), std::vector<std::string>{"a"});

    DemoScript cut;
    cut.parse("[a]\r\nClearLayer\r\n0\r\n");
    EXPECT_TRUE(cut.entries().empty());
}

TEST_F(ScriptParserTest, ClassArgumentIsSplitAtTheFirstColon) {
    parseLines(block("f", "ClearLayer:data\\scene:extra"));
    EXPECT_EQ(names(), std::vector<std::string>{"f"});
}

TEST_F(ScriptParserTest, NulBytesEndALineEarly) {
    const char raw[] = "[a]\r\nClearLayer\0junk\r\n0\r\n10\r\n0 I RGBA 1\0x\r\n@\r\n";
    script.parse(std::string(raw, sizeof raw - 1));
    ASSERT_EQ(names(), std::vector<std::string>{"a"});
    EXPECT_EQ(entry("a").events().size(), 1u);
}

TEST_F(ScriptParserTest, ArbitraryBytesGiveWellFormedEntries) {
    uint32_t state = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = round * 7 % 600;
        for (int i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            const char alphabet[] = "[]@# \t\r\n\0IFSifsx0123456789-ClearLayer:RGBA";
            text += alphabet[(state >> 16) % (sizeof alphabet - 1)];
        }
        DemoScript fuzzed;
        fuzzed.parse(text);
        for (const auto& item : fuzzed.entries()) {
            const LayerEntry& parsed = *item.second;
            // A name is a whole line of the text less its first and last byte.
            EXPECT_FALSE(parsed.name().empty());
            EXPECT_NE(text.find(parsed.name()), std::string::npos) << parsed.name();
            EXPECT_EQ(item.first, parsed.name());
            const std::vector<ScriptEvent>& events = parsed.events();
            for (size_t i = 0; i < events.size(); ++i) {
                if (i > 0) {
                    EXPECT_LE(events[i - 1].time, events[i].time) << "delivery order";
                }
                EXPECT_LE(events[i].stringValue.size(), 255u);
                if (events[i].type != ValueType::String) {
                    EXPECT_TRUE(events[i].stringValue.empty());
                }
                if (events[i].type != ValueType::Int) {
                    EXPECT_EQ(events[i].intValue, 0);
                }
            }
        }
    }
}

TEST(DemoScriptLoad, MissingFileGivesMinusOne) {
    DemoScript script;
    EXPECT_EQ(script.load("data\\no-such-script.txt"), -1);
    EXPECT_TRUE(script.entries().empty());
}

// With a problem list the parser says what it passed over, line by line, and
// shows no box; the blocks it makes are the same as without one.
TEST_F(ScriptParserTest, ProblemsAreListedWithTheirLines) {
    const std::string text = "[a]\r\nClearLayer\r\n0\r\n100\r\n"    // lines 1-4
                             "0 I RGBA 1\r\n"                       // 5: fine
                             "10 x RGBA 1\r\n"                      // 6: invalid type
                             "20 I RGBA\r\n"                        // 7: no value
                             "@\r\n"                                // 8
                             "[b]\r\nFadr\r\n0\r\n100\r\n@\r\n"     // 9-13: unknown class (10)
                             "[a]\r\nClearLayer\r\n0\r\n1\r\n@\r\n" // 14-18: name taken (14)
                             "[c]\r\nClearLayer\r\n0\r\n";          // 19-21: header cut short
    ScriptProblems problems;
    script.parse(text, &problems);
    EXPECT_EQ(
        problems,
        (ScriptProblems{"line 6: invalid value type in '10 x RGBA 1'",
                        "line 7: event line does not read as 'time type CODE value'",
                        "line 10: unknown layer class 'Fadr'; the block is dropped",
                        "line 14: block name 'a' taken by an earlier block; this one is dropped",
                        "line 21: block header cut short by the end of the text"}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(names(), std::vector<std::string>{"a"});
    EXPECT_EQ(entry("a").events().size(), 2u);
    EXPECT_EQ(entry("a").end(), 100u);
}

TEST_F(ScriptParserTest, OnlyATrailingLineThatIsNotAtSignIsAProblem) {
    ScriptProblems problems;
    DemoScript clean;
    clean.parse("# show\r\n[a]\r\nClearLayer\r\n0\r\n100\r\n0 I RGBA 1\r\n@", &problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(clean.entries().size(), 1u);
    DemoScript cut;
    cut.parse("[a]\r\nClearLayer\r\n0\r\n100\r\n0 I RGBA 1\r\n50 I RGBA 2", &problems);
    EXPECT_EQ(problems, ScriptProblems{"line 6: the last line has no line end and is never read"});
    DemoScript shortName;
    problems.clear();
    shortName.parse("[]\r\nClearLayer\r\n0\r\n100\r\n", &problems);
    EXPECT_EQ(problems, ScriptProblems{"line 1: block name line shorter than 3 characters"});
}

// Texts carried between character sets: the typed texts into a record's own,
// a record's texts into UTF-8.

#include "typed_text.h"

#include <gtest/gtest.h>

namespace tervanil {
namespace {

struct TranscodeCase {
    const char* what;
    std::string text, from, to;
    std::string bytes;
    bool invalid = false, unconvertible = false;
};

void PrintTo(const TranscodeCase& c, std::ostream* out) {
    *out << c.what;
}

class Transcode : public testing::TestWithParam<TranscodeCase> {};

TEST_P(Transcode, GivesTheBytesAndSaysWhatWasReplaced) {
    const TranscodeCase& c = GetParam();
    const Transcoded result = transcoded(c.text, c.from, c.to);
    EXPECT_EQ(result.bytes, c.bytes);
    EXPECT_EQ(result.invalid, c.invalid);
    EXPECT_EQ(result.unconvertible, c.unconvertible);
}

const std::string kuro = "\xe9\xbb\x92";     // 黒 in UTF-8
const std::string kuroShiftJis = "\x8d\x95"; // 黒 in Shift-JIS
const std::string snowman = "\xe2\x98\x83";  // no Shift-JIS character
const std::string romanOneNec = "\xee\xef";  // ⅰ, one of its two Shift-JIS codes

INSTANTIATE_TEST_SUITE_P(
    Cases, Transcode,
    testing::Values(
        TranscodeCase{"UTF-8 into Shift-JIS", kuro + "]", "UTF-8", "Shift_JIS", kuroShiftJis + "]"},
        TranscodeCase{"Shift-JIS into UTF-8", kuroShiftJis + "x", "SJIS", "utf8", kuro + "x"},
        // Every Shift-JIS name is read as the Windows code page, where 0x5C is
        // the backslash (a yen sign in the strict standard).
        TranscodeCase{"Shift-JIS backslash stays one", kuroShiftJis + "\\", "Shift_JIS", "UTF-8",
                      kuro + "\\"},
        TranscodeCase{"character Shift-JIS lacks", "a" + snowman + kuro, "UTF-8", "CP932",
                      "a?" + kuroShiftJis, false, true},
        TranscodeCase{"invalid UTF-8 byte", "ab\xff" + kuro, "UTF-8", "CP932", "ab?" + kuroShiftJis,
                      true},
        TranscodeCase{"UTF-8 cut off at the end", "a" + kuro.substr(0, 2), "UTF-8", "CP932", "a?",
                      true},
        TranscodeCase{"lead byte ending Shift-JIS", kuroShiftJis + "\x82", "CP932", "UTF-8",
                      kuro + "?", true},
        // The same set on both sides: checked, and valid bytes kept as they are.
        TranscodeCase{"same set, valid", kuro, "UTF-8", "UTF-8", kuro},
        TranscodeCase{"same set, invalid bytes", "a\xc3(\xff", "UTF-8", "UTF8", "a?(?", true},
        TranscodeCase{"same set, trailing lead byte", kuroShiftJis + "\x82", "Shift_JIS", "MS932",
                      kuroShiftJis + "?", true},
        TranscodeCase{"same set keeps the code a round trip would change", romanOneNec, "CP932",
                      "Shift_JIS", romanOneNec},
        TranscodeCase{"ASCII passes", "a]b\\", "UTF-8", "CP932", "a]b\\"},
        TranscodeCase{"high byte is no ASCII", "a\xe9", "US-ASCII", "UTF-8", "a?", true},
        TranscodeCase{"Latin-1 into UTF-8", "caf\xe9", "ISO8859-1", "UTF-8", "caf\xc3\xa9"},
        TranscodeCase{"set iconv does not know", "a\xff", "X-NO-SUCH-SET", "UTF-8", "a\xff"}));

TEST(Transcode, LongTextIsConvertedWhole) {
    std::string text, expected;
    for (int i = 0; i < 5000; ++i) {
        text += kuro + snowman;
        expected += kuroShiftJis + "?";
    }
    const Transcoded result = transcoded(text, "UTF-8", "CP932");
    EXPECT_EQ(result.bytes, expected);
    EXPECT_TRUE(result.unconvertible);
}

TEST(RecordCharset, NamedSetElseTheReadingCodePage) {
    if (canonicalCharset(systemCharset()) != "UTF-8")
        GTEST_SKIP() << "needs a UTF-8 locale, as the test environment sets";
    EXPECT_EQ(recordCharset("Shift_JIS", CodePage::ShiftJis), "CP932");
    EXPECT_EQ(recordCharset("iso8859-1", CodePage::SingleByte), "ISO-8859-1");
    EXPECT_EQ(recordCharset("", CodePage::SingleByte), "UTF-8");
    EXPECT_EQ(recordCharset("", CodePage::ShiftJis), "CP932");
    // A set records are not read in: the code page they are read in decides.
    EXPECT_EQ(recordCharset("EUC-JP", CodePage::SingleByte), "UTF-8");

    EXPECT_TRUE(namesOtherThanSystemCharset("SJIS"));
    EXPECT_TRUE(namesOtherThanSystemCharset("ISO-8859-1"));
    EXPECT_FALSE(namesOtherThanSystemCharset("utf8"));
    EXPECT_FALSE(namesOtherThanSystemCharset("US-ASCII"));
    EXPECT_FALSE(namesOtherThanSystemCharset("EUC-JP"));
    EXPECT_FALSE(namesOtherThanSystemCharset(""));
}

} // namespace
} // namespace tervanil

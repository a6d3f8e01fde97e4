// Records and typed texts that once left the rework with a value that did not
// close where it should: found by fuzzing, kept here as plain cases.

#include "record_rework.h"

#include <cctype>
#include <gtest/gtest.h>

namespace {

using tervanil::CodePage;
using tervanil::ConversionOptions;

// Options whose typed texts are written in `codePage`, as its system writes them.
ConversionOptions typedIn(CodePage codePage) {
    ConversionOptions options;
    options.codePage = codePage;
    options.typedTextCharset = codePage == CodePage::ShiftJis ? "CP932" : "UTF-8";
    return options;
}

ConversionOptions withMessage(CodePage codePage, std::string message) {
    ConversionOptions options = typedIn(codePage);
    options.startupMessage = std::move(message);
    return options;
}

struct TypedCase {
    const char* what;
    std::string record;
    ConversionOptions options;
    std::string reworked;
};

void PrintTo(const TypedCase& typedCase, std::ostream* out) {
    *out << typedCase.what;
}

class TypedTextInRecord : public ::testing::TestWithParam<TypedCase> {};

// A typed text must close its value as the record is read, whatever code page
// the texts were typed in.
TEST_P(TypedTextInRecord, ClosesItsValue) {
    EXPECT_EQ(tervanil::detail::reworkedRecord(GetParam().record, GetParam().options),
              GetParam().reworked);
}

INSTANTIATE_TEST_SUITE_P(
    Rework, TypedTextInRecord,
    ::testing::Values(
        // Half a character at the end would take the closing "]" along: it
        // goes in as "?".
        TypedCase{"lead byte ending the message", "(;GM[1];B[aa])",
                  withMessage(CodePage::ShiftJis, "\x82\xa0\x82"),
                  "(;\r\nGO[0]\r\nC[\x82\xa0?]GM[1];B[aa])\r\n"},
        TypedCase{"lead byte as the startup moves", "(;GM[1];B[aa])",
                  [] {
                      ConversionOptions options = typedIn(CodePage::ShiftJis);
                      options.startupMoves = "\x81";
                      return options;
                  }(),
                  "(;\r\nGO[0]\r\nAS[?,1]GM[1];B[aa])\r\n"},
        // The record is read as UTF-8: "\x81]" is one Shift-JIS character,
        // which goes in as UTF-8 writes it.
        TypedCase{"Shift-JIS text in a record named UTF-8", "(;CA[UTF-8];B[aa])",
                  withMessage(CodePage::ShiftJis, "\x81]"),
                  "(;\r\nGO[0]\r\nC[\xe2\x80\x90]CA[UTF-8];B[aa])\r\n"},
        // The record is read as Shift-JIS, where "\x83]" would be one
        // character; in UTF-8 0x83 begins none, so it goes in as "?".
        TypedCase{"invalid UTF-8 in a record named Shift-JIS", "(;CA[Shift_JIS];B[aa])",
                  withMessage(CodePage::SingleByte, "\x83]"),
                  "(;\r\nGO[0]\r\nC[?\\]]CA[Shift_JIS];B[aa])\r\n"},
        // Japanese typed in UTF-8 goes in as Shift-JIS; a character Shift-JIS
        // lacks goes in as "?".
        TypedCase{"UTF-8 text in a record named Shift-JIS", "(;CA[SJIS];B[aa])",
                  withMessage(CodePage::SingleByte, "\xe9\xbb\x92\xe2\x98\x83]"),
                  "(;\r\nGO[0]\r\nC[\x8d\x95?\\]]CA[SJIS];B[aa])\r\n"}),
    [](const ::testing::TestParamInfo<TypedCase>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

// Nine nodes and a tenth whose break would fall at the very end of the text.
const std::string nineNodes = ";B[aa];W[bb];B[cc];W[dd];B[ee];W[ff];B[gg];W[hh];B[ii]";

TEST(ReflowAtTheEnd, NoBreakInsideAValueLeftOpen) {
    const std::string record = "(;GM[1]" + nineNodes + ";C[left open";
    EXPECT_EQ(tervanil::detail::reworkedRecord(record, {}),
              "(;\r\nGO[0]GM[1]" + nineNodes + ";C[left open\r\n");
}

TEST(ReflowAtTheEnd, NoBreakInsideHalfACharacter) {
    ConversionOptions options;
    options.codePage = CodePage::ShiftJis;
    const std::string record = "(;GM[1]" + nineNodes + ";\x81";
    EXPECT_EQ(tervanil::detail::reworkedRecord(record, options),
              "(;\r\nGO[0]GM[1]" + nineNodes + ";\x81\r\n");
}

TEST(ReflowAtTheEnd, BreakBehindAClosedValue) {
    const std::string record = "(;GM[1]" + nineNodes + ";C[x]";
    EXPECT_EQ(tervanil::detail::reworkedRecord(record, {}),
              "(;\r\nGO[0]GM[1]" + nineNodes + ";C[x]\r\n\r\n");
}

} // namespace

// Records and typed texts that once left the rework with a value that did not
// close where it should: found by fuzzing, kept here as plain cases.

#include "record_rework.h"

#include <cctype>
#include <gtest/gtest.h>

namespace {

using tervanil::CodePage;
using tervanil::ConversionOptions;

ConversionOptions withMessage(CodePage codePage, std::string message) {
    ConversionOptions options;
    options.codePage = codePage;
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
        // Half a character at the end would take the closing "]" along.
        TypedCase{"lead byte ending the message", "(;GM[1];B[aa])",
                  withMessage(CodePage::ShiftJis, "\x82\xa0\x82"),
                  "(;\r\nGO[0]\r\nC[\x82\xa0]GM[1];B[aa])\r\n"},
        TypedCase{"lead byte as the startup moves", "(;GM[1];B[aa])",
                  [] {
                      ConversionOptions options;
                      options.codePage = CodePage::ShiftJis;
                      options.startupMoves = "\x81";
                      return options;
                  }(),
                  "(;\r\nGO[0]\r\nAS[,1]GM[1];B[aa])\r\n"},
        // The record is read as UTF-8, where 0x81 leads nothing: "]" needs its escape.
        TypedCase{"Shift-JIS text in a record named UTF-8", "(;CA[UTF-8];B[aa])",
                  withMessage(CodePage::ShiftJis, "\x81]"),
                  "(;\r\nGO[0]\r\nC[\x81\\]]CA[UTF-8];B[aa])\r\n"},
        // The record is read as Shift-JIS, where "\x83]" is one character.
        TypedCase{"single-byte text in a record named Shift-JIS", "(;CA[Shift_JIS];B[aa])",
                  withMessage(CodePage::SingleByte, "\x83]"),
                  "(;\r\nGO[0]\r\nC[\x83]]CA[Shift_JIS];B[aa])\r\n"}),
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

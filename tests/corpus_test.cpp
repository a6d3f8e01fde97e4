// The rework over every real record of the shared corpus: nothing of a record
// is lost or changed but line breaks outside values and the additions.

#include "record_rework.h"

#include "corpus.h"
#include "sgf_reference.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tervanil {
namespace {

namespace fs = std::filesystem;

// The root properties present, read independently of the engine.
RootTags tagsOfRootNode(std::string_view record, size_t opening) {
    RootTags tags;
    testing_support::ValueTracker values;
    std::string identifier;
    for (size_t i = opening + 1; i < record.size(); ++i) {
        const char c = record[i];
        if (!values.inValue()) {
            if (c == ';')
                break;
            if (c == '[') {
                tags.go |= identifier.ends_with("GO");
                tags.cl |= identifier.ends_with("CL");
                tags.qs |= identifier.ends_with("QS");
                tags.ne |= identifier.ends_with("NE");
                tags.as |= identifier.ends_with("AS");
                identifier.clear();
            } else {
                identifier += c;
            }
        }
        values.step(static_cast<unsigned char>(c));
    }
    return tags;
}

TEST(Corpus, ReworkKeepsEveryRecordWhole) {
    SKIP_WITHOUT_CORPUS();
    const std::vector<fs::path> records = testing_support::corpusRecords();
    ASSERT_GT(records.size(), 400u) << "the shared corpus is incomplete: " << TERVANIL_CORPUS_DIR;
    ConversionOptions options;
    options.applet = Applet::Quillamy;
    options.askstyle = true;
    options.nextWhite = true;
    options.startupNumber = "3";
    options.startupMessage = "Study ]this[ game \\";

    size_t reworkedCount = 0;
    for (const fs::path& path : records) {
        SCOPED_TRACE(path.native());
        TextBuffer buffer;
        buffer.loadFromFile(path.native(), path.filename().native(), CodePage::SingleByte);
        const std::string loaded = buffer.text();
        const bool reworked = ReworkRecord(buffer, options);
        const std::string& result = buffer.text();
        const size_t opening =
            testing_support::openingOf(loaded, CodePage::SingleByte).value_or(std::string::npos);
        if (!reworked) {
            EXPECT_EQ(result, loaded);
            continue;
        }
        ++reworkedCount;
        ASSERT_NE(opening, std::string::npos);
        const std::string additions = rootAdditions(tagsOfRootNode(loaded, opening), options);
        ASSERT_EQ(result.substr(0, opening + 1), loaded.substr(0, opening + 1));
        ASSERT_EQ(result.substr(opening + 1, additions.size()), additions);
        EXPECT_EQ(testing_support::withoutBreaksOutsideValues(
                      result.substr(opening + 1 + additions.size())),
                  testing_support::withoutBreaksOutsideValues(loaded.substr(opening + 1)));
        EXPECT_TRUE(result.ends_with("\r\n"));
    }
    EXPECT_GT(reworkedCount, records.size() * 9 / 10);
}

} // namespace
} // namespace tervanil

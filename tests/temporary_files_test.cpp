// The registry a signal handler empties: what is noted is removed, what was
// forgotten stays.

#include "exceptions.h"
#include "file_access.h"
#include "temp_folder.h"
#include "temporary_files.h"

#include <gtest/gtest.h>

namespace tervanil {
namespace {

using testing_support::TempFolder;

TEST(TemporaryFiles, RemovesWhatIsNotedAndNotForgotten) {
    TempFolder folder;
    folder.write("noted", "x");
    folder.write("forgotten", "x");
    const int noted = noteTemporaryFile(folder.path("noted").c_str());
    const int forgotten = noteTemporaryFile(folder.path("forgotten").c_str());
    ASSERT_GE(noted, 0);
    ASSERT_GE(forgotten, 0);
    forgetTemporaryFile(forgotten);
    removeTemporaryFiles();
    detail::allowTemporaryFilesAgain();
    EXPECT_EQ(folder.names(), std::vector<std::string>{"forgotten"});
    forgetTemporaryFile(noted);
}

TEST(TemporaryFiles, TooLongAPathIsRefused) {
    EXPECT_EQ(noteTemporaryFile(std::string(5000, 'x').c_str()), -1);
    forgetTemporaryFile(-1);
}

// A writer in flight is known until it commits or is dropped.
TEST(TemporaryFiles, AtomicWriterNotesItsFileUntilDone) {
    TempFolder folder;
    {
        AtomicFileWriter inFlight(folder.path("page.htm"), "page.htm");
        inFlight.write("half");
        ASSERT_EQ(folder.names().size(), 1u);
        removeTemporaryFiles();
        EXPECT_EQ(folder.names(), std::vector<std::string>{});
        // Once the files are being removed, the process is ending: no file
        // may be created behind the removal's back.
        EXPECT_THROW(AtomicFileWriter(folder.path("late.htm"), "late.htm"), EFCreateError);
        EXPECT_EQ(folder.names(), std::vector<std::string>{});
        detail::allowTemporaryFilesAgain();
    }
    AtomicFileWriter committed(folder.path("page.htm"), "page.htm");
    committed.write("whole");
    committed.commit();
    removeTemporaryFiles();
    detail::allowTemporaryFilesAgain();
    EXPECT_EQ(folder.read("page.htm"), "whole");
}

} // namespace
} // namespace tervanil

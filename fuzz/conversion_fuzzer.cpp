// Fuzzes one record's road through the engine: load, rework and page, for
// arbitrary record bytes and typed option texts (fuzz_input.h gives the
// layout). The streamed page must equal the whole-buffer reference's, fed in
// chunks of a size the input picks, down to one byte; the reference's rework
// and page are checked for what they promise; the file road must write that
// page and nothing else; the page with the diagram adds lines only, none of
// them markup from the record. Built with TERVANIL_FUZZ_REPLAY it is a plain program
// that runs the files and folders it is given, so any compiler replays seeds.

#include "block_check.h"
#include "fuzzer_common.h"
#include "page_fallback.h"
#include "reference_conversion.h"
#include "streamed_page.h"

#include <cstdint>

namespace {

// The same page with the diagram: every line of the plain page stays, in order
// and byte for byte, with head lines added after "<HEAD>" and a block before
// "</APPLET>" in which nothing of the record or its name is markup.
void checkDiagramPage(const std::filesystem::path& folder, const fuzzing::Input& input,
                      const std::string& plainPage) {
    using fuzzing::check;
    tervanil::ConversionOptions options = input.options;
    options.fallback = tervanil::Fallback::Diagram;
    const std::filesystem::path output = folder / "diagram";
    std::filesystem::create_directory(output);
    tervanil::FallbackAddOns addOns((folder / input.sourceName).native(), input.sourceName,
                                    options.fallback, true);
    tervanil::WorkBuffers buffers;
    tervanil::WritePage(folder, input.sourceName, tervanil::appletTag(options), output, options,
                        buffers, &addOns);
    const std::string page = fuzzing::readFile(output / tervanil::pageName(input.sourceName));

    const std::string opening = "<HTML>\r\n<HEAD>\r\n";
    const std::string closing = "</APPLET>\r\n</BODY>\r\n</HTML>\r\n";
    check(page.starts_with(opening) && page.ends_with(closing), "the page opens and closes as ever",
          page);
    const std::string viewport =
        "<META name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    size_t headLinesEnd = 0;
    for (std::string head : {std::string(), std::string("<META charset=\"UTF-8\">\r\n"),
                             std::string("<META charset=\"Shift_JIS\">\r\n")}) {
        head = opening + head + viewport;
        if (page.starts_with(head))
            headLinesEnd = head.size();
    }
    check(headLinesEnd > 0, "the head lines are the charset and the viewport", page);
    const std::string_view middle =
        std::string_view(plainPage).substr(opening.size(),
                                           plainPage.size() - opening.size() - closing.size());
    check(std::string_view(page).substr(headLinesEnd, middle.size()) == middle,
          "every line of the plain page stays, in order", page);
    const std::string_view block = std::string_view(page).substr(
        headLinesEnd + middle.size(), page.size() - headLinesEnd - middle.size() - closing.size());
    const std::string fault = testing_support::blockFault(block);
    check(fault.empty(), "nothing of the record reaches the diagram block unescaped", fault);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzzing;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Input input = decodeInput(bytes);
    const ConversionOptions& options = input.options;

    const std::string loaded = reference::loadedText(input.record, options.codePage);
    const std::optional<std::string> reworked = reference::reworkedRecord(loaded, options);
    const std::string& record = reworked ? *reworked : loaded;
    checkRework(loaded, record, reworked.has_value(), options);
    const std::string page = reference::page(input.sourceName, input.record, options);
    checkPage(page, input, record);

    const size_t chunkSize = size == 0 ? 1 : 1 + data[size / 2] % 64;
    check(streamedPage(input.sourceName, input.record, options, chunkSize) == page,
          "the streamed page is the reference's");
    tervanil::TextBuffer buffer;
    buffer.loadFromBytes(input.record, options.codePage);
    check(buffer.text() == loaded, "a load gives the reference's text", buffer.text());
    tervanil::ReworkRecord(buffer, options);
    check(buffer.text() == record, "the record buffer's rework is the reference's", buffer.text());

    const WorkFolder work;
    const std::filesystem::path output = work.path() / "out";
    std::filesystem::create_directory(output);
    writeFile(work.path() / input.sourceName, input.record);
    tervanil::WorkBuffers buffers;
    tervanil::WritePage(work.path(), input.sourceName, tervanil::appletTag(options), output,
                        options, buffers);
    const std::string pageName = tervanil::pageName(input.sourceName);
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(output))
        written.push_back(entry.path().filename().native());
    check(written == std::vector<std::string>{pageName}, "a save leaves the page and nothing else");
    check(readFile(output / pageName) == page, "the page file is the reference's page");
    checkDiagramPage(work.path(), input, page);
    return 0;
}

#ifdef TERVANIL_FUZZ_REPLAY
// Runs every file named, and every file of every folder named, as one input.
int main(int argc, char** argv) {
    size_t inputs = 0;
    const auto run = [&inputs](const std::filesystem::path& path) {
        const std::string bytes = fuzzing::readFile(path);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++inputs;
    };
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    run(entry.path());
        } else {
            run(argv[i]);
        }
    }
    std::printf("%zu inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1;
}
#endif

// Fuzzes one record's road through the engine: load, rework and page, for
// arbitrary record bytes and typed option texts (fuzz_input.h gives the
// layout). The streamed page must equal the whole-buffer reference's, fed in
// chunks of a size the input picks, down to one byte; the reference's rework
// and page are checked for what they promise; the file road must write that
// page and nothing else. Built with TERVANIL_FUZZ_REPLAY it is a plain program
// that runs the files and folders it is given, so any compiler replays seeds.

#include "fuzzer_common.h"
#include "reference_conversion.h"
#include "streamed_page.h"

#include <cstdint>

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

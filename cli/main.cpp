// tervanil-cli: converts the SGF records of a folder into pages, headless.

#include "conversion_run.h"
#include "exceptions.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <map>
#include <optional>

namespace {

constexpr int exitRunFailed = 1;
constexpr int exitUsage = 2;

struct CommandLine {
    std::string folder = ".";
    tervanil::Applet applet = tervanil::Applet::Orbanel;
    tervanil::Language language = tervanil::Language::English;
    std::optional<std::string> width, height, codebase;
    std::optional<tervanil::CodePage> codePage;
    bool quiet = false;
    tervanil::ConversionOptions options;
};

void defineOptions(CLI::App& app, CommandLine& line) {
    using namespace tervanil;
    tervanil::ConversionOptions& o = line.options;
    app.add_option("-C", line.folder, "Convert the records of DIR instead of the current folder")
        ->option_text("DIR")
        ->check(CLI::ExistingDirectory);
    app.add_option("--applet", line.applet, "The viewer the pages embed")
        ->transform(CLI::CheckedTransformer(std::map<std::string, Applet>{
            {"orbanel", Applet::Orbanel}, {"quillamy", Applet::Quillamy}}));
    app.add_option("--language", line.language, "Language of the quillamy viewer")
        ->transform(CLI::CheckedTransformer(std::map<std::string, Language>{
            {"english", Language::English}, {"japanese", Language::Japanese}}));
    app.add_option("--width", line.width, "WIDTH of the viewer (default: the applet's)");
    app.add_option("--height", line.height, "HEIGHT of the viewer (default: the applet's)");
    app.add_option("--codebase", line.codebase, "CODEBASE of the viewer (default: the applet's)");
    app.add_option("--bgcolor", o.backgroundColour, "Background colour of the page")
        ->capture_default_str();
    app.add_flag("--clickable,!--no-clickable", o.clickable, "Allow trial moves (quillamy)");
    app.add_flag("--freeclick,!--no-freeclick", o.freeclick, "Free trial moves (quillamy)");
    app.add_option("--next", o.nextWhite, "Side to move when a record has no moves (quillamy)")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, bool>{{"black", false}, {"white", true}}));
    app.add_flag("--askstyle,!--no-askstyle", o.askstyle, "Problem style (quillamy)");
    app.add_flag("--advancemoves,!--no-advancemoves", o.advancemoves, "Show the final position");
    app.add_flag("--number,!--no-number", o.number, "Show move numbers");
    app.add_option("--startupnumber", o.startupNumber, "Number of the first move")
        ->capture_default_str();
    app.add_option("--startupmoves", o.startupMoves, "Moves played in advance")
        ->capture_default_str();
    app.add_option("--startupmessage", o.startupMessage, "First message shown");
    app.add_option("--codepage", line.codePage,
                   "Code page of records and typed texts (default: the locale's)")
        ->transform(CLI::CheckedTransformer(std::map<std::string, CodePage>{
            {"shift-jis", CodePage::ShiftJis}, {"single-byte", CodePage::SingleByte}}));
    app.add_flag("--quiet", line.quiet, "Print nothing on success");
    app.set_version_flag("--version", std::string("tervanil-cli ") + TERVANIL_VERSION);
}

// Fills in what the applet and language choices decide unless given.
void applyProfile(CommandLine& line) {
    const tervanil::AppletProfile profile = tervanil::appletProfile(line.applet, line.language);
    tervanil::ConversionOptions& o = line.options;
    o.applet = line.applet;
    o.width = line.width.value_or(profile.width);
    o.height = line.height.value_or(profile.height);
    o.codebase = line.codebase.value_or(profile.codebase);
    o.appletClass = profile.appletClass;
    o.codePage = line.codePage.value_or(tervanil::systemCodePage());
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Turns the SGF records (*.sgf) of a folder into web pages that embed a game "
                 "viewer, written to TervanilOB/ or TervanilQM/ below it."};
    app.name("tervanil-cli");
    CommandLine line;
    defineOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "tervanil-cli: " << e.what() << "\n\n" << app.help();
        return exitUsage;
    }
    applyProfile(line);

    const std::vector<std::string> sources = tervanil::ScanSources(line.folder);
    if (!line.quiet)
        std::cout << tervanil::sourceCountText(sources.size()) << std::endl;
    if (sources.empty())
        return 0;
    try {
        tervanil::WorkBuffers buffers;
        tervanil::RunConversion(line.folder, sources, line.options, buffers);
    } catch (const tervanil::Exception& e) {
        std::cerr << e.message() << ".\n";
        return exitRunFailed;
    }
    if (!line.quiet)
        std::cout << "Tervanil OK" << std::endl;
    return 0;
}

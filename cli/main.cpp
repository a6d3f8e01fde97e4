// tervanil-cli: converts the SGF records of a folder into pages, headless.

#include "conversion_run.h"
#include "exceptions.h"
#include "run_index.h"
#include "temporary_files.h"
#include "typed_text.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <unistd.h>

namespace {

constexpr int exitRunFailed = 1;
constexpr int exitUsage = 2;

const char* const synopsis =
    "tervanil-cli [-C DIR] [--applet orbanel|quillamy] [--language english|japanese]\n"
    "  [--width TEXT] [--height TEXT] [--codebase TEXT] [--bgcolor TEXT]\n"
    "  [--clickable|--no-clickable] [--freeclick|--no-freeclick] [--next black|white]\n"
    "  [--askstyle|--no-askstyle] [--advancemoves|--no-advancemoves] [--number|--no-number]\n"
    "  [--startupnumber TEXT] [--startupmoves TEXT] [--startupmessage TEXT]\n"
    "  [--codepage shift-jis|single-byte] [--fallback none|diagram|viewer]\n"
    "  [--index] [--verbose] [--quiet] [--help] [--version]";

void printError(const std::string& text) {
    std::cerr << "tervanil-cli: " << text << '\n';
}

// What the user typed, before the applet's profile fills in the rest.
struct CommandLine {
    std::optional<std::string> folder;
    std::string applet = "orbanel";
    std::string language = "english";
    std::string next = "black";
    std::string fallback = "none";
    std::optional<std::string> width, height, codebase, codePage;
    bool index = false;
    bool verbose = false;
    bool quiet = false;
    tervanil::ConversionOptions options;
};

// The help lists each option with the values it takes and its real default,
// in the plain words of the synopsis rather than the parser's notation.
class HelpFormatter : public CLI::Formatter {
  public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string("Usage: ") + synopsis + "\n";
    }
    std::string make_option_name(const CLI::Option* option, bool) const override {
        std::string names;
        for (const std::string& name : option->get_snames())
            names += (names.empty() ? "-" : ", -") + name;
        for (const std::string& name : option->get_lnames())
            names += (names.empty() ? "--" : ", --") + name;
        return names;
    }
    std::string make_option_opts(const CLI::Option* option) const override {
        return option->get_option_text().empty() ? "" : " " + option->get_option_text();
    }
};

std::string onOff(bool on) {
    return on ? " (default: on)" : " (default: off)";
}

// A choice among `names`, taken in any case.
CLI::Option* addChoice(CLI::App& app, const std::string& name, std::string& value,
                       const std::vector<std::string>& names, const std::string& description) {
    std::string shown;
    for (const std::string& choice : names)
        shown += (shown.empty() ? "" : "|") + choice;
    return app.add_option(name, value, description + " (default: " + value + ")")
        ->transform(CLI::IsMember(names, CLI::ignore_case).description(""))
        ->option_text(shown);
}

void defineOptions(CLI::App& app, CommandLine& line) {
    tervanil::ConversionOptions& o = line.options;
    // Given twice, an option takes its last value.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("-C", line.folder,
                   "Convert the records of DIR, as if run inside it (default: the current folder)")
        ->option_text("DIR");
    addChoice(app, "--applet", line.applet, {"orbanel", "quillamy"}, "The viewer the pages embed");
    addChoice(app, "--language", line.language, {"english", "japanese"},
              "Language of the quillamy viewer");
    app.add_option("--width", line.width, "Width of the viewer (default: the applet's)")
        ->option_text("TEXT");
    app.add_option("--height", line.height, "Height of the viewer (default: the applet's)")
        ->option_text("TEXT");
    app.add_option("--codebase", line.codebase, "Codebase of the viewer (default: the applet's)")
        ->option_text("TEXT");
    app.add_option("--bgcolor", o.backgroundColour,
                   "Background colour of the page (default: " + o.backgroundColour + ")")
        ->option_text("TEXT");
    app.add_flag("--clickable,!--no-clickable", o.clickable,
                 "Allow trial moves (quillamy)" + onOff(o.clickable));
    app.add_flag("--freeclick,!--no-freeclick", o.freeclick,
                 "Free trial moves (quillamy)" + onOff(o.freeclick));
    addChoice(app, "--next", line.next, {"black", "white"},
              "Side to move when a record has no moves (quillamy)");
    app.add_flag("--askstyle,!--no-askstyle", o.askstyle,
                 "Problem style (quillamy)" + onOff(o.askstyle));
    app.add_flag("--advancemoves,!--no-advancemoves", o.advancemoves,
                 "Show the final position" + onOff(o.advancemoves));
    app.add_flag("--number,!--no-number", o.number, "Show move numbers" + onOff(o.number));
    app.add_option("--startupnumber", o.startupNumber,
                   "Number of the first move (default: " + o.startupNumber + ")")
        ->option_text("TEXT");
    app.add_option("--startupmoves", o.startupMoves,
                   "Moves played in advance (default: " + o.startupMoves + ")")
        ->option_text("TEXT");
    app.add_option("--startupmessage", o.startupMessage, "First message shown (default: none)")
        ->option_text("TEXT");
    app.add_option("--codepage", line.codePage,
                   "Code page of records that name none (default: the locale's)")
        ->transform(CLI::IsMember({"shift-jis", "single-byte"}, CLI::ignore_case).description(""))
        ->option_text("shift-jis|single-byte");
    addChoice(app, "--fallback", line.fallback, {"none", "diagram", "viewer"},
              "What a page shows where no applet runs");
    app.add_flag("--index", line.index, "Also write index.htm, a table of the pages written");
    app.add_flag("--verbose", line.verbose, "Name each page written, and warn of odd records");
    app.add_flag("--quiet", line.quiet, "Print nothing on success");
    app.set_help_flag("--help", "Print this help and exit");
    app.set_version_flag("--version", std::string("tervanil-cli ") + TERVANIL_VERSION,
                         "Print the version and exit");
}

// "--name=" gives an option the empty value; the parser would instead take the
// next argument, so it is handed over as "--name" "".
std::vector<std::string> withEmptyValuesSplit(const CLI::App& app, int argc, char** argv) {
    std::vector<std::string> out;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const CLI::Option* option =
            argument.size() > 3 && argument.starts_with("--") && argument.ends_with("=")
                ? app.get_option_no_throw(argument.substr(0, argument.size() - 1))
                : nullptr;
        const CLI::Option* separate = app.get_option_no_throw(argument);
        if (option != nullptr && option->get_type_size() != 0) {
            out.push_back(argument.substr(0, argument.size() - 1));
            out.emplace_back();
        } else {
            out.push_back(argument);
            // The value of an option given apart is taken as it stands.
            if (separate != nullptr && separate->get_type_size() != 0 && i + 1 < argc)
                out.emplace_back(argv[++i]);
        }
    }
    // The parser reads the list from its back.
    std::reverse(out.begin(), out.end());
    return out;
}

// Fills in what the choices and the applet's profile decide.
void applyChoices(CommandLine& line) {
    using namespace tervanil;
    ConversionOptions& o = line.options;
    o.applet = line.applet == "quillamy" ? Applet::Quillamy : Applet::Orbanel;
    const Language language = line.language == "japanese" ? Language::Japanese : Language::English;
    const AppletProfile profile = appletProfile(o.applet, language);
    o.width = line.width.value_or(profile.width);
    o.height = line.height.value_or(profile.height);
    o.codebase = line.codebase.value_or(profile.codebase);
    o.appletClass = profile.appletClass;
    o.nextWhite = line.next == "white";
    o.fallback = line.fallback == "diagram"  ? Fallback::Diagram
                 : line.fallback == "viewer" ? Fallback::Viewer
                                             : Fallback::None;
    if (line.codePage)
        o.codePage = *line.codePage == "shift-jis" ? CodePage::ShiftJis : CodePage::SingleByte;
    else
        o.codePage = systemCodePage();
}

// Lines for stdout; the first failure to write them is remembered for the
// exit, as a tool whose output is lost must not claim success.
class Output {
  public:
    explicit Output(bool quiet) : m_quiet(quiet) {}
    void say(const std::string& line) {
        if (m_quiet)
            return;
        std::cout << line << '\n';
        std::cout.flush();
        if (!std::cout && m_error == 0)
            m_error = errno != 0 ? errno : EIO;
    }
    // Exit status after everything else was said: 1 with a message when some
    // output was lost.
    int finish(int status) {
        std::cout.flush();
        if (!std::cout && m_error == 0)
            m_error = errno != 0 ? errno : EIO;
        if (m_error == 0)
            return status;
        printError(std::string("standard output: ") + std::strerror(m_error));
        return status == 0 ? exitRunFailed : status;
    }

  private:
    bool m_quiet;
    int m_error = 0;
};

// A typed text that goes in with "?" in place of what it cannot carry is
// named once.
struct TypedTextOption {
    const char* name;
    const std::string* text;
    bool warned = false;
};

class RunReporter : public tervanil::RunObserver {
  public:
    RunReporter(const CommandLine& line, Output& output) : m_line(line), m_output(output) {
        const tervanil::ConversionOptions& o = line.options;
        if (o.startupMoves != "0" || o.startupNumber != "1") {
            m_typed.push_back({"--startupmoves", &o.startupMoves});
            m_typed.push_back({"--startupnumber", &o.startupNumber});
        }
        if (!o.startupMessage.empty())
            m_typed.push_back({"--startupmessage", &o.startupMessage});
        for (TypedTextOption& typed : m_typed)
            if (tervanil::transcoded(*typed.text, {}, {}).invalid)
                warn(typed, "bytes not valid in the system's character set (" +
                                tervanil::systemCharset() + ") go in as \"?\"");
    }

    void pageWritten(const tervanil::PageReport& report) override {
        const std::string shown =
            "./" + tervanil::outputFolderName(m_line.options.applet) + "/" + report.pageName;
        if (m_line.verbose) {
            m_output.say(report.sourceName + " -> " + shown);
            if (report.embeddedAsLoaded)
                printError("warning: " + report.sourceName +
                           ": no game tree found; embedded as loaded");
            if (report.cutAtNul)
                printError("warning: " + report.sourceName + ": cut at a NUL byte");
            if (report.readInNamedCodePage)
                printError("warning: " + report.sourceName + ": read in " + report.namedCharset +
                           " as its CA names, not in the system's " + tervanil::systemCharset());
        }
        if (!report.embeddedAsLoaded) {
            const std::string charset = tervanil::recordCharset(report.namedCharset, report.readIn);
            for (TypedTextOption& typed : m_typed)
                if (!typed.warned && tervanil::transcoded(*typed.text, {}, charset).unconvertible)
                    warn(typed, "characters that " + charset + " cannot hold go in as \"?\" (" +
                                    report.sourceName + ")");
        }
        if (m_line.index) {
            m_pages.push_back(report);
            // The index shows no comment: no need to hold one per record.
            if (m_pages.back().card)
                m_pages.back().card->rootComment.clear();
        }
    }

    /// The pages in the order of the sources (the run goes last first).
    std::vector<tervanil::PageReport> pagesInOrder() {
        std::reverse(m_pages.begin(), m_pages.end());
        return std::move(m_pages);
    }

  private:
    void warn(TypedTextOption& typed, const std::string& what) {
        if (typed.warned)
            return;
        typed.warned = true;
        printError(std::string(typed.name) + ": " + what);
    }

    const CommandLine& m_line;
    Output& m_output;
    std::vector<TypedTextOption> m_typed;
    std::vector<tervanil::PageReport> m_pages;
};

// A run ended by SIGINT or SIGTERM leaves no temporary file, and its parent
// still sees it ended by that signal.
extern "C" void endBySignal(int signal) {
    tervanil::removeTemporaryFiles();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t unblocked;
    ::sigemptyset(&unblocked);
    ::sigaddset(&unblocked, signal);
    ::sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
    ::raise(signal);
}

void handleEndingSignals() {
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        // A signal ignored from the start (a background job) stays ignored.
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = endBySignal;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

void printFailure(const tervanil::Exception& failure) {
    std::cerr << failure.message() << ".\n";
    if (failure.error() != 0)
        printError(failure.fileName() + ": " + failure.reason());
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Turns the SGF records (*.sgf) of a folder into web pages that embed a game "
                 "viewer, written to TervanilOB/ or TervanilQM/ below it."};
    app.name("tervanil-cli");
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(36);
    app.formatter(formatter);
    CommandLine line;
    defineOptions(app, line);
    try {
        app.parse(withEmptyValuesSplit(app, argc, argv));
    } catch (const CLI::CallForHelp& e) {
        return Output(false).finish(app.exit(e));
    } catch (const CLI::CallForVersion& e) {
        return Output(false).finish(app.exit(e));
    } catch (const CLI::ParseError& e) {
        printError(e.what());
        std::cerr << "Run with --help for more information.\n";
        return exitUsage;
    }
    // -C is a change of folder, so that the run sees exactly what it sees
    // inside DIR: paths stay short however deep DIR lies.
    if (line.folder && ::chdir(line.folder->c_str()) != 0) {
        printError("-C " + *line.folder + ": " + std::strerror(errno));
        std::cerr << "Run with --help for more information.\n";
        return exitUsage;
    }
    applyChoices(line);

    Output output(line.quiet);
    const std::string folder = ".";
    const std::vector<std::string> sources = tervanil::ScanSources(folder);
    output.say(tervanil::sourceCountText(sources.size()));
    if (sources.empty())
        return output.finish(0);
    if (line.index)
        for (const std::string& source : sources)
            if (tervanil::pageName(source) == tervanil::indexPageName)
                printError("--index: index.htm takes the place of the page of " + source);
    handleEndingSignals();
    try {
        RunReporter reporter(line, output);
        tervanil::WorkBuffers buffers;
        tervanil::RunConversion(folder, sources, line.options, buffers, &reporter,
                                tervanil::pageAddOns(folder, line.options, line.index));
        if (line.index) {
            tervanil::writeIndexPage(tervanil::outputFolderName(line.options.applet),
                                     reporter.pagesInOrder());
            if (line.verbose)
                output.say("index -> ./" + tervanil::outputFolderName(line.options.applet) + "/" +
                           tervanil::indexPageName);
        }
    } catch (const tervanil::Exception& e) {
        printFailure(e);
        return output.finish(exitRunFailed);
    }
    output.say("Tervanil OK");
    return output.finish(0);
}

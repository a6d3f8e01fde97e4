// tervanil [DIR]: the window that turns the SGF records of a folder, DIR or
// the current one, into web pages.

#include "Unit1.h"
#include "application.h"
#include "exceptions.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>

namespace {

void showStartupFailure(std::string_view message) {
    createExceptionBox(nullptr, message)->exec();
}

} // namespace

int main(int argc, char* argv[]) {
    // The folder is the program's one argument: Qt sees only the program's name.
    char programName[] = "tervanil";
    int argumentCount = 1;
    char* arguments[] = {argc > 0 && argv[0] != nullptr ? argv[0] : programName, nullptr};
    QApplication application(argumentCount, arguments);
    installFontSubstitutions();
    try {
        if (argc > 2)
            throw tervanil::Exception("Usage: tervanil [DIR]");
        if (argc == 2)
            enterWorkFolder(argv[1]);
        auto window = std::make_unique<TForm1>();
        Form1 = window.get();
        window->show();
        QApplication::exec();
        Form1 = nullptr;
    } catch (const tervanil::Exception& e) {
        Form1 = nullptr;
        showStartupFailure(e.message());
    } catch (const std::exception& e) {
        Form1 = nullptr;
        showStartupFailure(e.what());
    }
    return 0;
}

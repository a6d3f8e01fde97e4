#include "application.h"

#include "exceptions.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>

#include <filesystem>
#include <system_error>

void enterWorkFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error)
        throw tervanil::Exception("フォルダ " + folder + " に移れません (" + error.message() + ")");
}

void installFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"),
                               {QStringLiteral("IPAMincho"), QStringLiteral("IPA明朝"),
                                QStringLiteral("IPAPMincho"), QStringLiteral("serif")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                QStringLiteral("sans-serif")});
}

QString exceptionBoxText(std::string_view message) {
    return QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())) +
           QLatin1Char('.');
}

std::unique_ptr<QMessageBox> createExceptionBox(QWidget* parent, std::string_view message) {
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                      exceptionBoxText(message), QMessageBox::Ok, parent);
    // File names inside a message are shown as they are, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

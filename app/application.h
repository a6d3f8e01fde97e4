#pragma once
// What the program entry and the window share: the application title, the
// folder to work in, the font faces that stand in for the Japanese system's,
// and the exception box.

#include <QString>

#include <memory>
#include <string>
#include <string_view>

class QMessageBox;
class QWidget;

/// The application title; the window caption is a blank followed by it.
inline const QString applicationTitle = QStringLiteral("Tervanil ( for Orbanel & Quillamy )");

/// Makes `folder` the current directory, as if the program had been started
/// there. Throws tervanil::Exception, naming the folder and the reason, when
/// it cannot be entered.
void enterWorkFolder(const std::string& folder);

/// Maps the Japanese system's faces named in the window's layout to faces of
/// the same kind (Mincho, proportional Gothic) found on this system.
void installFontSubstitutions();

/// The exception box's text: the message, then "." in any case.
QString exceptionBoxText(std::string_view message);

/// A modal critical box with one OK button, captioned with the application's
/// title at this moment, showing `message` (UTF-8 bytes) followed by ".".
std::unique_ptr<QMessageBox> createExceptionBox(QWidget* parent, std::string_view message);

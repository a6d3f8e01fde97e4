#include "Unit1.h"

#include "application.h"
#include "exceptions.h"

#include <QApplication>
#include <QMessageBox>

#include <initializer_list>

TForm1* Form1 = nullptr;

namespace {

// Typed texts go to the engine as bytes in the system's code page, exactly as
// typed.
std::string typedBytes(const QLineEdit* edit) {
    const QByteArray bytes = edit->text().toLocal8Bit();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString fromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The wait cursor for as long as a run works, whichever way it ends.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), m_presentException([](QMessageBox& box) { box.exec(); }) {
    setupUi(this);
    // uic applies only the size of a top-level widget, not its stored place.
    move(192, 110);
    // The handlers are bound once the stored states are in place, so none of
    // them runs while the window is built.
    wireHandlers();

    m_sources = tervanil::ScanSources(".");
    setStatus(fromBytes(tervanil::sourceCountText(m_sources.size())));
    m_appletClass =
        tervanil::appletProfile(tervanil::Applet::Orbanel, tervanil::Language::English).appletClass;
    if (m_sources.empty())
        Button1->setEnabled(false);
    Memo1->clear();
    m_buffers.page.clear();
    Memo2->clear();
    m_buffers.record.clear();
    QApplication::setApplicationDisplayName(applicationTitle);
    setWindowTitle(QLatin1Char(' ') + QApplication::applicationDisplayName());
    setInteractionOptionsEnabled(false);
}

TForm1::~TForm1() = default;

void TForm1::setExceptionPresenter(ExceptionPresenter presenter) {
    m_presentException = std::move(presenter);
}

void TForm1::wireHandlers() {
    connect(Button1, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button1Click); });
    // A radio button's handler runs only when it becomes the chosen one.
    const auto onChosen = [this](QRadioButton* button, void (TForm1::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                guarded(handler);
        });
    };
    onChosen(RadioButton1, &TForm1::RadioButton1Click);
    onChosen(RadioButton2, &TForm1::RadioButton2Click);
    onChosen(RadioButton3, &TForm1::RadioButton3Click);
    onChosen(RadioButton6, &TForm1::RadioButton6Click);
    connect(CheckBox3, &QCheckBox::toggled, this, [this] { guarded(&TForm1::CheckBox3Click); });
}

// No exception leaves a handler: it ends the handler and is shown in the
// exception box, and the window works on.
void TForm1::guarded(void (TForm1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const tervanil::Exception& e) {
        const auto box = createExceptionBox(this, e.message());
        m_presentException(*box);
    } catch (const std::exception& e) {
        const auto box = createExceptionBox(this, e.what());
        m_presentException(*box);
    }
}

void TForm1::Button1Click() {
    {
        WaitCursor waitCursor;
        setStatus(QStringLiteral("Plaese wait a moment..."));
        // The window is not serviced while the run works: paint the wait text now.
        Label1->repaint();
        try {
            tervanil::RunConversion(".", m_sources, conversionOptions(), m_buffers);
        } catch (...) {
            // A failed run can be started again: show the count as before it.
            setStatus(fromBytes(tervanil::sourceCountText(m_sources.size())));
            throw;
        }
    }
    setStatus(QStringLiteral("Tervanil OK"));
    Button1->setEnabled(false);
}

void TForm1::RadioButton1Click() {
    showAppletProfile(tervanil::appletProfile(tervanil::Applet::Orbanel, language()));
    Panel4->hide();
    setInteractionOptionsEnabled(false);
}

void TForm1::RadioButton2Click() {
    showAppletProfile(tervanil::appletProfile(tervanil::Applet::Quillamy, language()));
    Panel4->show();
    setInteractionOptionsEnabled(true);
}

void TForm1::CheckBox3Click() {
    setClickableDependantsEnabled(CheckBox3->isChecked());
}

void TForm1::RadioButton3Click() {
    const tervanil::AppletProfile profile =
        tervanil::appletProfile(tervanil::Applet::Quillamy, tervanil::Language::English);
    m_appletClass = profile.appletClass;
    Edit5->setText(fromBytes(profile.height));
}

void TForm1::RadioButton6Click() {
    const tervanil::AppletProfile profile =
        tervanil::appletProfile(tervanil::Applet::Quillamy, tervanil::Language::Japanese);
    m_appletClass = profile.appletClass;
    Edit5->setText(fromBytes(profile.height));
}

// What choosing an applet writes: its WIDTH, HEIGHT, CODEBASE and class.
void TForm1::showAppletProfile(const tervanil::AppletProfile& profile) {
    Edit4->setText(fromBytes(profile.width));
    Edit5->setText(fromBytes(profile.height));
    Edit6->setText(fromBytes(profile.codebase));
    m_appletClass = profile.appletClass;
}

// Label1 sizes itself to its text, as the status texts differ much in width.
void TForm1::setStatus(const QString& text) {
    Label1->setText(text);
    Label1->adjustSize();
}

// The options that only the second applet uses, with the caption of `next`.
void TForm1::setInteractionOptionsEnabled(bool enabled) {
    for (QWidget* option : std::initializer_list<QWidget*>{RadioButton5, RadioButton4, Label2,
                                                           CheckBox4, CheckBox3, CheckBox1})
        option->setEnabled(enabled);
}

// What `clickable` governs: the interaction options apart from itself.
void TForm1::setClickableDependantsEnabled(bool enabled) {
    for (QWidget* option :
         std::initializer_list<QWidget*>{RadioButton5, RadioButton4, Label2, CheckBox4, CheckBox1})
        option->setEnabled(enabled);
}

tervanil::Language TForm1::language() const {
    return RadioButton3->isChecked() ? tervanil::Language::English : tervanil::Language::Japanese;
}

tervanil::ConversionOptions TForm1::conversionOptions() const {
    tervanil::ConversionOptions options;
    options.applet =
        RadioButton1->isChecked() ? tervanil::Applet::Orbanel : tervanil::Applet::Quillamy;
    options.width = typedBytes(Edit4);
    options.height = typedBytes(Edit5);
    options.codebase = typedBytes(Edit6);
    options.appletClass = m_appletClass;
    options.backgroundColour = typedBytes(Edit7);
    options.clickable = CheckBox3->isChecked();
    options.freeclick = CheckBox4->isChecked();
    options.nextWhite = RadioButton5->isChecked();
    options.askstyle = CheckBox1->isChecked();
    options.advancemoves = CheckBox5->isChecked();
    options.number = CheckBox6->isChecked();
    options.startupNumber = typedBytes(Edit1);
    options.startupMessage = typedBytes(Edit2);
    options.startupMoves = typedBytes(Edit3);
    options.codePage = tervanil::systemCodePage();
    return options;
}

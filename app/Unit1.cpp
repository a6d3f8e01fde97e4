#include "Unit1.h"

#include "ui_Unit1.h"

#include "application.h"
#include "exceptions.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QWindow>

#include <exception>
#include <initializer_list>
#include <thread>
#include <utility>

TForm1* Form1 = nullptr;

namespace {

// Typed texts go to the engine as UTF-8, exactly as typed; the engine writes
// them in each record's code page.
std::string typedBytes(const QLineEdit* edit) {
    const QByteArray bytes = edit->text().toUtf8();
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

// While a run works the window paints but acts on no input: clicks, keys and
// the like made meanwhile are dropped, never applied once the run is over, and
// a request to close is held until the run ends.
class InputDuringRun : public QObject {
  public:
    explicit InputDuringRun(QWidget& window) : m_window(window) {
        QApplication::instance()->installEventFilter(this);
    }
    ~InputDuringRun() override { QApplication::instance()->removeEventFilter(this); }
    InputDuringRun(const InputDuringRun&) = delete;
    InputDuringRun& operator=(const InputDuringRun&) = delete;

    bool closeRequested() const noexcept { return m_closeRequested; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != &m_window)
            return false;
        if (event->type() == QEvent::Close) {
            m_closeRequested = true;
            event->ignore();
            return true;
        }
        return isInput(event->type());
    }

  private:
    static bool isInput(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

    QWidget& m_window;
    bool m_closeRequested = false;
};

// The form gives the window's outer size. A window manager frames the window
// around its client area, and the frame is known only once the window is
// mapped: the client area then shrinks by it, unless the user has resized.
class OuterSizeKeeper : public QObject {
  public:
    explicit OuterSizeKeeper(QWidget& window)
        : QObject(&window), m_window(window), m_outerSize(window.size()) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Move && event->type() != QEvent::Resize &&
            event->type() != QEvent::Show)
            return false;
        const QWindow* handle = m_window.windowHandle();
        if (handle == nullptr)
            return false;
        const QMargins frame = handle->frameMargins();
        if (frame != m_frame && m_window.size() == m_outerSize.shrunkBy(m_frame)) {
            m_frame = frame;
            m_window.resize(m_outerSize.shrunkBy(frame));
        }
        return false;
    }

  private:
    QWidget& m_window;
    QSize m_outerSize;
    QMargins m_frame;
};

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm1>()),
      m_presentException([](QMessageBox& box) { box.exec(); }) {
    m_ui->setupUi(this);
    // uic applies only the size of a top-level widget, not its stored place.
    move(192, 110);
    new OuterSizeKeeper(*this);
    // The handlers are bound once the stored states are in place, so none of
    // them runs while the window is built.
    wireHandlers();

    m_sources = tervanil::ScanSources(".");
    setStatus(fromBytes(tervanil::sourceCountText(m_sources.size())));
    m_appletClass =
        tervanil::appletProfile(tervanil::Applet::Orbanel, tervanil::Language::English).appletClass;
    if (m_sources.empty())
        m_ui->Button1->setEnabled(false);
    m_ui->Memo1->clear();
    m_buffers.page.clear();
    m_ui->Memo2->clear();
    m_buffers.record.clear();
    QApplication::setApplicationDisplayName(applicationTitle);
    setWindowTitle(QLatin1Char(' ') + QApplication::applicationDisplayName());
    setInteractionOptionsEnabled(false);
}

TForm1::~TForm1() = default;

void TForm1::setExceptionPresenter(ExceptionPresenter presenter) {
    m_presentException = std::move(presenter);
}

void TForm1::setRunStartHook(RunStartHook hook) {
    m_runStartHook = std::move(hook);
}

void TForm1::wireHandlers() {
    connect(m_ui->Button1, &QPushButton::clicked, this, [this] {
        guarded(&TForm1::Button1Click);
        // A close asked for during the run, carried out once its failure, if
        // any, has been shown.
        if (std::exchange(m_closeAfterRun, false))
            close();
    });
    // A radio button's handler runs only when it becomes the chosen one.
    const auto onChosen = [this](QRadioButton* button, void (TForm1::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                guarded(handler);
        });
    };
    onChosen(m_ui->RadioButton1, &TForm1::RadioButton1Click);
    onChosen(m_ui->RadioButton2, &TForm1::RadioButton2Click);
    onChosen(m_ui->RadioButton3, &TForm1::RadioButton3Click);
    onChosen(m_ui->RadioButton6, &TForm1::RadioButton6Click);
    connect(m_ui->CheckBox3, &QCheckBox::toggled, this,
            [this] { guarded(&TForm1::CheckBox3Click); });
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
        // Paint the wait text before the run begins.
        m_ui->Label1->repaint();
        try {
            runWhileServicingWindow(conversionOptions());
        } catch (...) {
            // A failed run can be started again: show the count as before it.
            setStatus(fromBytes(tervanil::sourceCountText(m_sources.size())));
            throw;
        }
    }
    setStatus(QStringLiteral("Tervanil OK"));
    m_ui->Button1->setEnabled(false);
}

// Runs the conversion on a worker thread while this thread goes on painting
// the window, and returns when the run has ended, rethrowing its failure. The
// run alone touches the sources and the work buffers meanwhile.
void TForm1::runWhileServicingWindow(const tervanil::ConversionOptions& options) {
    InputDuringRun inputDuringRun(*this);
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            if (m_runStartHook)
                m_runStartHook();
            tervanil::RunConversion(".", m_sources, options, m_buffers);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    // Input that reached the window up to the run's end is dropped as well.
    QApplication::processEvents();
    m_closeAfterRun = inputDuringRun.closeRequested();
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::RadioButton1Click() {
    showAppletProfile(tervanil::appletProfile(tervanil::Applet::Orbanel, language()));
    m_ui->Panel4->hide();
    setInteractionOptionsEnabled(false);
}

void TForm1::RadioButton2Click() {
    showAppletProfile(tervanil::appletProfile(tervanil::Applet::Quillamy, language()));
    m_ui->Panel4->show();
    setInteractionOptionsEnabled(true);
}

void TForm1::CheckBox3Click() {
    setClickableDependantsEnabled(m_ui->CheckBox3->isChecked());
}

void TForm1::RadioButton3Click() {
    const tervanil::AppletProfile profile =
        tervanil::appletProfile(tervanil::Applet::Quillamy, tervanil::Language::English);
    m_appletClass = profile.appletClass;
    m_ui->Edit5->setText(fromBytes(profile.height));
}

void TForm1::RadioButton6Click() {
    const tervanil::AppletProfile profile =
        tervanil::appletProfile(tervanil::Applet::Quillamy, tervanil::Language::Japanese);
    m_appletClass = profile.appletClass;
    m_ui->Edit5->setText(fromBytes(profile.height));
}

// What choosing an applet writes: its WIDTH, HEIGHT, CODEBASE and class.
void TForm1::showAppletProfile(const tervanil::AppletProfile& profile) {
    m_ui->Edit4->setText(fromBytes(profile.width));
    m_ui->Edit5->setText(fromBytes(profile.height));
    m_ui->Edit6->setText(fromBytes(profile.codebase));
    m_appletClass = profile.appletClass;
}

// Label1 sizes itself to its text, as the status texts differ much in width.
void TForm1::setStatus(const QString& text) {
    m_ui->Label1->setText(text);
    m_ui->Label1->adjustSize();
}

// The options that only the second applet uses, with the caption of `next`.
void TForm1::setInteractionOptionsEnabled(bool enabled) {
    for (QWidget* option :
         std::initializer_list<QWidget*>{m_ui->RadioButton5, m_ui->RadioButton4, m_ui->Label2,
                                         m_ui->CheckBox4, m_ui->CheckBox3, m_ui->CheckBox1})
        option->setEnabled(enabled);
}

// What `clickable` governs: the interaction options apart from itself.
void TForm1::setClickableDependantsEnabled(bool enabled) {
    for (QWidget* option :
         std::initializer_list<QWidget*>{m_ui->RadioButton5, m_ui->RadioButton4, m_ui->Label2,
                                         m_ui->CheckBox4, m_ui->CheckBox1})
        option->setEnabled(enabled);
}

tervanil::Language TForm1::language() const {
    return m_ui->RadioButton3->isChecked() ? tervanil::Language::English
                                           : tervanil::Language::Japanese;
}

tervanil::ConversionOptions TForm1::conversionOptions() const {
    tervanil::ConversionOptions options;
    options.applet =
        m_ui->RadioButton1->isChecked() ? tervanil::Applet::Orbanel : tervanil::Applet::Quillamy;
    options.width = typedBytes(m_ui->Edit4);
    options.height = typedBytes(m_ui->Edit5);
    options.codebase = typedBytes(m_ui->Edit6);
    options.appletClass = m_appletClass;
    options.backgroundColour = typedBytes(m_ui->Edit7);
    options.clickable = m_ui->CheckBox3->isChecked();
    options.freeclick = m_ui->CheckBox4->isChecked();
    options.nextWhite = m_ui->RadioButton5->isChecked();
    options.askstyle = m_ui->CheckBox1->isChecked();
    options.advancemoves = m_ui->CheckBox5->isChecked();
    options.number = m_ui->CheckBox6->isChecked();
    options.startupNumber = typedBytes(m_ui->Edit1);
    options.startupMessage = typedBytes(m_ui->Edit2);
    options.startupMoves = typedBytes(m_ui->Edit3);
    options.fallback =
        m_ui->CheckBox7->isChecked() ? tervanil::Fallback::Viewer : tervanil::Fallback::None;
    options.codePage = tervanil::systemCodePage();
    options.typedTextCharset = "UTF-8";
    return options;
}

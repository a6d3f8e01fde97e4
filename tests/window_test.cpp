// The main window driven through its controls, as a user drives it: each test
// builds TForm1 in a scratch directory of its own and clicks, types and reads
// the controls by their names.

#include "Unit1.h"
#include "application.h"
#include "exceptions.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

const char* const record = "(;GM[1]FF[4]SZ[9]\n;B[ee];W[gc];B[cg])\n";

// The six options that only the second applet uses, in the order the window
// enables and disables them.
const char* const interactionOptions[] = {"RadioButton5", "RadioButton4", "Label2",
                                          "CheckBox4",    "CheckBox3",    "CheckBox1"};

template <class Control> Control* control(const QWidget& window, const char* name) {
    auto* found = window.findChild<Control*>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("the window has no %s named %s", Control::staticMetaObject.className(), name);
    return found;
}

QString readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing %1>").arg(path);
    return QString::fromUtf8(file.readAll());
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What the window showed in its exception box, taken when the box came up.
struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    Qt::WindowModality modality;
    bool waitCursorSet;
    QString status;
    bool windowShown;
};

// A window built in a fresh current directory that holds `records`; the
// previous current directory comes back when it ends. Exception boxes are
// recorded, never run, so nothing blocks.
class WindowInFolder {
  public:
    explicit WindowInFolder(const QStringList& records) : m_previous(QDir::currentPath()) {
        for (const QString& name : records)
            if (!writeFile(m_folder.filePath(name), record))
                qFatal("cannot write %s", qPrintable(name));
        QDir::setCurrent(m_folder.path());
        m_window = std::make_unique<TForm1>();
        m_window->setExceptionPresenter([this](QMessageBox& box) {
            m_boxes.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
                               box.windowModality(), QApplication::overrideCursor() != nullptr,
                               control<QLabel>(*m_window, "Label1")->text(),
                               m_window->isVisible()});
        });
    }
    ~WindowInFolder() {
        m_window.reset();
        QDir::setCurrent(m_previous);
    }
    WindowInFolder(const WindowInFolder&) = delete;
    WindowInFolder& operator=(const WindowInFolder&) = delete;

    TForm1& window() { return *m_window; }
    QString path(const QString& name) const { return m_folder.filePath(name); }
    const std::vector<ShownBox>& boxes() const { return m_boxes; }

    bool show() {
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get());
    }

    // A click where a user clicks a check or radio button: on its indicator.
    void click(const char* name) {
        auto* button = control<QAbstractButton>(*m_window, name);
        QPoint where = button->rect().center();
        if (qobject_cast<QPushButton*>(button) == nullptr)
            where.setX(6);
        QTest::mouseClick(button, Qt::LeftButton, {}, where);
    }

    void type(const char* name, const QString& text) {
        auto* edit = control<QLineEdit>(*m_window, name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        // As a paste: key clicks carry only ASCII.
        edit->insert(text);
    }

    QString text(const char* name) const { return control<QLineEdit>(*m_window, name)->text(); }
    QString status() const { return control<QLabel>(*m_window, "Label1")->text(); }
    bool checked(const char* name) const {
        return control<QAbstractButton>(*m_window, name)->isChecked();
    }
    bool enabled(const char* name) const { return control<QWidget>(*m_window, name)->isEnabled(); }

    // "1" for an enabled and "0" for a disabled interaction option, in order.
    QString interactionOptionStates() const {
        QString states;
        for (const char* name : interactionOptions)
            states += enabled(name) ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }

  private:
    QTemporaryDir m_folder;
    QString m_previous;
    std::unique_ptr<TForm1> m_window;
    std::vector<ShownBox> m_boxes;
};

// Records Label1's text and whether the wait cursor is set each time Label1
// is painted.
class PaintWatcher : public QObject {
  public:
    std::vector<std::pair<QString, bool>> paints;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            if (auto* label = qobject_cast<QLabel*>(watched))
                paints.emplace_back(label->text(),
                                    QApplication::overrideCursor() != nullptr &&
                                        QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        return false;
    }
};

bool waitCursorSet() {
    return QApplication::overrideCursor() != nullptr &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// Holds a window's run at its start, on the run's thread, until released from
// the window's thread; gives up after ten seconds so that a window that never
// comes back to its event loop fails the test instead of hanging it.
class RunHold {
  public:
    explicit RunHold(TForm1& window) {
        window.setRunStartHook([this] { m_timedOut = !m_gate.tryAcquire(1, 10000); });
    }
    void release() { m_gate.release(); }
    // Read once the run has ended.
    bool timedOut() const { return m_timedOut; }

  private:
    QSemaphore m_gate;
    bool m_timedOut = false;
};

// Releases a held run at the first paint of `widget` after arm(), and keeps
// what the window showed then.
class ReleaseOnPaint : public QObject {
  public:
    ReleaseOnPaint(QWidget& widget, RunHold& hold, const QLabel& status)
        : m_hold(hold), m_status(status) {
        widget.installEventFilter(this);
    }
    void arm() { m_armed = true; }
    bool painted = false;
    QString statusAtPaint;
    bool waitCursorAtPaint = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (m_armed && !painted && event->type() == QEvent::Paint) {
            painted = true;
            statusAtPaint = m_status.text();
            waitCursorAtPaint = waitCursorSet();
            m_hold.release();
        }
        return false;
    }

  private:
    RunHold& m_hold;
    const QLabel& m_status;
    bool m_armed = false;
};

// The colour a control's caption is drawn in: its darkest pixel right of the
// indicator, where the glyphs' stems are fully inked.
QColor captionInk(QWidget& widget) {
    const QImage image = widget.grab().toImage();
    QColor darkest = Qt::white;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 20; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() < darkest.lightness())
                darkest = image.pixelColor(x, y);
    return darkest;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { installFontSubstitutions(); }

    void startState_data();
    void startState();
    void choices_data();
    void choices();
    void disablingKeepsValues();
    void runWritesPagesWithTheDefaults();
    void runTakesTheControlsValues();
    void viewerBoxAddsTheBoardToThePages();
    void enterStartsTheRunOnlyOnTheButton();
    void failedRunLeavesTheWindowUsable();
    void inputDuringRunIsDropped();
    void closeDuringRunWaitsForItsEnd_data();
    void closeDuringRunWaitsForItsEnd();
    void optionsOfTheNextRun_data();
    void optionsOfTheNextRun();
    void captionColours_data();
    void captionColours();
    void workFolder_data();
    void workFolder();
    void exceptionBox_data();
    void exceptionBox();
    void captionsFitTheirControls();
    void tabOrder_data();
    void tabOrder();
};

void WindowTest::startState_data() {
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("startEnabled");

    QTest::newRow("no records") << QStringList{"notes.txt"} << "SGF Count = 0" << false;
    QTest::newRow("records") << QStringList{"a.sgf", "B.SGF", "notes.txt"} << "SGF Count = 2"
                             << true;
}

void WindowTest::startState() {
    QFETCH(QStringList, records);
    QFETCH(QString, status);
    QFETCH(bool, startEnabled);

    WindowInFolder folder(records);
    TForm1& window = folder.window();
    QCOMPARE(folder.status(), status);
    QCOMPARE(folder.enabled("Button1"), startEnabled);
    QCOMPARE(window.windowTitle(), QStringLiteral(" Tervanil ( for Orbanel & Quillamy )"));
    QCOMPARE(QApplication::applicationDisplayName(),
             QStringLiteral("Tervanil ( for Orbanel & Quillamy )"));
    QCOMPARE(window.pos(), QPoint(192, 110));
    QCOMPARE(window.size(), QSize(599, 464));

    for (const char* memo : {"Memo1", "Memo2"}) {
        QVERIFY(control<QPlainTextEdit>(window, memo)->toPlainText().isEmpty());
        QVERIFY(control<QPlainTextEdit>(window, memo)->isHidden());
    }
    QVERIFY(window.workBuffers().record.empty());
    QVERIFY(window.workBuffers().page.empty());

    // The stored start values, untouched by any handler.
    QCOMPARE(folder.interactionOptionStates(), QStringLiteral("000000"));
    QVERIFY(control<QWidget>(window, "Panel4")->isHidden());
    QCOMPARE(window.appletClass(), std::string("Orbanel.Orbanel.class"));
    QCOMPARE(folder.text("Edit4"), QStringLiteral("575"));
    QCOMPARE(folder.text("Edit5"), QStringLiteral("454"));
    QCOMPARE(folder.text("Edit6"), QStringLiteral("Orbanel"));
    for (const char* set :
         {"RadioButton1", "RadioButton3", "RadioButton4", "CheckBox3", "CheckBox4", "CheckBox6"})
        QVERIFY2(folder.checked(set), set);
    for (const char* clear :
         {"RadioButton2", "RadioButton6", "RadioButton5", "CheckBox5", "CheckBox1"})
        QVERIFY2(!folder.checked(clear), clear);
}

// A step is the name of a button to click or "EditN=text" for text to type.
void WindowTest::choices_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("codebase");
    QTest::addColumn<QString>("appletClass");
    QTest::addColumn<bool>("languageShown");
    QTest::addColumn<QString>("optionStates");

    const QString ob = "Orbanel.Orbanel.class";
    const QString qm = "Quillamy.Quillamy.class";
    const QString qmJpn = "Quillamy.QuillamyJpn.class";
    const QStringList typed{"Edit4=640", "Edit5=480", "Edit6=mine"};

    QTest::newRow("second applet") << QStringList{"RadioButton2"} << "399"
                                   << "492"
                                   << "Dunmeris" << qm << true << "111111";
    QTest::newRow("first applet again") << QStringList{"RadioButton2", "RadioButton1"} << "575"
                                        << "454"
                                        << "Orbanel" << ob << false << "000000";
    QTest::newRow("chosen first applet clicked keeps typed values")
        << typed + QStringList{"RadioButton1"} << "640"
        << "480"
        << "mine" << ob << false << "000000";
    QTest::newRow("chosen second applet clicked keeps typed values")
        << QStringList{"RadioButton2"} + typed + QStringList{"RadioButton2"} << "640"
        << "480"
        << "mine" << qm << true << "111111";
    QTest::newRow("chosen language clicked keeps typed height")
        << QStringList{"RadioButton2", "Edit5=480", "RadioButton3"} << "399"
        << "480"
        << "Dunmeris" << qm << true << "111111";
    QTest::newRow("second, first, second overwrites typed values")
        << QStringList{"RadioButton2"} + typed + QStringList{"RadioButton1"} + typed +
               QStringList{"RadioButton2"}
        << "399"
        << "492"
        << "Dunmeris" << qm << true << "111111";
    QTest::newRow("Japanese rewrites height and class only")
        << QStringList{"RadioButton2"} + typed + QStringList{"RadioButton6"} << "640"
        << "545"
        << "mine" << qmJpn << true << "111111";
    QTest::newRow("English again")
        << QStringList{"RadioButton2", "RadioButton6", "Edit5=480", "RadioButton3"} << "399"
        << "492"
        << "Dunmeris" << qm << true << "111111";
    QTest::newRow("language survives while hidden")
        << QStringList{"RadioButton2", "RadioButton6", "RadioButton1"} << "575"
        << "454"
        << "Orbanel" << ob << false << "000000";
    QTest::newRow("language applies again with the second applet")
        << QStringList{"RadioButton2", "RadioButton6", "RadioButton1", "RadioButton2"} << "399"
        << "545"
        << "Dunmeris" << qmJpn << true << "111111";
    QTest::newRow("clickable cleared") << QStringList{"RadioButton2", "CheckBox3"} << "399"
                                       << "492"
                                       << "Dunmeris" << qm << true << "000010";
    QTest::newRow("clickable cleared, first applet")
        << QStringList{"RadioButton2", "CheckBox3", "RadioButton1"} << "575"
        << "454"
        << "Orbanel" << ob << false << "000000";
    QTest::newRow("second applet enables all though clickable is clear")
        << QStringList{"RadioButton2", "CheckBox3", "RadioButton1", "RadioButton2"} << "399"
        << "492"
        << "Dunmeris" << qm << true << "111111";
    QTest::newRow("clickable set again leaves all enabled")
        << QStringList{"RadioButton2", "CheckBox3", "RadioButton1", "RadioButton2", "CheckBox3"}
        << "399"
        << "492"
        << "Dunmeris" << qm << true << "111111";
    QTest::newRow("clickable cleared again disables its five")
        << QStringList{"RadioButton2", "CheckBox3", "RadioButton1",
                       "RadioButton2", "CheckBox3", "CheckBox3"}
        << "399"
        << "492"
        << "Dunmeris" << qm << true << "000010";
    QTest::newRow("options cannot be clicked with the first applet")
        << QStringList{"CheckBox3", "RadioButton5"} << "575"
        << "454"
        << "Orbanel" << ob << false << "000000";
}

void WindowTest::choices() {
    QFETCH(QStringList, steps);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, codebase);
    QFETCH(QString, appletClass);
    QFETCH(bool, languageShown);
    QFETCH(QString, optionStates);

    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    for (const QString& step : steps) {
        const QByteArray name = step.section(QLatin1Char('='), 0, 0).toLatin1();
        if (step.contains(QLatin1Char('=')))
            folder.type(name.constData(), step.section(QLatin1Char('='), 1));
        else
            folder.click(name.constData());
    }

    QCOMPARE(folder.text("Edit4"), width);
    QCOMPARE(folder.text("Edit5"), height);
    QCOMPARE(folder.text("Edit6"), codebase);
    QCOMPARE(QString::fromStdString(folder.window().appletClass()), appletClass);
    QCOMPARE(control<QWidget>(folder.window(), "Panel4")->isVisible(), languageShown);
    QCOMPARE(folder.interactionOptionStates(), optionStates);
    QVERIFY(folder.boxes().empty());
}

void WindowTest::disablingKeepsValues() {
    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    folder.click("RadioButton2");
    for (const char* name : {"CheckBox4", "RadioButton5", "CheckBox1", "CheckBox3"})
        folder.click(name);
    folder.click("RadioButton1");

    QCOMPARE(folder.interactionOptionStates(), QStringLiteral("000000"));
    QVERIFY(!folder.checked("CheckBox3"));
    QVERIFY(!folder.checked("CheckBox4"));
    QVERIFY(folder.checked("RadioButton5"));
    QVERIFY(!folder.checked("RadioButton4"));
    QVERIFY(folder.checked("CheckBox1"));

    folder.click("RadioButton2");
    QCOMPARE(folder.interactionOptionStates(), QStringLiteral("111111"));
    QVERIFY(!folder.checked("CheckBox3"));
    QVERIFY(folder.checked("RadioButton5"));
}

void WindowTest::runWritesPagesWithTheDefaults() {
    WindowInFolder folder({"a.sgf", "b.sgf"});
    QVERIFY(folder.show());
    PaintWatcher watcher;
    control<QLabel>(folder.window(), "Label1")->installEventFilter(&watcher);

    folder.click("Button1");

    QCOMPARE(folder.status(), QStringLiteral("Tervanil OK"));
    QVERIFY(!folder.enabled("Button1"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(folder.boxes().empty());
    // The wait text was painted under the wait cursor before the run ended.
    QVERIFY(!watcher.paints.empty());
    QCOMPARE(watcher.paints.front(),
             std::make_pair(QStringLiteral("Plaese wait a moment..."), true));

    for (const QString& name : QStringList{"a", "b"}) {
        const QString page = readFile(folder.path("TervanilOB/" + name + ".htm"));
        QVERIFY2(page.startsWith("<HTML>\r\n<HEAD>\r\n<TITLE>" + name + ".sgf</TITLE>\r\n"),
                 qPrintable(page));
        QVERIFY2(page.contains("<BODY BGCOLOR=\"#f8e0e0\">\r\n<APPLET CODEBASE=\"Orbanel\" "
                               "CODE=\"Orbanel.Orbanel.class\"WIDTH=575 HEIGHT=454>\r\n"),
                 qPrintable(page));
        QVERIFY2(page.contains("\r\nGO[0]"), qPrintable(page));
    }
}

void WindowTest::runTakesTheControlsValues() {
    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    folder.click("RadioButton2");
    folder.click("RadioButton6");
    for (const char* name : {"CheckBox4", "RadioButton5", "CheckBox1", "CheckBox5", "CheckBox6"})
        folder.click(name);
    folder.type("Edit4", "640 ");
    folder.type("Edit6", " viewer ");
    folder.type("Edit7", "ffffff");
    folder.type("Edit1", "5");
    folder.type("Edit3", "2");
    folder.type("Edit2", " 黒番 ");

    folder.click("Button1");

    QVERIFY(folder.boxes().empty());
    const QString page = readFile(folder.path("TervanilQM/a.htm"));
    QVERIFY2(page.contains("<BODY BGCOLOR=\"#ffffff\">\r\n<APPLET CODEBASE=\" viewer \" "
                           "CODE=\"Quillamy.QuillamyJpn.class\"WIDTH=640  HEIGHT=545>\r\n"),
             qPrintable(page));
    for (const char* property : {"GO[3]", "CL[2]", "QS[1]", "NE[W]", "AS[2,5]", "C[ 黒番 ]"})
        QVERIFY2(page.contains(QString::fromUtf8("\r\n") + QString::fromUtf8(property)), property);
}

void WindowTest::viewerBoxAddsTheBoardToThePages() {
    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    folder.click("CheckBox7");

    folder.click("Button1");

    QVERIFY(folder.boxes().empty());
    const QString page = readFile(folder.path("TervanilOB/a.htm"));
    QVERIFY2(page.contains("<META name=\"viewport\""), qPrintable(page));
    QVERIFY2(page.contains("\">\r\n<DIV CLASS=\"tervanil-fallback\">\r\n<svg "), qPrintable(page));
    QVERIFY2(page.contains("<SCRIPT SRC=\"tervanil-viewer.js\"></SCRIPT>\r\n</APPLET>\r\n"),
             qPrintable(page));
    QVERIFY(!readFile(folder.path("TervanilOB/tervanil-viewer.js")).isEmpty());
}

void WindowTest::enterStartsTheRunOnlyOnTheButton() {
    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    folder.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&folder.window()));

    auto* edit = control<QLineEdit>(folder.window(), "Edit4");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(folder.status(), QStringLiteral("SGF Count = 1"));
    QVERIFY(!QFile::exists(folder.path("TervanilOB")));

    auto* button = control<QPushButton>(folder.window(), "Button1");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QCOMPARE(folder.status(), QStringLiteral("Tervanil OK"));
    QVERIFY(QFile::exists(folder.path("TervanilOB/a.htm")));
}

void WindowTest::failedRunLeavesTheWindowUsable() {
    WindowInFolder folder({"a.sgf", "b.sgf"});
    QVERIFY(folder.show());
    QVERIFY(QFile::remove(folder.path("a.sgf")));

    folder.click("Button1");

    QCOMPARE(folder.boxes().size(), size_t(1));
    const ShownBox& box = folder.boxes().front();
    QCOMPARE(box.text, QStringLiteral("ﾌｧｲﾙ a.sgf は開けません."));
    QCOMPARE(box.title, QStringLiteral("Tervanil ( for Orbanel & Quillamy )"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.modality, Qt::ApplicationModal);
    QVERIFY(!box.waitCursorSet);
    QCOMPARE(box.status, QStringLiteral("SGF Count = 2"));

    QCOMPARE(folder.status(), QStringLiteral("SGF Count = 2"));
    QVERIFY(folder.enabled("Button1"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(QFile::exists(folder.path("TervanilOB/b.htm")));

    // The window works on: a choice still fills in its values, and the run
    // can be retried once the record is back.
    folder.click("RadioButton2");
    QCOMPARE(folder.text("Edit4"), QStringLiteral("399"));
    QVERIFY(writeFile(folder.path("a.sgf"), record));
    folder.click("Button1");
    QCOMPARE(folder.boxes().size(), size_t(1));
    QCOMPARE(folder.status(), QStringLiteral("Tervanil OK"));
    QVERIFY(QFile::exists(folder.path("TervanilQM/a.htm")));
    QVERIFY(QFile::exists(folder.path("TervanilQM/b.htm")));
}

// Clicks and keys made while a run works reach no control: none of them is
// applied, then or after the run, while the window goes on painting.
void WindowTest::inputDuringRunIsDropped() {
    WindowInFolder folder({"a.sgf", "b.sgf"});
    QVERIFY(folder.show());
    TForm1& window = folder.window();
    RunHold hold(window);
    ReleaseOnPaint releaseOnPaint(*control<QWidget>(window, "Panel3"), hold,
                                  *control<QLabel>(window, "Label1"));

    bool during = false;
    QString statusDuring;
    bool waitCursorDuring = false;
    // Fires only once the window services its events again, that is during the run.
    QTimer::singleShot(0, &window, [&] {
        during = true;
        statusDuring = folder.status();
        waitCursorDuring = waitCursorSet();
        folder.click("RadioButton2");
        folder.click("CheckBox5");
        QTest::keyClicks(control<QLineEdit>(window, "Edit4"), "9");
        folder.click("Button1");
        releaseOnPaint.arm();
        control<QWidget>(window, "Panel3")->update();
    });
    folder.click("Button1");

    QVERIFY(during);
    QCOMPARE(statusDuring, QStringLiteral("Plaese wait a moment..."));
    QVERIFY(waitCursorDuring);
    QVERIFY(folder.checked("RadioButton1"));
    QVERIFY(!folder.checked("CheckBox5"));
    QCOMPARE(folder.text("Edit4"), QStringLiteral("575"));
    QCOMPARE(window.appletClass(), std::string("Orbanel.Orbanel.class"));
    QVERIFY2(!hold.timedOut(), "a run was held to its time limit");
    QVERIFY(releaseOnPaint.painted);
    QCOMPARE(releaseOnPaint.statusAtPaint, QStringLiteral("Plaese wait a moment..."));
    QVERIFY(releaseOnPaint.waitCursorAtPaint);

    QCOMPARE(folder.status(), QStringLiteral("Tervanil OK"));
    QVERIFY(folder.boxes().empty());
    QVERIFY(QFile::exists(folder.path("TervanilOB/a.htm")));
    QVERIFY(QFile::exists(folder.path("TervanilOB/b.htm")));
    QVERIFY(!QFile::exists(folder.path("TervanilQM")));

    // Once the run is over the window acts on input again.
    folder.click("RadioButton2");
    QCOMPARE(folder.text("Edit4"), QStringLiteral("399"));
}

void WindowTest::closeDuringRunWaitsForItsEnd_data() {
    QTest::addColumn<bool>("runFails");
    QTest::newRow("completed run") << false;
    QTest::newRow("failed run") << true;
}

// A close asked for during a run leaves the window open until the run ends,
// and after a failure until its exception box has been shown.
void WindowTest::closeDuringRunWaitsForItsEnd() {
    QFETCH(bool, runFails);

    WindowInFolder folder({"a.sgf", "b.sgf"});
    QVERIFY(folder.show());
    TForm1& window = folder.window();
    if (runFails)
        QVERIFY(QFile::remove(folder.path("a.sgf")));
    RunHold hold(window);

    bool closedDuring = true;
    QTimer::singleShot(0, &window, [&] {
        closedDuring = window.close() || !window.isVisible();
        hold.release();
    });
    folder.click("Button1");

    QVERIFY(!hold.timedOut());
    QVERIFY(!closedDuring);
    QVERIFY(!window.isVisible());
    QVERIFY(QFile::exists(folder.path("TervanilOB/b.htm")));
    if (runFails) {
        QCOMPARE(folder.boxes().size(), size_t(1));
        QCOMPARE(folder.boxes().front().text, QStringLiteral("ﾌｧｲﾙ a.sgf は開けません."));
        QVERIFY(folder.boxes().front().windowShown);
    } else {
        QVERIFY(folder.boxes().empty());
        QCOMPARE(folder.status(), QStringLiteral("Tervanil OK"));
    }
}

// A step is the name of a button to click or "EditN=text" for text to type.
void WindowTest::optionsOfTheNextRun_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("viewer");
    QTest::addColumn<QByteArray>("startupMessage");

    QTest::newRow("start") << QStringList{} << false << QByteArray();
    QTest::newRow("viewer board ticked") << QStringList{"CheckBox7"} << true << QByteArray();
    QTest::newRow("ticked and cleared again")
        << QStringList{"CheckBox7", "CheckBox7"} << false << QByteArray();
    QTest::newRow("Japanese message")
        << QStringList{"Edit2= 黒番 ・①"} << false
        << QByteArray(" \xe9\xbb\x92\xe7\x95\xaa \xe3\x83\xbb\xe2\x91\xa0");
}

void WindowTest::optionsOfTheNextRun() {
    QFETCH(QStringList, steps);
    QFETCH(bool, viewer);
    QFETCH(QByteArray, startupMessage);

    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    QVERIFY(!folder.checked("CheckBox7"));
    for (const QString& step : steps) {
        const QByteArray name = step.section(QLatin1Char('='), 0, 0).toLatin1();
        if (step.contains(QLatin1Char('=')))
            folder.type(name.constData(), step.section(QLatin1Char('='), 1));
        else
            folder.click(name.constData());
    }

    const tervanil::ConversionOptions options = folder.window().conversionOptions();
    QCOMPARE(options.fallback, viewer ? tervanil::Fallback::Viewer : tervanil::Fallback::None);
    QCOMPARE(options.typedTextCharset, std::string("UTF-8"));
    QCOMPARE(QByteArray::fromStdString(options.startupMessage), startupMessage);
}

void WindowTest::captionColours_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QColor>("colour");

    // The language choice takes the colour of the panel it lies on.
    QTest::newRow("English") << QByteArray("RadioButton3") << QColor(0, 0, 255);
    QTest::newRow("Japanese") << QByteArray("RadioButton6") << QColor(0, 0, 255);
    QTest::newRow("viewer board") << QByteArray("CheckBox7") << QColor(0, 128, 128);
}

void WindowTest::captionColours() {
    QFETCH(QByteArray, name);
    QFETCH(QColor, colour);

    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    folder.click("RadioButton2");
    const QColor ink = captionInk(*control<QWidget>(folder.window(), name.constData()));
    const int distance = std::abs(ink.red() - colour.red()) +
                         std::abs(ink.green() - colour.green()) +
                         std::abs(ink.blue() - colour.blue());
    QVERIFY2(distance < 60, qPrintable(QStringLiteral("drawn in %1").arg(ink.name())));
}

void WindowTest::workFolder_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");

    QTest::newRow("folder") << "records" << QString();
    QTest::newRow("missing") << "absent"
                             << "フォルダ %1 に移れません (No such file or directory)";
    QTest::newRow("a file") << "records/a.sgf"
                            << "フォルダ %1 に移れません (Not a directory)";
}

// The window works in the folder it is given as if it had been started there.
void WindowTest::workFolder() {
    QFETCH(QString, folder);
    QFETCH(QString, message);

    QTemporaryDir scratch;
    QVERIFY(QDir(scratch.path()).mkdir("records"));
    QVERIFY(writeFile(scratch.filePath("records/a.sgf"), record));
    const QString previous = QDir::currentPath();
    const QString path = scratch.filePath(folder);
    QString thrown;
    try {
        enterWorkFolder(path.toStdString());
    } catch (const tervanil::Exception& e) {
        thrown = QString::fromStdString(e.message());
    }
    const QString entered = QDir::currentPath();
    QDir::setCurrent(previous);

    if (message.isEmpty()) {
        QCOMPARE(thrown, QString());
        QCOMPARE(QFileInfo(entered).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
    } else {
        QCOMPARE(thrown, message.arg(path));
        QCOMPARE(entered, previous);
    }
}

void WindowTest::exceptionBox_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("text");

    QTest::newRow("message") << QByteArray("ｽﾄﾘｰﾑへの書き込みｴﾗｰ")
                             << QStringLiteral("ｽﾄﾘｰﾑへの書き込みｴﾗｰ.");
    QTest::newRow("ends with a full stop") << QByteArray("done.") << QStringLiteral("done..");
    QTest::newRow("empty") << QByteArray() << QStringLiteral(".");
    QTest::newRow("markup shown as text") << QByteArray("ﾌｧｲﾙ <b>x</b>.sgf は開けません")
                                          << QStringLiteral("ﾌｧｲﾙ <b>x</b>.sgf は開けません.");
}

void WindowTest::exceptionBox() {
    QFETCH(QByteArray, message);
    QFETCH(QString, text);

    QApplication::setApplicationDisplayName(QStringLiteral("Title now"));
    const auto box =
        createExceptionBox(nullptr, std::string_view(message.constData(), message.size()));
    QCOMPARE(box->text(), text);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->windowTitle(), QStringLiteral("Title now"));
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

// The Japanese system's faces are replaced by faces of the same kind, and in
// them every caption fits its control.
void WindowTest::captionsFitTheirControls() {
    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    TForm1& window = folder.window();
    QCOMPARE(QFontInfo(control<QLabel>(window, "Label3")->font()).family(),
             QStringLiteral("IPAMincho"));
    QCOMPARE(QFontInfo(control<QCheckBox>(window, "CheckBox1")->font()).family(),
             QStringLiteral("IPAPGothic"));

    folder.click("RadioButton2");
    int captionCount = 0;
    QStringList tooNarrow;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget))
            continue;
        ++captionCount;
        if (widget->sizeHint().width() > widget->width())
            tooNarrow << QStringLiteral("%1 needs %2 pixels, has %3")
                             .arg(widget->objectName())
                             .arg(widget->sizeHint().width())
                             .arg(widget->width());
    }
    QVERIFY2(tooNarrow.isEmpty(), qPrintable(tooNarrow.join(QStringLiteral("; "))));
    // Nine labels, six radio buttons, six check boxes and the start button.
    QCOMPARE(captionCount, 22);
}

// Tab stops are the enabled, shown controls in the stored order; of a radio
// group only its chosen button, and the language choice is a group of its own
// although it lies on the applet choice's panel.
void WindowTest::tabOrder_data() {
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<QStringList>("stops");

    QTest::newRow("start") << QStringList{}
                           << QStringList{"Button1", "RadioButton1", "Edit4",     "Edit5",
                                          "Edit6",   "CheckBox5",    "CheckBox6", "Edit1",
                                          "Edit2",   "Edit3",        "Edit7",     "CheckBox7"};
    QTest::newRow("second applet, Japanese, white")
        << QStringList{"RadioButton2", "RadioButton6", "RadioButton5"}
        << QStringList{"Button1",      "RadioButton2", "Edit4",     "Edit5",        "Edit6",
                       "RadioButton6", "CheckBox3",    "CheckBox4", "RadioButton5", "CheckBox5",
                       "CheckBox6",    "Edit1",        "Edit2",     "Edit3",        "Edit7",
                       "CheckBox1",    "CheckBox7"};
}

void WindowTest::tabOrder() {
    QFETCH(QStringList, choices);
    QFETCH(QStringList, stops);

    WindowInFolder folder({"a.sgf"});
    QVERIFY(folder.show());
    folder.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&folder.window()));
    for (const QString& choice : choices)
        folder.click(choice.toLatin1().constData());
    control<QWidget>(folder.window(), "Button1")->setFocus();

    QStringList visited;
    for (qsizetype i = 0; i <= stops.size(); ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, stops + QStringList{"Button1"});
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"

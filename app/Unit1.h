#pragma once
// The main window: the option controls, the status line and the start button.
// The controls are the only store of the option values; a run reads them all
// at once when it begins.

#include "conversion_run.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMessageBox;

namespace Ui {
class TForm1;
}

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    /// Shows the exception box; the default runs it modally.
    using ExceptionPresenter = std::function<void(QMessageBox& box)>;
    /// Called on the run's worker thread before the first record.
    using RunStartHook = std::function<void()>;

    /// Builds the window in its start state, with the records of the current
    /// directory listed.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    /// The CODE value of the applet tag of the next run.
    const std::string& appletClass() const noexcept { return m_appletClass; }
    /// The records listed at start-up, which every run converts.
    const std::vector<std::string>& sources() const noexcept { return m_sources; }
    /// The record text (Memo2) and page text (Memo1) of the runs.
    const tervanil::WorkBuffers& workBuffers() const noexcept { return m_buffers; }

    /// The options of the next run, as the controls hold them now.
    tervanil::ConversionOptions conversionOptions() const;

    void setExceptionPresenter(ExceptionPresenter presenter);
    /// Lets a caller hold a run at its start, to act on the window meanwhile.
    void setRunStartHook(RunStartHook hook);

  public slots:
    void Button1Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void CheckBox3Click();
    void RadioButton3Click();
    void RadioButton6Click();

  private:
    void wireHandlers();
    void guarded(void (TForm1::*handler)());
    void runWhileServicingWindow(const tervanil::ConversionOptions& options);
    void showAppletProfile(const tervanil::AppletProfile& profile);
    void setStatus(const QString& text);
    void setInteractionOptionsEnabled(bool enabled);
    void setClickableDependantsEnabled(bool enabled);
    tervanil::Language language() const;

    // The controls of the form description, made by uic; kept out of this
    // header, so that nothing that includes it needs the generated one.
    const std::unique_ptr<Ui::TForm1> m_ui;
    std::vector<std::string> m_sources;
    std::string m_appletClass;
    tervanil::WorkBuffers m_buffers;
    ExceptionPresenter m_presentException;
    RunStartHook m_runStartHook;
    /// The window was asked to close during the run that just ended.
    bool m_closeAfterRun = false;
};

/// The program's one main window while it exists.
extern TForm1* Form1;

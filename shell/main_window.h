#pragma once
// The main window: the 31 fields of the strategy, the two job buttons, the menu and the status
// bar. It owns the conversion context for the whole run and supplies its services.

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "engine/catalogue.h"
#include "engine/context.h"
#include "engine/host_services.h"
#include "engine/strategy.h"
#include "engine/system_services.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QFrame;

namespace rq {

class Prompts;
class AboutBox;
class ConverterErrorDialog;
class FieldPropertiesDialog;
class SettingsDialog;
class ProgressDialog;

class MainWindow : public QMainWindow, public StrategyWindow, public HostServices {
    Q_OBJECT
  public:
    // Builds the window and the conversion context, waits the start-up pause and starts the
    // session (strategy, working folders). The dialogs come after, from createDialogs().
    MainWindow(SystemServices& system, const ProgramFolders& folders, Prompts& prompts,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Creates each dialog once, in the start-up order.
    void createDialogs();

    ConversionContext& context() { return *ctx_; }
    Prompts& prompts() { return prompts_; }
    bool conversionRunning() const { return running_; }
    QString statusPanelText(int panel) const;

    FieldPropertiesDialog* fieldDialog() const { return fieldPropertiesDialog_; }
    SettingsDialog* settingsDialog() const { return settingsDialog_; }
    ProgressDialog* progressDialog() const { return progressDialog_; }
    ConverterErrorDialog* errorDialog() const { return converterErrorDialog_; }
    AboutBox* aboutBox() const { return aboutBox_; }

    // Command handlers.
    void convertEndNoteToJFile();
    void convertJFileToEndNote();
    void HelpClick();
    void Settings1Click();
    void PuClickProp();
    // The field properties dialog for field n (1 to 31).
    void showFieldProperties(int n);
    // Checks width entry n as when it loses the focus; false when it had to be reset.
    bool checkLengthEntry(int n);

    // Collects and writes the strategy and the log; runs once.
    void endRun();

    // StrategyWindow
    bool fieldTicked(int n) const override;
    void setFieldTicked(int n, bool ticked) override;
    void setFieldCaption(int n, std::string_view caption) override;
    void setFieldBold(int n, bool bold) override;
    std::string widthText(int n) const override;
    void setWidthText(int n, std::string_view text) override;
    bool lockTicked() const override;
    void setLockTicked(bool ticked) override;

    // HostServices
    void appendLog(std::string_view line) override;
    const std::vector<std::string>& logLines() const override { return log_; }
    void setStatusText(std::string_view text) override;
    void showMessage(MessageKind kind, std::string_view text) override;
    void pumpEvents() override;
    void beginBusy() override;
    void endBusy() override;
    std::optional<std::vector<std::string>> chooseFiles(FileDialog dialog,
                                                        std::string_view startFolder) override;
    void showPhase(ProgressPhase phase) override;
    void setPrefixLine(std::string_view text) override;
    void showRecordLabel(bool shown) override;
    void setRecordNumber(long n) override;
    void setSourceFile(std::string_view path) override;
    void showBar(bool shown) override;
    void stepProgress(int n) override;
    void setConverterPhase(char directionCode) override;
    void showProgress() override;
    void hideProgress() override;
    void showLog(const std::string& path) override;

    // Events are processed at most this often while the engine calls pumpEvents.
    static constexpr qint64 kPumpIntervalMs = 15;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildLayout();
    void waitAtStart();
    // Runs a conversion with the job buttons, the menu and the fields locked.
    void runConversion(const std::function<void(ConversionContext&)>& job);
    void setControlsEnabled(bool enabled);
    // An error that no handler took is shown in the standard error box; the program goes on.
    void guarded(const std::function<void()>& action);

    SystemServices& system_;
    Prompts& prompts_;
    std::unique_ptr<ConversionContext> ctx_;
    std::vector<std::string> log_;

    QPushButton* btn2EN_ = nullptr;
    QPushButton* btn2JF_ = nullptr;
    QFrame* panel1_ = nullptr;
    std::array<QCheckBox*, kFieldCount + 1> cbfn_{};
    std::array<QLineEdit*, kFieldCount + 1> edfn_{};
    QCheckBox* cbJfileLock_ = nullptr;
    QLabel* statusPanels_[2] = {};
    QPlainTextEdit* memoLog_ = nullptr;
    QMenu* popupField_ = nullptr;
    QAction* help_ = nullptr;
    QAction* settings1_ = nullptr;
    int popupFieldNumber_ = 0;

    FieldPropertiesDialog* fieldPropertiesDialog_ = nullptr;
    SettingsDialog* settingsDialog_ = nullptr;
    ConverterErrorDialog* converterErrorDialog_ = nullptr;
    ProgressDialog* progressDialog_ = nullptr;
    AboutBox* aboutBox_ = nullptr;

    QElapsedTimer pumpClock_;
    bool running_ = false;
    bool closePending_ = false;
    bool ended_ = false;
    bool checkingEntry_ = false;
};

}  // namespace rq

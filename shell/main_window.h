// SPDX-License-Identifier: MIT
#pragma once
// The main window: the 31 fields of the strategy, the two job buttons, the menu and the status
// bar. It owns the conversion context for the whole run and the host that shows the engine's
// events in its windows (WindowHost); it asks the user for a job's files before the job starts.
// Geometry, texts, tooltips and object names are in main_window.ui; behaviour is here.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/catalogue.h"
#include "engine/context.h"
#include "engine/directions.h"
#include "engine/output_file.h"
#include "engine/strategy.h"
#include "engine/system_services.h"
#include "engine/user_settings.h"

class QCheckBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

namespace Ui {
class MainWindow;
}

namespace rq {

class Prompts;
class AboutBox;
class ConverterErrorDialog;
class FieldPropertiesDialog;
class SettingsDialog;
class ProgressDialog;
class LogWindow;
class ManualWindow;
class StatusPanel;
class WindowHost;

// The job a file given without a dialog starts: a ".pdb" file goes to EndNote, any other to JFile.
Direction directionForFile(const QString& path);

class MainWindow : public QMainWindow, public StrategyWindow {
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
    UserSettings& settings() { return settings_; }
    OutputFile& outputFile() { return output_; }
    WindowHost& host() { return *host_; }
    Prompts& prompts() { return prompts_; }
    bool conversionRunning() const { return running_; }
    QString statusPanelText(int panel) const;

    FieldPropertiesDialog* fieldDialog() const { return fieldPropertiesDialog_; }
    SettingsDialog* settingsDialog() const { return settingsDialog_; }
    ProgressDialog* progressDialog() const { return progressDialog_; }
    ConverterErrorDialog* errorDialog() const { return converterErrorDialog_; }
    AboutBox* aboutBox() const { return aboutBox_; }
    LogWindow* logWindow() const { return logWindow_; }
    ManualWindow* manualWindow() const { return manualWindow_; }

    // Command handlers.
    void convertEndNoteToJFile() { runConversion(Direction::EndNoteToJFile); }
    void convertJFileToEndNote() { runConversion(Direction::JFileToEndNote); }
    // Converts the files without asking for them: JFile databases to EndNote, any other file
    // to JFile; what the program is started with or what is dropped on the window.
    void convertFiles(const QStringList& paths);
    void showAboutBox();
    void showSettings();
    // The field properties dialog of the field whose context menu was opened last.
    void showFieldMenuProperties();
    // The run's log lines so far, the last conversion's selected.
    void showRunLog();
    // The manual shipped with the program, in a window of its own.
    void showManual();
    // The field whose tick box or width entry has the focus; 0 for none.
    int focusedField() const;
    // The field properties dialog for field n (1 to 31).
    void showFieldProperties(int n);
    // Checks width entry n as when it loses the focus; false when it had to be reset.
    bool checkLengthEntry(int n);

    // Collects and writes the strategy and the log; runs once.
    void endRun();

    // The run log's lines and the result of the last file, as the host reports them.
    void addLogLine(const QString& line);
    QPlainTextEdit* logArea() const;
    void setResultText(const QString& text);

    // StrategyWindow
    bool fieldTicked(int n) const override;
    void setFieldTicked(int n, bool ticked) override;
    void setFieldCaption(int n, std::string_view caption) override;
    void setFieldBold(int n, bool bold) override;
    std::string widthText(int n) const override;
    void setWidthText(int n, std::string_view text) override;
    bool lockTicked() const override;
    void setLockTicked(bool ticked) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The form of main_window.ui, wired to the commands, plus what a form cannot say.
    void setUpWindow();
    void waitAtStart();
    // Runs a job of the direction with the job buttons, the menu and the fields locked.
    void runConversion(Direction direction,
                       std::optional<std::vector<std::string>> given = std::nullopt);
    // The direction's file-open dialog; nothing when cancelled.
    ChosenFiles chooseFiles(const DirectionInfo& direction);
    void setControlsEnabled(bool enabled);
    void setWidthEntryName(int n);
    // An error that no handler took is shown in the standard error box; the program goes on.
    void guarded(const std::function<void()>& action);

    SystemServices& system_;
    Prompts& prompts_;
    std::unique_ptr<WindowHost> host_;
    std::unique_ptr<ConversionContext> ctx_;
    UserSettings settings_;
    // The run's one output slot: the session's and the jobs' writers take turns in it.
    OutputFile output_;

    std::unique_ptr<Ui::MainWindow> ui_;
    // Field n's tick box and width entry, by field number (index 0 unused).
    std::array<QCheckBox*, kFieldCount + 1> fieldBoxes_{};
    std::array<QLineEdit*, kFieldCount + 1> widthEntries_{};
    StatusPanel* statusPanels_[2] = {};
    // The tick boxes' context menu and the field it was last opened for.
    QMenu* fieldMenu_ = nullptr;
    int fieldMenuNumber_ = 0;

    FieldPropertiesDialog* fieldPropertiesDialog_ = nullptr;
    SettingsDialog* settingsDialog_ = nullptr;
    ConverterErrorDialog* converterErrorDialog_ = nullptr;
    ProgressDialog* progressDialog_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    LogWindow* logWindow_ = nullptr;
    ManualWindow* manualWindow_ = nullptr;

    bool running_ = false;
    bool closePending_ = false;
    bool ended_ = false;
    bool checkingEntry_ = false;
};

}  // namespace rq

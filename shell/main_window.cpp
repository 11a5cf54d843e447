// SPDX-License-Identifier: MIT
#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "engine/jobs.h"
#include "engine/session.h"
#include "shell/about_box.h"
#include "shell/converter_error_dialog.h"
#include "shell/field_properties_dialog.h"
#include "shell/font_scale.h"
#include "shell/log_window.h"
#include "shell/manual_window.h"
#include "shell/placement.h"
#include "shell/progress_dialog.h"
#include "shell/prompts.h"
#include "shell/settings_dialog.h"
#include "shell/status_panel.h"
#include "shell/window_host.h"
#include "ui_main_window.h"

namespace rq {
namespace {

const char* const kTagProperty = "Tag";

}  // namespace

MainWindow::MainWindow(SystemServices& system, const ProgramFolders& folders, Prompts& prompts,
                       QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      system_(system),
      prompts_(prompts),
      output_(&system),
      ui_(std::make_unique<Ui::MainWindow>()) {
    setUpWindow();
    host_ = std::make_unique<WindowHost>(*this, prompts_);
    ctx_ = std::make_unique<ConversionContext>(*host_, system_, *this);
    ctx_->setFolders(folders);
    waitAtStart();
    guarded([this] { startSession(*ctx_, settings_, output_); });
    settings_.databaseFormat = readDatabaseFormat(ctx_->programFolder);
}

MainWindow::~MainWindow() {
    endRun();
}

void MainWindow::setUpWindow() {
    ui_->setupUi(this);
    connect(ui_->Help, &QAction::triggered, this, [this] { guarded([this] { showAboutBox(); }); });
    connect(ui_->Settings1, &QAction::triggered, this,
            [this] { guarded([this] { showSettings(); }); });
    connect(ui_->ShowLog, &QAction::triggered, this, [this] { guarded([this] { showRunLog(); }); });
    connect(ui_->FieldProperties, &QAction::triggered, this, [this] {
        guarded([this] {
            if (const int n = focusedField(); n >= 1) showFieldProperties(n);
        });
    });
    connect(ui_->ShowManual, &QAction::triggered, this, [this] { showManual(); });
    ui_->HelpMenu->menuAction()->setObjectName(QStringLiteral("HelpMenu"));
    // Shift+F10 is the menu key's other name: the field menu of the focused field.
    auto* fieldMenuKey = new QAction(this);
    fieldMenuKey->setObjectName(QStringLiteral("FieldMenuKey"));
    fieldMenuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    addAction(fieldMenuKey);
    connect(fieldMenuKey, &QAction::triggered, this, [this] {
        if (const int n = focusedField(); n >= 1 && !running_) {
            fieldMenuNumber_ = n;
            fieldMenu_->popup(fieldBoxes_[n]->mapToGlobal(fieldBoxes_[n]->rect().center()));
        }
    });
    // A menu in the layout file would become the central widget: the field menu is made here.
    fieldMenu_ = new QMenu(this);
    fieldMenu_->setObjectName(QStringLiteral("PopupField"));
    fieldMenu_->addAction(ui_->PuProp);
    connect(ui_->PuProp, &QAction::triggered, this,
            [this] { guarded([this] { showFieldMenuProperties(); }); });
    connect(ui_->Btn2EN, &QPushButton::clicked, this, &MainWindow::convertJFileToEndNote);
    connect(ui_->Btn2JF, &QPushButton::clicked, this, &MainWindow::convertEndNoteToJFile);

    // The banner's black shows round the picture; colours and pixel sizes are not in the layout
    // file, as in the other windows.
    QPalette black = ui_->Panel4->palette();
    black.setColor(QPalette::Window, Qt::black);
    ui_->Panel4->setPalette(black);
    ui_->Panel4->setAutoFillBackground(true);
    // The captions must fit their 100 pixels beside the entries.
    QFont panelFont = ui_->Panel1->font();
    panelFont.setPixelSize(11);
    panelFont.setStretch(QFont::Condensed);
    ui_->Panel1->setFont(panelFont);
    // The small font of a status bar: the longest result (two five-digit counts) then fits
    // beside the empty 150-pixel panel 0.
    ui_->StatusBar1->setFont(panelFont);

    for (int n = 1; n <= kFieldCount; ++n) {
        widthEntries_[n] = ui_->Panel1->findChild<QLineEdit*>(QStringLiteral("EDfn%1").arg(n));
        fieldBoxes_[n] = ui_->Panel1->findChild<QCheckBox*>(QStringLiteral("CBfn%1").arg(n));
        widthEntries_[n]->installEventFilter(this);
        setWidthEntryName(n);
        QCheckBox* box = fieldBoxes_[n];
        connect(box, &QCheckBox::customContextMenuRequested, this, [this, box, n](QPoint at) {
            fieldMenuNumber_ = n;
            fieldMenu_->popup(box->mapToGlobal(at));
        });
    }
    // Storage only: the run log lies outside the visible area.
    ui_->MemoLog->hide();
    ui_->MemoLog->setAccessibleName(QStringLiteral("Run log"));

    for (int i = 0; i < 2; ++i) {
        statusPanels_[i] = new StatusPanel(ui_->StatusBar1);
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    // Fixed, or the bar lays the right panel out over the left one.
    statusPanels_[0]->setFixedWidth(150);
    statusPanels_[0]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    ui_->StatusBar1->addWidget(statusPanels_[0]);
    ui_->StatusBar1->addWidget(statusPanels_[1], 1);

    setAcceptDrops(true);
    scaleForFont(*this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    centreOnScreen(*this);
}

void MainWindow::waitAtStart() {
    // The splash window stands meanwhile; no events are handled.
    const std::int64_t start = system_.nowSeconds();
    while (system_.nowSeconds() < start + 2) QThread::msleep(20);
}

void MainWindow::createDialogs() {
    fieldPropertiesDialog_ = new FieldPropertiesDialog(prompts_, this);
    settingsDialog_ = new SettingsDialog(prompts_, this);
    converterErrorDialog_ = new ConverterErrorDialog(this);
    progressDialog_ = new ProgressDialog(font(), this);
    aboutBox_ = new AboutBox(this);
    logWindow_ = new LogWindow(this);
    // Cancel stops the converter of the file in hand; the job goes on with the next file.
    connect(progressDialog_, &ProgressDialog::cancelRequested, this,
            [this] { ctx_->requestStop(StopRequest::ThisFile); });
}

QString MainWindow::statusPanelText(int panel) const {
    return statusPanels_[panel]->fullText();
}

void MainWindow::showAboutBox() {
    if (aboutBox_ != nullptr) prompts_.exec(*aboutBox_);
}

void MainWindow::showSettings() {
    if (settingsDialog_ == nullptr) return;
    const ReferenceFormat before = settings_.databaseFormat;
    if (!settingsDialog_->showSettings(settings_.strategy, &settings_.databaseFormat)) return;
    std::string problem;
    if (settings_.databaseFormat != before &&
        !writeDatabaseFormat(ctx_->programFolder, settings_.databaseFormat, problem))
        host_->showMessage(MessageKind::Error, problem);
}

void MainWindow::showManual() {
    if (manualWindow_ == nullptr) manualWindow_ = new ManualWindow(this);
    manualWindow_->show();
    manualWindow_->raise();
    manualWindow_->activateWindow();
}

void MainWindow::showRunLog() {
    if (logWindow_ == nullptr) return;
    logWindow_->showLog(*host_);
    prompts_.exec(*logWindow_);
}

void MainWindow::showFieldMenuProperties() {
    if (fieldMenuNumber_ >= 1) showFieldProperties(fieldMenuNumber_);
}

void MainWindow::showFieldProperties(int n) {
    if (fieldPropertiesDialog_ == nullptr || running_) return;
    FieldSlot& slot = settings_.strategy.slots[n];
    if (fieldPropertiesDialog_->showFieldProperties(slot, bytesFromQt(fieldBoxes_[n]->text()))) {
        setFieldBold(n, isPopupType(slot.fieldType));
    }
}

bool MainWindow::checkLengthEntry(int n) {
    if (checkingEntry_) return true;
    checkingEntry_ = true;
    static const QString rangeMessage = QStringLiteral("Field Size must be between 5 and 3990");
    static const NumberEntryRule rule{5, 3990, rangeMessage, rangeMessage, QStringLiteral("3990")};
    const bool ok = checkNumberEntry(prompts_, this, *widthEntries_[n], rule);
    checkingEntry_ = false;
    return ok;
}

void MainWindow::endRun() {
    if (ended_) return;
    ended_ = true;
    guarded([this] { endSession(*ctx_, settings_, output_); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The strategy file and the log must not be written while a conversion runs: asked to
    // stop, the job ends the converter and converts no further file, and the window closes then.
    if (running_) {
        event->ignore();
        if (closePending_) return;
        if (prompts_.ask(this, QStringLiteral("A conversion is running. Stop it and quit?"))) {
            closePending_ = true;
            ctx_->requestStop(StopRequest::AllFiles);
        } else if (progressDialog_ != nullptr) {
            // The window's own controls are locked: the keys go back to Cancel.
            progressDialog_->focusCancel();
        }
        return;
    }
    endRun();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !running_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const int n = watched->property(kTagProperty).toInt();
        // Only a move to another control of this window counts as leaving the entry.
        if (n >= 1 && n <= kFieldCount && watched == widthEntries_[n] &&
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            checkLengthEntry(n);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

Direction directionForFile(const QString& path) {
    // A JFile database goes back to EndNote; any other file is taken for an export to read.
    return path.endsWith(QLatin1String(".pdb"), Qt::CaseInsensitive) ? Direction::JFileToEndNote
                                                                     : Direction::EndNoteToJFile;
}

void MainWindow::convertFiles(const QStringList& paths) {
    if (running_) return;
    // One job per direction, in the order their first files came.
    std::vector<std::pair<Direction, std::vector<std::string>>> jobs;
    for (const QString& path : paths) {
        const Direction direction = directionForFile(path);
        auto job = std::find_if(jobs.begin(), jobs.end(),
                                [&](const auto& j) { return j.first == direction; });
        if (job == jobs.end()) job = jobs.insert(jobs.end(), {direction, {}});
        job->second.push_back(pathFromQt(QDir::toNativeSeparators(path)));
    }
    for (const auto& [direction, files] : jobs) {
        if (closePending_ || ended_) return;
        runConversion(direction, files);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool files =
        !urls.isEmpty() &&
        std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    if (files && !running_) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    if (paths.isEmpty() || running_) return;
    event->acceptProposedAction();
    // The drag's source waits for the drop to end: the jobs run after it.
    QTimer::singleShot(0, this, [this, paths] { convertFiles(paths); });
}

void MainWindow::runConversion(Direction direction, std::optional<std::vector<std::string>> given) {
    if (running_) return;
    // refquill-cli may be converting in this folder: the work files have fixed names.
    if (system_.tryLockProgramFolder(ctx_->programFolder) != FolderLock::Acquired) {
        prompts_.message(this, MessageKind::Error,
                         QStringLiteral("Another conversion is running in %1. Try again when it "
                                        "has ended.")
                             .arg(pathToQt(ctx_->programFolder)));
        return;
    }
    running_ = true;
    ctx_->clearStop();
    setControlsEnabled(false);
    guarded([&] {
        runJob(*ctx_, settings_, output_, direction,
               [this, &given](const DirectionInfo& info) -> ChosenFiles {
                   if (given) return *given;
                   return chooseFiles(info);
               });
    });
    system_.unlockProgramFolder();
    setControlsEnabled(true);
    running_ = false;
    if (closePending_) {
        closePending_ = false;
        close();
    }
}

void MainWindow::setControlsEnabled(bool enabled) {
    ui_->Btn2EN->setEnabled(enabled);
    ui_->Btn2JF->setEnabled(enabled);
    ui_->Help->setEnabled(enabled);
    ui_->Settings1->setEnabled(enabled);
    ui_->ShowLog->setEnabled(enabled);
    ui_->FieldProperties->setEnabled(enabled);
    ui_->Panel1->setEnabled(enabled);
}

void MainWindow::guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        prompts_.message(this, MessageKind::Error, textToQt(error.what()));
    } catch (...) {
        prompts_.message(this, MessageKind::Error, QStringLiteral("Unknown error"));
    }
}

// StrategyWindow

bool MainWindow::fieldTicked(int n) const {
    return fieldBoxes_[n]->isChecked();
}

void MainWindow::setFieldTicked(int n, bool ticked) {
    fieldBoxes_[n]->setChecked(ticked);
}

void MainWindow::setFieldCaption(int n, std::string_view caption) {
    fieldBoxes_[n]->setText(textToQt(caption));
    setWidthEntryName(n);
}

void MainWindow::setWidthEntryName(int n) {
    // The entries are alike but for the field beside them, which a screen reader must say.
    widthEntries_[n]->setAccessibleName(
        QStringLiteral("Maximum length of %1").arg(fieldBoxes_[n]->text()));
}

int MainWindow::focusedField() const {
    const QWidget* focused = QApplication::focusWidget();
    for (int n = 1; n <= kFieldCount; ++n) {
        if (focused == fieldBoxes_[n] || focused == widthEntries_[n]) return n;
    }
    return 0;
}

void MainWindow::setFieldBold(int n, bool bold) {
    QFont font = fieldBoxes_[n]->font();
    font.setBold(bold);
    fieldBoxes_[n]->setFont(font);
}

std::string MainWindow::widthText(int n) const {
    return bytesFromQt(widthEntries_[n]->text());
}

void MainWindow::setWidthText(int n, std::string_view text) {
    widthEntries_[n]->setText(textToQt(text));
}

bool MainWindow::lockTicked() const {
    return ui_->CBJfileLock->isChecked();
}

void MainWindow::setLockTicked(bool ticked) {
    ui_->CBJfileLock->setChecked(ticked);
}

ChosenFiles MainWindow::chooseFiles(const DirectionInfo& direction) {
    const auto chosen =
        prompts_.openFiles(this, pathToQt(settings_.strategy.*direction.startFolder),
                           qtFileFilter(textToQt(direction.fileFilter)));
    if (!chosen) return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : *chosen) paths.push_back(pathFromQt(QDir::toNativeSeparators(path)));
    return paths;
}

void MainWindow::addLogLine(const QString& line) {
    ui_->MemoLog->appendPlainText(line);
}

QPlainTextEdit* MainWindow::logArea() const {
    return ui_->MemoLog;
}

void MainWindow::setResultText(const QString& text) {
    statusPanels_[1]->setFullText(text);
}

}  // namespace rq

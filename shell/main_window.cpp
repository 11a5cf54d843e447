#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <exception>

#include "engine/jobs.h"
#include "engine/session.h"
#include "shell/about_box.h"
#include "shell/converter_error_dialog.h"
#include "shell/field_properties_dialog.h"
#include "shell/log_window.h"
#include "shell/placement.h"
#include "shell/progress_dialog.h"
#include "shell/prompts.h"
#include "shell/settings_dialog.h"
#include "shell/status_panel.h"
#include "shell/window_host.h"

namespace rq {
namespace {

constexpr int kClientWidth = 583;
constexpr int kClientHeight = 381;
constexpr int kStatusBarHeight = 19;
constexpr int kRowStep = 24;
constexpr int kColumnStep = 144;
constexpr int kRowsPerColumn = 10;

const char* const kTagProperty = "Tag";

}  // namespace

MainWindow::MainWindow(SystemServices& system, const ProgramFolders& folders, Prompts& prompts,
                       QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      system_(system),
      prompts_(prompts) {
    buildLayout();
    host_ = std::make_unique<WindowHost>(*this, prompts_);
    ctx_ = std::make_unique<ConversionContext>(*host_, system_, *this);
    ctx_->setFolders(folders);
    waitAtStart();
    guarded([this] { startSession(*ctx_); });
    statusPanels_[0]->setFixedWidth(150);
    statusPanels_[0]->clear();
}

MainWindow::~MainWindow() {
    endRun();
}

void MainWindow::buildLayout() {
    setObjectName(QStringLiteral("RefquillMain"));
    setWindowTitle(QStringLiteral("Refquill for Windows"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/refquill.png")));

    // Alt and the underlined letter open the entries from the keyboard.
    help_ = menuBar()->addAction(QStringLiteral("&About"));
    help_->setObjectName(QStringLiteral("Help"));
    connect(help_, &QAction::triggered, this, [this] { guarded([this] { showAboutBox(); }); });
    settings1_ = menuBar()->addAction(QStringLiteral("&Settings"));
    settings1_->setObjectName(QStringLiteral("Settings1"));
    connect(settings1_, &QAction::triggered, this, [this] { guarded([this] { showSettings(); }); });
    showLog_ = menuBar()->addAction(QStringLiteral("&Log"));
    showLog_->setObjectName(QStringLiteral("ShowLog"));
    connect(showLog_, &QAction::triggered, this, [this] { guarded([this] { showRunLog(); }); });
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
    setCentralWidget(client);

    btn2EN_ = new QPushButton(QStringLiteral("JFile to EndNote"), client);
    btn2EN_->setObjectName(QStringLiteral("Btn2EN"));
    btn2EN_->setGeometry(4, 4, 137, 41);
    connect(btn2EN_, &QPushButton::clicked, this, &MainWindow::convertJFileToEndNote);
    btn2JF_ = new QPushButton(QStringLiteral("EndNote to  JFile"), client);
    btn2JF_->setObjectName(QStringLiteral("Btn2JF"));
    btn2JF_->setGeometry(148, 4, 137, 41);
    connect(btn2JF_, &QPushButton::clicked, this, &MainWindow::convertEndNoteToJFile);

    auto* panel4 = new QFrame(client);
    panel4->setObjectName(QStringLiteral("Panel4"));
    panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel4->setGeometry(kClientWidth - 4 - 125, 4, 125, 41);
    QPalette black = panel4->palette();
    black.setColor(QPalette::Window, Qt::black);
    panel4->setPalette(black);
    panel4->setAutoFillBackground(true);
    auto* image1 = new QLabel(panel4);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(QPixmap(QStringLiteral(":/icons/banner.png")));
    image1->setScaledContents(true);
    image1->setGeometry(panel4->contentsRect());

    auto* staticText1 =
        new QLabel(QStringLiteral("Choose the fields you wish to export to JFile"), client);
    staticText1->setObjectName(QStringLiteral("StaticText1"));
    staticText1->setGeometry(8, 52, 400, 16);

    panel1_ = new QFrame(client);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel1_->setGeometry(3, 70, 577, 289);
    // The captions must fit their 100 pixels beside the entries.
    QFont panelFont = panel1_->font();
    panelFont.setPixelSize(11);
    panelFont.setStretch(QFont::Condensed);
    panel1_->setFont(panelFont);

    popupField_ = new QMenu(this);
    popupField_->setObjectName(QStringLiteral("PopupField"));
    QAction* properties = popupField_->addAction(QStringLiteral("Properties"));
    properties->setObjectName(QStringLiteral("PuProp"));
    connect(properties, &QAction::triggered, this,
            [this] { guarded([this] { showPopupFieldProperties(); }); });

    for (int n = 1; n <= kFieldCount; ++n) {
        const int column = (n - 1) / kRowsPerColumn;
        const int row = (n - 1) % kRowsPerColumn;
        const int left = 4 + column * kColumnStep;
        const int top = 4 + row * kRowStep;
        auto* entry = new QLineEdit(panel1_);
        entry->setObjectName(QStringLiteral("EDfn%1").arg(n));
        entry->setProperty(kTagProperty, n);
        entry->setGeometry(left, top, 40, 21);
        entry->setToolTip(QStringLiteral("This sets the maximum width of fields in JFile"));
        entry->installEventFilter(this);
        edfn_[n] = entry;

        auto* box = new QCheckBox(panel1_);
        box->setObjectName(QStringLiteral("CBfn%1").arg(n));
        box->setProperty(kTagProperty, n);
        box->setGeometry(left + 42, top + 2, 102, 17);
        box->setToolTip(QStringLiteral("Left click to select field, Right click for properties"));
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QCheckBox::customContextMenuRequested, this, [this, box, n](QPoint at) {
            popupFieldNumber_ = n;
            popupField_->popup(box->mapToGlobal(at));
        });
        cbfn_[n] = box;
    }
    cbJfileLock_ = new QCheckBox(QStringLiteral("Lock JFile structure"), panel1_);
    cbJfileLock_->setObjectName(QStringLiteral("CBJfileLock"));
    cbJfileLock_->setGeometry(4 + 3 * kColumnStep, 4 + kRowStep + 2, 136, 17);

    // Storage only: the run log lies outside the visible area.
    memoLog_ = new QPlainTextEdit(client);
    memoLog_->setObjectName(QStringLiteral("MemoLog"));
    memoLog_->setReadOnly(true);
    memoLog_->setMaximumBlockCount(0);
    // Lines are only ever added: an undo history would cost every line time and memory.
    memoLog_->setUndoRedoEnabled(false);
    memoLog_->hide();

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusBarHeight);
    for (int i = 0; i < 2; ++i) {
        statusPanels_[i] = new StatusPanel(bar);
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    statusPanels_[0]->setFixedWidth(150);
    bar->addWidget(statusPanels_[0]);
    bar->addWidget(statusPanels_[1], 1);

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
    if (settingsDialog_ != nullptr) settingsDialog_->showSettings(ctx_->strategy);
}

void MainWindow::showRunLog() {
    if (logWindow_ == nullptr) return;
    logWindow_->showLines(host_->logLines());
    prompts_.exec(*logWindow_);
}

void MainWindow::showPopupFieldProperties() {
    if (popupFieldNumber_ >= 1) showFieldProperties(popupFieldNumber_);
}

void MainWindow::showFieldProperties(int n) {
    if (fieldPropertiesDialog_ == nullptr || running_) return;
    FieldSlot& slot = ctx_->strategy.slots[n];
    if (fieldPropertiesDialog_->showFieldProperties(slot, bytesFromQt(cbfn_[n]->text()))) {
        setFieldBold(n, isPopupType(slot.fieldType));
    }
}

bool MainWindow::checkLengthEntry(int n) {
    if (checkingEntry_) return true;
    checkingEntry_ = true;
    static const QString rangeMessage = QStringLiteral("Field Size must be between 5 and 3990");
    static const NumberEntryRule rule{5, 3990, rangeMessage, rangeMessage, QStringLiteral("3990")};
    const bool ok = checkNumberEntry(prompts_, this, *edfn_[n], rule);
    checkingEntry_ = false;
    return ok;
}

void MainWindow::endRun() {
    if (ended_) return;
    ended_ = true;
    guarded([this] { endSession(*ctx_); });
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
        if (n >= 1 && n <= kFieldCount && watched == edfn_[n] &&
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            checkLengthEntry(n);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::runConversion(Direction direction) {
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
        runJob(*ctx_, direction, [this](const DirectionInfo& info) { return chooseFiles(info); });
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
    btn2EN_->setEnabled(enabled);
    btn2JF_->setEnabled(enabled);
    help_->setEnabled(enabled);
    settings1_->setEnabled(enabled);
    showLog_->setEnabled(enabled);
    panel1_->setEnabled(enabled);
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
    return cbfn_[n]->isChecked();
}

void MainWindow::setFieldTicked(int n, bool ticked) {
    cbfn_[n]->setChecked(ticked);
}

void MainWindow::setFieldCaption(int n, std::string_view caption) {
    cbfn_[n]->setText(textToQt(caption));
}

void MainWindow::setFieldBold(int n, bool bold) {
    QFont font = cbfn_[n]->font();
    font.setBold(bold);
    cbfn_[n]->setFont(font);
}

std::string MainWindow::widthText(int n) const {
    return bytesFromQt(edfn_[n]->text());
}

void MainWindow::setWidthText(int n, std::string_view text) {
    edfn_[n]->setText(textToQt(text));
}

bool MainWindow::lockTicked() const {
    return cbJfileLock_->isChecked();
}

void MainWindow::setLockTicked(bool ticked) {
    cbJfileLock_->setChecked(ticked);
}

ChosenFiles MainWindow::chooseFiles(const DirectionInfo& direction) {
    const auto chosen = prompts_.openFiles(this, pathToQt(ctx_->strategy.*direction.startFolder),
                                           qtFileFilter(textToQt(direction.fileFilter)));
    if (!chosen) return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : *chosen) paths.push_back(pathFromQt(QDir::toNativeSeparators(path)));
    return paths;
}

void MainWindow::addLogLine(const QString& line) {
    memoLog_->appendPlainText(line);
}

void MainWindow::setResultText(const QString& text) {
    statusPanels_[1]->setFullText(text);
}

}  // namespace rq

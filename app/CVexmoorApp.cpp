#include "CVexmoorApp.h"

#include "AboutCommand.h"
#include "ActionRegistry.h"
#include "CMainFrame.h"
#include "FatalErrorBox.h"
#include "LogPrinting.h"
#include "MessageBox.h"
#include "OptionsCommand.h"
#include "base/Profile.h"
#include "db/CConnectDlg.h"
#include "db/DatabaseSession.h"
#include "db/OciSession.h"
#include "res/CommandIds.h"
#include "res/Images.h"
#include "res/StringTable.h"
#include "res/ToolbarTable.h"
#include "trace/CVexmoorView.h"
#include "trace/SessionPipeChannel.h"
#include "trace/TraceStateText.h"
#include "ui/DesktopShell.h"
#include "ui/FindBar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPrinter>
#include <QScreen>

namespace vexmoor::app {

CVexmoorApp::CVexmoorApp(base::Profile& profile, LogonStep logon, QObject* parent)
    : QObject(parent), profile_(profile), logon_(std::move(logon)), recentFiles_(profile)
{
}

CVexmoorApp::~CVexmoorApp()
{
    TearDown();
}

void CVexmoorApp::TearDown()
{
    // The window and its view go before the session they poll.
    mainWnd_.reset();
    view_ = nullptr;
    channel_.reset();
    database_.reset();
    if (db::g_pSession == session_.get())
        db::g_pSession = nullptr;
    // No log-off: the connection ends with the process.
    session_.reset();
    if (fatalHandlerInstalled_) {
        db::setFatalErrorHandler(std::move(previousFatalHandler_));
        fatalHandlerInstalled_ = false;
    }
}

CVexmoorApp::LogonStep CVexmoorApp::defaultLogonStep()
{
    return [](db::DatabaseSession* session, base::Profile& profile) {
        return db::RunConnectDialog(session, profile);
    };
}

bool CVexmoorApp::InitInstance(const QStringList& arguments)
{
    // The profile (QSettings "Orrindale"/"Vexmoor") was chosen by whoever
    // made this object; here the framework's standard settings come from it.
    recentFiles_.readList();
    numPreviewPages_ = profile_.getProfileInt(kSettingsSection, kPreviewPagesEntry, 0);

    // The one session of the process: made before the logon dialog, which
    // logs it on, and kept until ExitInstance.
    session_ = std::make_unique<db::OciSession>();
    db::g_pSession = session_.get();
    database_ = std::make_unique<db::DatabaseSession>(*session_);
    installFatalErrorHandler();

    const CommandLineInfo commandLine = parseCommandLine(arguments);

    // The logon comes before any window: Cancel ends the program here.
    if (!logon_ || logon_(database_.get(), profile_) != 1)
        return false;
    channel_ = trace::makePipeChannel(*database_);

    startRunJournal();
    if (!createMainWindow())
        return false;
    if (!processShellCommand(commandLine))
        return false;
    if (!afterFatalReportText_.isEmpty())
        showInMessagePane(afterFatalReportText_);
    // The frame opens on most of the screen, as a desktop's default placement
    // of a new main window would have it.
    if (const QScreen* screen = mainWnd_->screen())
        mainWnd_->resize(screen->availableSize() * 3 / 4);
    mainWnd_->show();
    mainWnd_->repaint();
    return true;
}

int CVexmoorApp::ExitInstance(int exitCode)
{
    TearDown();
    recentFiles_.writeList();
    if (numPreviewPages_ != 0)
        profile_.writeProfileInt(kSettingsSection, kPreviewPagesEntry, numPreviewPages_);
    return exitCode != 0 ? exitCode : exitCode_;
}

void CVexmoorApp::installFatalErrorHandler()
{
    auto source = [this] {
        RecoverySource recovery;
        if (view_)
            recovery.logText = view_->logText();
        recovery.documentPath = doc_.pathName();
        recovery.title = doc_.Title();
        return recovery;
    };
    auto parent = [this]() -> QWidget* { return mainWnd_.get(); };
    auto written = [this](const RecoveryOutcome& recovery) { noteFatalReport(recovery); };
    db::FatalErrorHandler previous =
        db::setFatalErrorHandler(makeFatalErrorHandler(source, parent, QString(), written));
    if (!fatalHandlerInstalled_) {
        previousFatalHandler_ = std::move(previous);
        fatalHandlerInstalled_ = true;
    }
}

void CVexmoorApp::noteFatalReport(const RecoveryOutcome& recovery)
{
    profile_.writeProfileInt(kFatalReportSection, kFatalReportPendingEntry, 1);
    profile_.writeProfileString(
        kFatalReportSection, kFatalReportRecoveryFileEntry,
        recovery.written ? QDir::toNativeSeparators(recovery.path).toStdString() : std::string());
    profile_.writeProfileString(kFatalReportSection, kFatalReportJournalEntry,
                                journal_.isWriting() ? journal_.path().string() : std::string());
    profile_.flush();
}

void CVexmoorApp::startRunJournal()
{
    namespace trace = vexmoor::trace;
    trace::JournalLimits limits;
    limits.maxAgeDays = profile_.getProfileInt(trace::kJournalSection,
                                               trace::kJournalMaxAgeDaysEntry, limits.maxAgeDays);
    limits.maxTotalMegabytes = profile_.getProfileInt(
        trace::kJournalSection, trace::kJournalMaxTotalMegabytesEntry, limits.maxTotalMegabytes);
    // After a fatal report the journal of that run is spared, so that this
    // start can name it.
    const bool afterFatalReport =
        profile_.getProfileInt(kFatalReportSection, kFatalReportPendingEntry, 0) != 0;
    trace::JournalStart start =
        trace::startJournal(trace::journalFolder(), limits, afterFatalReport);
    journal_ = std::move(start.journal);
    journal_.onFailure([this](const std::string& reason) {
        journalFailure_ = reason;
        updateTraceState();
    });
    if (!afterFatalReport)
        return;
    std::string journalOfThatRun =
        profile_.getProfileString(kFatalReportSection, kFatalReportJournalEntry);
    if (journalOfThatRun.empty() && start.previousRun)
        journalOfThatRun = start.previousRun->string();
    afterFatalReportText_ = QString::fromStdString(trace::composeAfterFatalReportText(
        profile_.getProfileString(kFatalReportSection, kFatalReportRecoveryFileEntry),
        journalOfThatRun));
    // Said once: the next start is an ordinary one again.
    profile_.writeProfileInt(kFatalReportSection, kFatalReportPendingEntry, 0);
    profile_.writeProfileString(kFatalReportSection, kFatalReportRecoveryFileEntry, "");
    profile_.writeProfileString(kFatalReportSection, kFatalReportJournalEntry, "");
}

bool CVexmoorApp::createMainWindow()
{
    res::initImages();
    actions_ = std::make_unique<ActionRegistry>(*this);
    mainWnd_ = std::make_unique<CMainFrame>(*actions_);
    mainWnd_->setWindowIcon(QIcon(QString::fromLatin1(res::kProgramIcon)));
    if (!mainWnd_->OnCreate()) {
        mainWnd_.reset();
        return false;
    }
    view_ = new trace::CVexmoorView(profile_, *channel_, mainWnd_.get());
    view_->setJournal(&journal_);
    wireOptionsCommand(*view_, profile_, *channel_);
    mainWnd_->setCentralWidget(view_);
    mainWnd_->keepUsableMinimumSize();
    view_->setFocus();

    doc_.attachView(view_);
    connect(&doc_, &CVexmoorDoc::TitleChanged, mainWnd_.get(), &CMainFrame::updateFrameTitle);
    connect(&doc_, &CVexmoorDoc::addedToRecentFiles, this, &CVexmoorApp::addToRecentFiles);
    doc_.setFileNamePrompt([this](QWidget* parent, bool save, const QString& initial) {
        return promptForLogFile(parent, save, initial, recentFiles_.entries().value(0));
    });
    mainWnd_->setCloseQuery([this] { return doc_.saveModified(); });
    mainWnd_->updateFrameTitle(doc_.Title());
    mainWnd_->updateRecentFiles(recentFiles_);
    wireCommands();
    return true;
}

void CVexmoorApp::wireCommands()
{
    const auto on = [this](int id, auto handler) {
        connect(actions_->action(id), &QAction::triggered, this, handler);
    };
    on(res::ID_APP_ABOUT, &CVexmoorApp::OnAppAbout);
    on(res::ID_APP_EXIT, &CVexmoorApp::OnAppExit);
    on(res::ID_FILE_NEW, &CVexmoorApp::OnFileNew);
    on(res::ID_FILE_OPEN, &CVexmoorApp::OnFileOpen);
    on(res::ID_FILE_PRINT_SETUP, &CVexmoorApp::OnFilePrintSetup);
    on(res::ID_FILE_PRINT, &CVexmoorApp::OnFilePrint);
    on(res::ID_FILE_PRINT_DIRECT, &CVexmoorApp::OnFilePrintDirect);
    on(res::ID_FILE_PRINT_PREVIEW, &CVexmoorApp::OnFilePrintPreview);
    for (int index = 0; index < recentFiles_.maximumSize(); ++index)
        on(res::ID_FILE_MRU_FILE1 + index, [this, index] { OnOpenRecentFile(index); });

    connect(actions_->action(res::ID_FILE_SAVE), &QAction::triggered, &doc_,
            &CVexmoorDoc::OnFileSave);
    connect(actions_->action(res::ID_FILE_SAVE_AS), &QAction::triggered, &doc_,
            &CVexmoorDoc::OnFileSaveAs);

    wireEditCommands();
    wireTraceCommands();
    wireFindCommands();
}

void CVexmoorApp::wireTraceCommands()
{
    // The Trace menu and the toolbar carry the same actions.
    const auto onView = [this](int id, auto slot) {
        connect(actions_->action(id), &QAction::triggered, view_, slot);
    };
    onView(res::ID_START, &trace::CVexmoorView::OnStart);
    onView(res::ID_STOP, &trace::CVexmoorView::OnStop);
    onView(res::ID_OPTIONS, &trace::CVexmoorView::OnOptions);
    onView(res::ID_PURGE_PIPE, &trace::CVexmoorView::OnPurgePipe);
    connect(view_, &trace::CVexmoorView::traceStateChanged, this, &CVexmoorApp::updateTraceState);
    connect(actions_->action(res::ID_FILE_OPEN_JOURNAL_FOLDER), &QAction::triggered, this,
            &CVexmoorApp::onOpenJournalFolder);

    trace::CVexmoorView* view = view_;
    const auto toggle = [this](int id, bool checked, auto apply) {
        QAction* action = actions_->action(id);
        action->setChecked(checked);
        connect(action, &QAction::toggled, view_, apply);
    };
    toggle(res::ID_VIEW_RECEIPT_TIME, view->receiptTime(),
           [view](bool on) { view->setReceiptTime(on); });
    toggle(res::ID_VIEW_FOLLOW_NEW_LINES, view->followNewLines(),
           [view](bool on) { view->setFollowNewLines(on); });
    toggle(res::ID_VIEW_FIXED_WIDTH_FONT, view->fixedWidthFont(),
           [view](bool on) { view->setFixedWidthFont(on); });
    updateTraceState();
}

void CVexmoorApp::updateTraceState()
{
    if (!view_ || !mainWnd_ || !actions_)
        return;
    const bool tracing = view_->isTracing();
    actions_->action(res::ID_START)->setChecked(tracing);
    actions_->action(res::ID_STOP)->setEnabled(tracing);

    trace::TraceState state;
    state.user = database_->userName();
    state.connect = database_->connectString();
    state.pipeName = view_->Settings().m_strPipeName;
    state.timerFrequency = view_->Settings().m_nTimerFrequency;
    state.tracing = tracing;
    state.started = view_->hasStarted();
    state.messagesSinceStart = view_->messagesSinceStart();
    state.journalFailure = journalFailure_;
    mainWnd_->statePane()->setText(QString::fromStdString(trace::composeTraceStateText(state)));
}

void CVexmoorApp::showInMessagePane(const QString& text)
{
    if (mainWnd_)
        mainWnd_->showMessage(text);
}

void CVexmoorApp::onOpenJournalFolder()
{
    const std::filesystem::path folder =
        journal_.path().empty() ? trace::journalFolder() : journal_.path().parent_path();
    const QString path = QString::fromStdString(folder.string());
    QDir().mkpath(path);
    ui::DesktopShell& shell = desktopShell_ ? *desktopShell_ : ui::systemShell();
    if (folder.empty() || shell.openWithShell(path) <= 32)
        showInMessagePane(QStringLiteral("Could not open the journal folder %1.")
                              .arg(QDir::toNativeSeparators(path)));
}

void CVexmoorApp::wireFindCommands()
{
    ui::FindBar* bar = mainWnd_->findBar();
    connect(actions_->action(res::ID_EDIT_FIND), &QAction::triggered, this, &CVexmoorApp::onFind);
    connect(actions_->action(res::ID_EDIT_FIND_NEXT), &QAction::triggered, this,
            [this] { onFindAgain(false); });
    connect(actions_->action(res::ID_EDIT_FIND_PREVIOUS), &QAction::triggered, this,
            [this] { onFindAgain(true); });
    connect(bar, &ui::FindBar::findRequested, this, &CVexmoorApp::onFindAgain);
    connect(bar, &ui::FindBar::criteriaChanged, this,
            [this, bar] { view_->highlightMatches(bar->text(), bar->matchCase()); });
    connect(bar, &ui::FindBar::closeRequested, this,
            [this] { view_->highlightMatches(QString(), false); });
}

void CVexmoorApp::onFind()
{
    // A selection within one line is what the user wants to find.
    const QString selected = view_->textCursor().selectedText();
    ui::FindBar* bar = mainWnd_->findBar();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        bar->setText(selected);
    mainWnd_->showFindBar();
    view_->highlightMatches(bar->text(), bar->matchCase());
}

void CVexmoorApp::onFindAgain(bool backward)
{
    ui::FindBar* bar = mainWnd_->findBar();
    if (bar->text().isEmpty()) {
        onFind();
        return;
    }
    bar->showFound(view_->findText(bar->text(), {bar->matchCase(), bar->wrap(), backward}));
}

void CVexmoorApp::wireEditCommands()
{
    trace::CVexmoorView* view = view_;
    const auto on = [this](int id, auto handler) {
        connect(actions_->action(id), &QAction::triggered, view_, handler);
    };
    // Undo, Cut and Paste change the text only while the log is editable;
    // Copy works either way. The edit control refuses Cut and Paste itself
    // when read-only, but not Undo.
    on(res::ID_EDIT_UNDO, [view] {
        if (!view->isReadOnly())
            view->undo();
    });
    on(res::ID_EDIT_CUT, [view] { view->cut(); });
    on(res::ID_EDIT_COPY, [view] { view->copy(); });
    on(res::ID_EDIT_PASTE, [view] { view->paste(); });
    // One pane: both pane commands bring the focus back to the log.
    on(res::ID_NEXT_PANE, [view] { view->setFocus(Qt::TabFocusReason); });
    on(res::ID_PREV_PANE, [view] { view->setFocus(Qt::BacktabFocusReason); });

    connect(view, &QPlainTextEdit::copyAvailable, this, &CVexmoorApp::updateEditCommands);
    connect(view, &QPlainTextEdit::undoAvailable, this, &CVexmoorApp::updateEditCommands);
    connect(view, &QPlainTextEdit::selectionChanged, this, &CVexmoorApp::updateEditCommands);
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &CVexmoorApp::updateEditCommands);
    updateEditCommands();
}

void CVexmoorApp::updateEditCommands()
{
    if (!view_ || !actions_)
        return;
    const bool editable = !view_->isReadOnly();
    const bool selection = view_->textCursor().hasSelection();
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const bool clipboardHasText = clipboard && !clipboard->text().isEmpty();
    actions_->action(res::ID_EDIT_UNDO)
        ->setEnabled(editable && view_->document()->isUndoAvailable());
    actions_->action(res::ID_EDIT_CUT)->setEnabled(editable && selection);
    actions_->action(res::ID_EDIT_COPY)->setEnabled(selection);
    actions_->action(res::ID_EDIT_PASTE)->setEnabled(editable && clipboardHasText);
}

bool CVexmoorApp::processShellCommand(const CommandLineInfo& info)
{
    switch (info.shellCommand_) {
    case CommandLineInfo::FileNew:
        return doc_.OnNewDocument();
    case CommandLineInfo::FileOpen:
        if (openDocumentFile(info.fileName_) == OpenResult::Opened)
            return true;
        exitCode_ = 1;
        return false;
    case CommandLineInfo::FilePrint:
    case CommandLineInfo::FilePrintTo:
        // Print switches print and end the program without showing the window.
        if (!printFromCommandLine(info))
            exitCode_ = 1;
        return false;
    }
    return false;
}

bool CVexmoorApp::printFromCommandLine(const CommandLineInfo& info)
{
    if (info.fileName_.isEmpty() || openDocumentFile(info.fileName_) != OpenResult::Opened)
        return false;
    QPrinter& printer = Printer();
    // The driver and port of "/pt FILE PRINTER DRIVER PORT" name nothing here:
    // the printer's name is enough to find it. A printer that is not there
    // fails the print rather than printing elsewhere.
    bool started = true;
    if (info.shellCommand_ == CommandLineInfo::FilePrintTo) {
        started = printers_->select(printer, info.printerName_);
        if (started)
            chosenPrinter_ = info.printerName_;
    }
    if (started && printerHook_)
        printerHook_(printer);
    if (!started || !printLog(*view_, printer, doc_.Title())) {
        vexmoorMessageBox(nullptr, res::loadString(res::AFX_IDP_FAILED_TO_START_PRINT));
        return false;
    }
    return true;
}

QPrinter& CVexmoorApp::Printer()
{
    // Made on first use: asking the system for its printers can take a moment.
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The system's QPrinter starts on its default printer already; a
        // list put in by a test names its own.
        const QString defaultName = printers_->defaultName();
        if (!defaultName.isEmpty() && printer_->printerName() != defaultName)
            printers_->select(*printer_, defaultName);
    }
    return *printer_;
}

CVexmoorApp::OpenResult CVexmoorApp::openDocumentFile(const QString& path)
{
    if (!doc_.saveModified())
        return OpenResult::Cancelled;
    return doc_.OnOpenDocument(path) ? OpenResult::Opened : OpenResult::Failed;
}

void CVexmoorApp::addToRecentFiles(const QString& path)
{
    recentFiles_.add(path);
    if (mainWnd_)
        mainWnd_->updateRecentFiles(recentFiles_);
}

QWidget* CVexmoorApp::messageParent() const
{
    return mainWnd_.get();
}

void CVexmoorApp::OnAppAbout()
{
    showAboutVexmoor(messageParent());
}

void CVexmoorApp::OnAppExit()
{
    if (mainWnd_)
        mainWnd_->close();
}

void CVexmoorApp::OnFileNew()
{
    if (doc_.saveModified())
        doc_.OnNewDocument();
}

void CVexmoorApp::OnFileOpen()
{
    const QString path = doc_.promptFileName(false, QString());
    if (!path.isEmpty())
        openDocumentFile(path);
}

void CVexmoorApp::OnFilePrintSetup()
{
    setUpPrinter(Printer(), *printers_, chosenPrinter_, messageParent());
}

void CVexmoorApp::OnFilePrint()
{
    if (view_)
        printLogWithDialog(*view_, Printer(), doc_.Title(), messageParent());
}

void CVexmoorApp::OnFilePrintDirect()
{
    if (view_ && !printLog(*view_, Printer(), doc_.Title()))
        vexmoorMessageBox(messageParent(), res::loadString(res::AFX_IDP_FAILED_TO_START_PRINT));
}

void CVexmoorApp::OnFilePrintPreview()
{
    if (view_)
        previewLog(*view_, Printer(), doc_.Title(), messageParent(), numPreviewPages_);
}

void CVexmoorApp::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= recentFiles_.size())
        return;
    const QString path = recentFiles_.entries().at(index);
    // An entry that no longer opens leaves the list, as the framework does;
    // one whose opening the user cancelled stays.
    if (openDocumentFile(path) == OpenResult::Failed) {
        recentFiles_.remove(index);
        if (mainWnd_)
            mainWnd_->updateRecentFiles(recentFiles_);
    }
}

} // namespace vexmoor::app

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
#include "db/OciSession.h"
#include "res/CommandIds.h"
#include "res/Images.h"
#include "res/StringTable.h"
#include "res/ToolbarTable.h"
#include "trace/CVexmoorView.h"
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

CVexmoorApp::CVexmoorApp(Profile& profile, LogonStep logon, QObject* parent)
    : QObject(parent), m_profile(profile), m_logon(std::move(logon)), m_recentFiles(profile)
{
}

CVexmoorApp::~CVexmoorApp()
{
    TearDown();
}

void CVexmoorApp::TearDown()
{
    // The window and its view go before the session they poll.
    m_pMainWnd.reset();
    m_view = nullptr;
    if (g_pSession == m_session.get())
        g_pSession = nullptr;
    // No log-off: the connection ends with the process.
    m_session.reset();
    if (m_bFatalHandlerInstalled) {
        SetFatalErrorHandler(std::move(m_previousFatalHandler));
        m_bFatalHandlerInstalled = false;
    }
}

CVexmoorApp::LogonStep CVexmoorApp::DefaultLogonStep()
{
    return [](OciSession* session, Profile& profile) { return RunConnectDialog(session, profile); };
}

bool CVexmoorApp::InitInstance(const QStringList& arguments)
{
    // The profile (QSettings "Orrindale"/"Vexmoor") was chosen by whoever
    // made this object; here the framework's standard settings come from it.
    m_recentFiles.ReadList();
    m_nNumPreviewPages = m_profile.GetProfileInt(kSettingsSection, kPreviewPagesEntry, 0);

    // The one session of the process: made before the logon dialog, which
    // logs it on, and kept until ExitInstance.
    m_session = std::make_unique<OciSession>();
    g_pSession = m_session.get();
    InstallFatalErrorHandler();

    const CommandLineInfo commandLine = ParseCommandLine(arguments);

    // The logon comes before any window: Cancel ends the program here.
    if (!m_logon || m_logon(g_pSession, m_profile) != 1)
        return false;

    startRunJournal();
    if (!CreateMainWindow())
        return false;
    if (!ProcessShellCommand(commandLine))
        return false;
    if (!afterFatalReportText_.isEmpty())
        showInMessagePane(afterFatalReportText_);
    // The frame opens on most of the screen, as a desktop's default placement
    // of a new main window would have it.
    if (const QScreen* screen = m_pMainWnd->screen())
        m_pMainWnd->resize(screen->availableSize() * 3 / 4);
    m_pMainWnd->show();
    m_pMainWnd->repaint();
    return true;
}

int CVexmoorApp::ExitInstance(int exitCode)
{
    TearDown();
    m_recentFiles.WriteList();
    if (m_nNumPreviewPages != 0)
        m_profile.WriteProfileInt(kSettingsSection, kPreviewPagesEntry, m_nNumPreviewPages);
    return exitCode != 0 ? exitCode : m_nExitCode;
}

void CVexmoorApp::InstallFatalErrorHandler()
{
    auto source = [this] {
        RecoverySource recovery;
        if (m_view)
            recovery.logText = m_view->LogText();
        recovery.documentPath = m_doc.PathName();
        recovery.title = m_doc.Title();
        return recovery;
    };
    auto parent = [this]() -> QWidget* { return m_pMainWnd.get(); };
    auto written = [this](const RecoveryOutcome& recovery) { noteFatalReport(recovery); };
    FatalErrorHandler previous =
        SetFatalErrorHandler(MakeFatalErrorHandler(source, parent, QString(), written));
    if (!m_bFatalHandlerInstalled) {
        m_previousFatalHandler = std::move(previous);
        m_bFatalHandlerInstalled = true;
    }
}

void CVexmoorApp::noteFatalReport(const RecoveryOutcome& recovery)
{
    m_profile.WriteProfileInt(kFatalReportSection, kFatalReportPendingEntry, 1);
    m_profile.WriteProfileString(
        kFatalReportSection, kFatalReportRecoveryFileEntry,
        recovery.written ? QDir::toNativeSeparators(recovery.path).toStdString() : std::string());
    m_profile.WriteProfileString(kFatalReportSection, kFatalReportJournalEntry,
                                 journal_.isWriting() ? journal_.path().string() : std::string());
    m_profile.flush();
}

void CVexmoorApp::startRunJournal()
{
    namespace trace = vexmoor::trace;
    trace::JournalLimits limits;
    limits.maxAgeDays = m_profile.GetProfileInt(trace::kJournalSection,
                                                trace::kJournalMaxAgeDaysEntry, limits.maxAgeDays);
    limits.maxTotalMegabytes = m_profile.GetProfileInt(
        trace::kJournalSection, trace::kJournalMaxTotalMegabytesEntry, limits.maxTotalMegabytes);
    // After a fatal report the journal of that run is spared, so that this
    // start can name it.
    const bool afterFatalReport =
        m_profile.GetProfileInt(kFatalReportSection, kFatalReportPendingEntry, 0) != 0;
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
        m_profile.GetProfileString(kFatalReportSection, kFatalReportJournalEntry);
    if (journalOfThatRun.empty() && start.previousRun)
        journalOfThatRun = start.previousRun->string();
    afterFatalReportText_ = QString::fromStdString(trace::composeAfterFatalReportText(
        m_profile.GetProfileString(kFatalReportSection, kFatalReportRecoveryFileEntry),
        journalOfThatRun));
    // Said once: the next start is an ordinary one again.
    m_profile.WriteProfileInt(kFatalReportSection, kFatalReportPendingEntry, 0);
    m_profile.WriteProfileString(kFatalReportSection, kFatalReportRecoveryFileEntry, "");
    m_profile.WriteProfileString(kFatalReportSection, kFatalReportJournalEntry, "");
}

bool CVexmoorApp::CreateMainWindow()
{
    res::InitImages();
    m_actions = std::make_unique<ActionRegistry>(*this);
    m_pMainWnd = std::make_unique<CMainFrame>(*m_actions);
    m_pMainWnd->setWindowIcon(QIcon(QString::fromLatin1(res::kProgramIcon)));
    if (!m_pMainWnd->OnCreate()) {
        m_pMainWnd.reset();
        return false;
    }
    m_view = new CVexmoorView(m_profile, *m_session, m_pMainWnd.get());
    m_view->setJournal(&journal_);
    WireOptionsCommand(*m_view, m_profile, *m_session);
    m_pMainWnd->setCentralWidget(m_view);
    m_pMainWnd->keepUsableMinimumSize();
    m_view->setFocus();

    m_doc.AttachView(m_view);
    connect(&m_doc, &CVexmoorDoc::TitleChanged, m_pMainWnd.get(), &CMainFrame::UpdateFrameTitle);
    connect(&m_doc, &CVexmoorDoc::AddedToRecentFiles, this, &CVexmoorApp::AddToRecentFiles);
    m_pMainWnd->SetCloseQuery([this] { return m_doc.SaveModified(); });
    m_pMainWnd->UpdateFrameTitle(m_doc.Title());
    m_pMainWnd->UpdateRecentFiles(m_recentFiles);
    WireCommands();
    return true;
}

void CVexmoorApp::WireCommands()
{
    const auto on = [this](int id, auto handler) {
        connect(m_actions->Action(id), &QAction::triggered, this, handler);
    };
    on(res::ID_APP_ABOUT, &CVexmoorApp::OnAppAbout);
    on(res::ID_APP_EXIT, &CVexmoorApp::OnAppExit);
    on(res::ID_FILE_NEW, &CVexmoorApp::OnFileNew);
    on(res::ID_FILE_OPEN, &CVexmoorApp::OnFileOpen);
    on(res::ID_FILE_PRINT_SETUP, &CVexmoorApp::OnFilePrintSetup);
    on(res::ID_FILE_PRINT, &CVexmoorApp::OnFilePrint);
    on(res::ID_FILE_PRINT_DIRECT, &CVexmoorApp::OnFilePrintDirect);
    on(res::ID_FILE_PRINT_PREVIEW, &CVexmoorApp::OnFilePrintPreview);
    for (int index = 0; index < m_recentFiles.MaximumSize(); ++index)
        on(res::ID_FILE_MRU_FILE1 + index, [this, index] { OnOpenRecentFile(index); });

    connect(m_actions->Action(res::ID_FILE_SAVE), &QAction::triggered, &m_doc,
            &CVexmoorDoc::OnFileSave);
    connect(m_actions->Action(res::ID_FILE_SAVE_AS), &QAction::triggered, &m_doc,
            &CVexmoorDoc::OnFileSaveAs);

    WireEditCommands();
    wireTraceCommands();
    wireFindCommands();
}

void CVexmoorApp::wireTraceCommands()
{
    // The Trace menu and the toolbar carry the same actions.
    const auto onView = [this](int id, auto slot) {
        connect(m_actions->Action(id), &QAction::triggered, m_view, slot);
    };
    onView(res::ID_START, &CVexmoorView::OnStart);
    onView(res::ID_STOP, &CVexmoorView::OnStop);
    onView(res::ID_OPTIONS, &CVexmoorView::OnOptions);
    onView(res::ID_PURGE_PIPE, &CVexmoorView::OnPurgePipe);
    connect(m_view, &CVexmoorView::traceStateChanged, this, &CVexmoorApp::updateTraceState);
    connect(m_actions->Action(res::ID_FILE_OPEN_JOURNAL_FOLDER), &QAction::triggered, this,
            &CVexmoorApp::onOpenJournalFolder);

    CVexmoorView* view = m_view;
    const auto toggle = [this](int id, bool checked, auto apply) {
        QAction* action = m_actions->Action(id);
        action->setChecked(checked);
        connect(action, &QAction::toggled, m_view, apply);
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
    if (!m_view || !m_pMainWnd || !m_actions)
        return;
    const bool tracing = m_view->isTracing();
    m_actions->Action(res::ID_START)->setChecked(tracing);
    m_actions->Action(res::ID_STOP)->setEnabled(tracing);

    vexmoor::trace::TraceState state;
    state.user = m_session->userName();
    state.connect = m_session->connectString();
    state.pipeName = m_view->Settings().m_strPipeName;
    state.timerFrequency = m_view->Settings().m_nTimerFrequency;
    state.tracing = tracing;
    state.started = m_view->hasStarted();
    state.messagesSinceStart = m_view->messagesSinceStart();
    state.journalFailure = journalFailure_;
    m_pMainWnd->statePane()->setText(
        QString::fromStdString(vexmoor::trace::composeTraceStateText(state)));
}

void CVexmoorApp::showInMessagePane(const QString& text)
{
    if (m_pMainWnd && m_pMainWnd->MessagePane())
        m_pMainWnd->MessagePane()->setText(text);
}

void CVexmoorApp::onOpenJournalFolder()
{
    const std::filesystem::path folder =
        journal_.path().empty() ? vexmoor::trace::journalFolder() : journal_.path().parent_path();
    const QString path = QString::fromStdString(folder.string());
    QDir().mkpath(path);
    ui::DesktopShell& shell = desktopShell_ ? *desktopShell_ : ui::SystemShell();
    if (folder.empty() || shell.OpenWithShell(path) <= 32)
        showInMessagePane(QStringLiteral("Could not open the journal folder %1.")
                              .arg(QDir::toNativeSeparators(path)));
}

void CVexmoorApp::wireFindCommands()
{
    vexmoor::ui::FindBar* bar = m_pMainWnd->findBar();
    connect(m_actions->Action(res::ID_EDIT_FIND), &QAction::triggered, this, &CVexmoorApp::onFind);
    connect(m_actions->Action(res::ID_EDIT_FIND_NEXT), &QAction::triggered, this,
            [this] { onFindAgain(false); });
    connect(m_actions->Action(res::ID_EDIT_FIND_PREVIOUS), &QAction::triggered, this,
            [this] { onFindAgain(true); });
    connect(bar, &vexmoor::ui::FindBar::findRequested, this, &CVexmoorApp::onFindAgain);
    connect(bar, &vexmoor::ui::FindBar::criteriaChanged, this,
            [this, bar] { m_view->highlightMatches(bar->text(), bar->matchCase()); });
    connect(bar, &vexmoor::ui::FindBar::closeRequested, this,
            [this] { m_view->highlightMatches(QString(), false); });
}

void CVexmoorApp::onFind()
{
    // A selection within one line is what the user wants to find.
    const QString selected = m_view->textCursor().selectedText();
    vexmoor::ui::FindBar* bar = m_pMainWnd->findBar();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        bar->setText(selected);
    m_pMainWnd->showFindBar();
    m_view->highlightMatches(bar->text(), bar->matchCase());
}

void CVexmoorApp::onFindAgain(bool backward)
{
    vexmoor::ui::FindBar* bar = m_pMainWnd->findBar();
    if (bar->text().isEmpty()) {
        onFind();
        return;
    }
    bar->showFound(m_view->findText(bar->text(), {bar->matchCase(), bar->wrap(), backward}));
}

void CVexmoorApp::WireEditCommands()
{
    CVexmoorView* view = m_view;
    const auto on = [this](int id, auto handler) {
        connect(m_actions->Action(id), &QAction::triggered, m_view, handler);
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

    connect(view, &QPlainTextEdit::copyAvailable, this, &CVexmoorApp::UpdateEditCommands);
    connect(view, &QPlainTextEdit::undoAvailable, this, &CVexmoorApp::UpdateEditCommands);
    connect(view, &QPlainTextEdit::selectionChanged, this, &CVexmoorApp::UpdateEditCommands);
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &CVexmoorApp::UpdateEditCommands);
    UpdateEditCommands();
}

void CVexmoorApp::UpdateEditCommands()
{
    if (!m_view || !m_actions)
        return;
    const bool editable = !m_view->isReadOnly();
    const bool selection = m_view->textCursor().hasSelection();
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const bool clipboardHasText = clipboard && !clipboard->text().isEmpty();
    m_actions->Action(res::ID_EDIT_UNDO)
        ->setEnabled(editable && m_view->document()->isUndoAvailable());
    m_actions->Action(res::ID_EDIT_CUT)->setEnabled(editable && selection);
    m_actions->Action(res::ID_EDIT_COPY)->setEnabled(selection);
    m_actions->Action(res::ID_EDIT_PASTE)->setEnabled(editable && clipboardHasText);
}

bool CVexmoorApp::ProcessShellCommand(const CommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CommandLineInfo::FileNew:
        return m_doc.OnNewDocument();
    case CommandLineInfo::FileOpen:
        if (OpenDocumentFile(info.m_strFileName) == OpenResult::Opened)
            return true;
        m_nExitCode = 1;
        return false;
    case CommandLineInfo::FilePrint:
    case CommandLineInfo::FilePrintTo:
        // Print switches print and end the program without showing the window.
        if (!PrintFromCommandLine(info))
            m_nExitCode = 1;
        return false;
    }
    return false;
}

bool CVexmoorApp::PrintFromCommandLine(const CommandLineInfo& info)
{
    if (info.m_strFileName.isEmpty() || OpenDocumentFile(info.m_strFileName) != OpenResult::Opened)
        return false;
    QPrinter& printer = Printer();
    // The driver and port of "/pt FILE PRINTER DRIVER PORT" name nothing here:
    // the printer's name is enough to find it. A printer that is not there
    // fails the print rather than printing elsewhere.
    bool started = true;
    if (info.m_nShellCommand == CommandLineInfo::FilePrintTo) {
        started = m_printers->Select(printer, info.m_strPrinterName);
        if (started)
            m_strChosenPrinter = info.m_strPrinterName;
    }
    if (started && m_printerHook)
        m_printerHook(printer);
    if (!started || !PrintLog(*m_view, printer, m_doc.Title())) {
        VexmoorMessageBox(nullptr, res::LoadString(res::AFX_IDP_FAILED_TO_START_PRINT));
        return false;
    }
    return true;
}

QPrinter& CVexmoorApp::Printer()
{
    // Made on first use: asking the system for its printers can take a moment.
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The system's QPrinter starts on its default printer already; a
        // list put in by a test names its own.
        const QString defaultName = m_printers->DefaultName();
        if (!defaultName.isEmpty() && m_printer->printerName() != defaultName)
            m_printers->Select(*m_printer, defaultName);
    }
    return *m_printer;
}

CVexmoorApp::OpenResult CVexmoorApp::OpenDocumentFile(const QString& path)
{
    if (!m_doc.SaveModified())
        return OpenResult::Cancelled;
    return m_doc.OnOpenDocument(path) ? OpenResult::Opened : OpenResult::Failed;
}

void CVexmoorApp::AddToRecentFiles(const QString& path)
{
    m_recentFiles.Add(path);
    if (m_pMainWnd)
        m_pMainWnd->UpdateRecentFiles(m_recentFiles);
}

QWidget* CVexmoorApp::MessageParent() const
{
    return m_pMainWnd.get();
}

void CVexmoorApp::OnAppAbout()
{
    ShowAboutVexmoor(MessageParent());
}

void CVexmoorApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->close();
}

void CVexmoorApp::OnFileNew()
{
    if (m_doc.SaveModified())
        m_doc.OnNewDocument();
}

void CVexmoorApp::OnFileOpen()
{
    const QString path = m_doc.PromptFileName(false, QString());
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CVexmoorApp::OnFilePrintSetup()
{
    SetUpPrinter(Printer(), *m_printers, m_strChosenPrinter, MessageParent());
}

void CVexmoorApp::OnFilePrint()
{
    if (m_view)
        PrintLogWithDialog(*m_view, Printer(), m_doc.Title(), MessageParent());
}

void CVexmoorApp::OnFilePrintDirect()
{
    if (m_view && !PrintLog(*m_view, Printer(), m_doc.Title()))
        VexmoorMessageBox(MessageParent(), res::LoadString(res::AFX_IDP_FAILED_TO_START_PRINT));
}

void CVexmoorApp::OnFilePrintPreview()
{
    if (m_view)
        PreviewLog(*m_view, Printer(), m_doc.Title(), MessageParent(), m_nNumPreviewPages);
}

void CVexmoorApp::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= m_recentFiles.Size())
        return;
    const QString path = m_recentFiles.Entries().at(index);
    // An entry that no longer opens leaves the list, as the framework does;
    // one whose opening the user cancelled stays.
    if (OpenDocumentFile(path) == OpenResult::Failed) {
        m_recentFiles.Remove(index);
        if (m_pMainWnd)
            m_pMainWnd->UpdateRecentFiles(m_recentFiles);
    }
}

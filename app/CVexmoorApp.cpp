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

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QPrinter>
#include <QScreen>

CVexmoorApp::CVexmoorApp(Profile& profile, LogonStep logon, QObject* parent)
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
    if (g_pSession == session_.get())
        g_pSession = nullptr;
    // No log-off: the connection ends with the process.
    session_.reset();
    if (fatalHandlerInstalled_) {
        setFatalErrorHandler(std::move(previousFatalHandler_));
        fatalHandlerInstalled_ = false;
    }
}

CVexmoorApp::LogonStep CVexmoorApp::defaultLogonStep()
{
    return [](OciSession* session, Profile& profile) { return RunConnectDialog(session, profile); };
}

bool CVexmoorApp::InitInstance(const QStringList& arguments)
{
    // The profile (QSettings "Orrindale"/"Vexmoor") was chosen by whoever
    // made this object; here the framework's standard settings come from it.
    recentFiles_.readList();
    numPreviewPages_ = profile_.getProfileInt(kSettingsSection, kPreviewPagesEntry, 0);

    // The one session of the process: made before the logon dialog, which
    // logs it on, and kept until ExitInstance.
    session_ = std::make_unique<OciSession>();
    g_pSession = session_.get();
    installFatalErrorHandler();

    const CommandLineInfo commandLine = parseCommandLine(arguments);

    // The logon comes before any window: Cancel ends the program here.
    if (!logon_ || logon_(g_pSession, profile_) != 1)
        return false;

    if (!createMainWindow())
        return false;
    if (!processShellCommand(commandLine))
        return false;
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
    FatalErrorHandler previous = setFatalErrorHandler(makeFatalErrorHandler(source, parent));
    if (!fatalHandlerInstalled_) {
        previousFatalHandler_ = std::move(previous);
        fatalHandlerInstalled_ = true;
    }
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
    view_ = new CVexmoorView(profile_, *session_, mainWnd_.get());
    wireOptionsCommand(*view_, profile_, *session_);
    mainWnd_->setCentralWidget(view_);
    view_->setFocus();

    doc_.attachView(view_);
    connect(&doc_, &CVexmoorDoc::TitleChanged, mainWnd_.get(), &CMainFrame::updateFrameTitle);
    connect(&doc_, &CVexmoorDoc::addedToRecentFiles, this, &CVexmoorApp::addToRecentFiles);
    mainWnd_->setCloseQuery([this] { return doc_.saveModified(); });
    mainWnd_->updateFrameTitle(doc_.Title());
    mainWnd_->updateRecentFiles(recentFiles_);
    wireCommands();
    return true;
}

void CVexmoorApp::wireCommands()
{
    const auto on = [this](int id, auto handler) {
        connect(actions_->Action(id), &QAction::triggered, this, handler);
    };
    on(res::ID_APP_ABOUT, &CVexmoorApp::OnAppAbout);
    on(res::ID_APP_EXIT, &CVexmoorApp::OnAppExit);
    on(res::ID_FILE_NEW, &CVexmoorApp::OnFileNew);
    on(res::ID_FILE_OPEN, &CVexmoorApp::OnFileOpen);
    on(res::ID_FILE_PRINT_SETUP, &CVexmoorApp::OnFilePrintSetup);
    on(res::ID_FILE_PRINT, &CVexmoorApp::OnFilePrint);
    on(res::ID_FILE_PRINT_DIRECT, &CVexmoorApp::OnFilePrintDirect);
    on(res::ID_FILE_PRINT_PREVIEW, &CVexmoorApp::OnFilePrintPreview);
    for (int index = 0; index < recentFiles_.MaximumSize(); ++index)
        on(res::ID_FILE_MRU_FILE1 + index, [this, index] { OnOpenRecentFile(index); });

    connect(actions_->Action(res::ID_FILE_SAVE), &QAction::triggered, &doc_,
            &CVexmoorDoc::OnFileSave);
    connect(actions_->Action(res::ID_FILE_SAVE_AS), &QAction::triggered, &doc_,
            &CVexmoorDoc::OnFileSaveAs);

    connect(actions_->Action(res::ID_START), &QAction::triggered, view_, &CVexmoorView::OnStart);
    connect(actions_->Action(res::ID_OPTIONS), &QAction::triggered, view_,
            &CVexmoorView::OnOptions);
    connect(actions_->Action(res::ID_PURGE_PIPE), &QAction::triggered, view_,
            &CVexmoorView::OnPurgePipe);
    wireEditCommands();
}

void CVexmoorApp::wireEditCommands()
{
    CVexmoorView* view = view_;
    const auto on = [this](int id, auto handler) {
        connect(actions_->Action(id), &QAction::triggered, view_, handler);
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
    actions_->Action(res::ID_EDIT_UNDO)
        ->setEnabled(editable && view_->document()->isUndoAvailable());
    actions_->Action(res::ID_EDIT_CUT)->setEnabled(editable && selection);
    actions_->Action(res::ID_EDIT_COPY)->setEnabled(selection);
    actions_->Action(res::ID_EDIT_PASTE)->setEnabled(editable && clipboardHasText);
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
        started = printers_->Select(printer, info.printerName_);
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
        const QString defaultName = printers_->DefaultName();
        if (!defaultName.isEmpty() && printer_->printerName() != defaultName)
            printers_->Select(*printer_, defaultName);
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
    recentFiles_.Add(path);
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
    if (index < 0 || index >= recentFiles_.Size())
        return;
    const QString path = recentFiles_.entries().at(index);
    // An entry that no longer opens leaves the list, as the framework does;
    // one whose opening the user cancelled stays.
    if (openDocumentFile(path) == OpenResult::Failed) {
        recentFiles_.Remove(index);
        if (mainWnd_)
            mainWnd_->updateRecentFiles(recentFiles_);
    }
}

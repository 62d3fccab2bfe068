#pragma once

#include "CVexmoorDoc.h"
#include "CommandLineInfo.h"
#include "PrinterList.h"
#include "RecentFileList.h"
#include "db/ErrorReport.h"
#include "trace/Journal.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;

namespace vexmoor::base {
class Profile;
}

namespace vexmoor::db {
class DatabaseSession;
class OciSession;
} // namespace vexmoor::db

namespace vexmoor::trace {
class CVexmoorView;
class PipeChannel;
} // namespace vexmoor::trace

namespace vexmoor::ui {
class DesktopShell;
}

namespace vexmoor::app {

class ActionRegistry;
class CMainFrame;


// The application object: start-up and shutdown of the single-document
// program, and the commands that belong to the application (About, New, Open,
// Print Setup, the recent files, Exit) and to printing.
class CVexmoorApp : public QObject {
    Q_OBJECT

public:
    // Logs the session on (g_pSession, or PostgreSQL by the connect string);
    // 1 after a successful logon, anything else ends start-up. The program
    // runs the logon dialog; tests log on directly.
    using LogonStep = std::function<int(db::DatabaseSession* session, base::Profile& profile)>;
    // Called on the printer before the /p and /pt switches print (tests send
    // the output to a file).
    using PrinterHook = std::function<void(QPrinter& printer)>;

    enum class OpenResult { Opened, Cancelled, Failed };

    static constexpr const char* kSettingsSection = "Settings";
    static constexpr const char* kPreviewPagesEntry = "PreviewPages";
    // Where a fatal report notes, for the next start, the recovery file and
    // the journal of the run it ended.
    static constexpr const char* kFatalReportSection = "Fatal Report";
    static constexpr const char* kFatalReportPendingEntry = "Pending";
    static constexpr const char* kFatalReportRecoveryFileEntry = "Recovery File";
    static constexpr const char* kFatalReportJournalEntry = "Journal";

    explicit CVexmoorApp(base::Profile& profile, LogonStep logon = defaultLogonStep(),
                         QObject* parent = nullptr);
    ~CVexmoorApp() override;
    CVexmoorApp(const CVexmoorApp&) = delete;
    CVexmoorApp& operator=(const CVexmoorApp&) = delete;

    // Start-up, in order: recent files and print-preview settings from the
    // profile, the session (g_pSession), the command line, the logon, then
    // frame, document and view, and the main window shown. False ends the
    // program: the logon was cancelled, the window could not be made, the
    // file named could not be opened, or a print switch has done its work.
    bool InitInstance(const QStringList& arguments);
    // Shutdown: the frame and view go, then the session (without a log-off),
    // then the recent-file list is written. Returns the exit code.
    int ExitInstance(int exitCode = 0);

    CMainFrame* mainFrame() const { return mainWnd_.get(); }
    trace::CVexmoorView* View() const { return view_; }
    CVexmoorDoc& Document() { return doc_; }
    RecentFileList& recentFiles() { return recentFiles_; }
    ActionRegistry* Actions() const { return actions_.get(); }
    QPrinter& Printer();
    int PreviewPages() const { return numPreviewPages_; }

    void setPrinterHook(PrinterHook hook) { printerHook_ = std::move(hook); }
    // The printers Print Setup offers and /pt names; the system's unless a
    // test puts others in (before the printer is first used).
    void usePrinters(std::unique_ptr<PrinterList> printers) { printers_ = std::move(printers); }
    // The printer chosen in Print Setup or by /pt; empty for the default.
    const QString& chosenPrinter() const { return chosenPrinter_; }

    // This run's journal of received trace lines.
    const trace::Journal& journal() const { return journal_; }
    // The desktop that File > Open Journal Folder asks (tests put in their own).
    void setDesktopShell(ui::DesktopShell& shell) { desktopShell_ = &shell; }

    // Opens a log after asking to save a modified one.
    OpenResult openDocumentFile(const QString& path);

    static LogonStep defaultLogonStep();

public slots:
    void OnAppAbout();
    void OnAppExit();
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    void OnOpenRecentFile(int index);
    void onOpenJournalFolder();
    void onFind();
    void onFindAgain(bool backward);

private:
    // Closes the window, then ends the session and gives the fatal-error
    // handler back; ExitInstance and the destructor alike.
    void TearDown();
    void installFatalErrorHandler();
    bool createMainWindow();
    void wireCommands();
    void wireEditCommands();
    void wireTraceCommands();
    void wireFindCommands();
    void startRunJournal();
    void noteFatalReport(const struct RecoveryOutcome& recovery);
    void updateTraceState();
    void showInMessagePane(const QString& text);
    void updateEditCommands();
    bool processShellCommand(const CommandLineInfo& info);
    bool printFromCommandLine(const CommandLineInfo& info);
    void addToRecentFiles(const QString& path);
    QWidget* messageParent() const;

    base::Profile& profile_;
    LogonStep logon_;
    RecentFileList recentFiles_;
    int numPreviewPages_ = 0;
    int exitCode_ = 0;

    std::unique_ptr<db::OciSession> session_;
    std::unique_ptr<db::DatabaseSession> database_; // the logon, on session_ or PostgreSQL
    std::unique_ptr<trace::PipeChannel> channel_;   // the pipe of the database logged on to
    CVexmoorDoc doc_;
    std::unique_ptr<CMainFrame> mainWnd_;
    std::unique_ptr<ActionRegistry> actions_;
    trace::CVexmoorView* view_ = nullptr; // owned by the frame
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<PrinterList> printers_ = std::make_unique<PrinterList>();
    QString chosenPrinter_;
    PrinterHook printerHook_;

    trace::Journal journal_;
    std::string journalFailure_;
    QString afterFatalReportText_;
    ui::DesktopShell* desktopShell_ = nullptr;

    db::FatalErrorHandler previousFatalHandler_;
    bool fatalHandlerInstalled_ = false;
};

} // namespace vexmoor::app

#include "AppTestSupport.h"

#include "app/ActionRegistry.h"
#include "app/CMainFrame.h"
#include "app/CommandLineInfo.h"
#include "app/RecentFileList.h"
#include "db/DatabaseSession.h"
#include "trace/CVexmoorView.h"

#include <QPrinter>

namespace vexmoor::app {

namespace {

bool AnyTopLevelWindowVisible()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            return true;
    return false;
}

TEST_F(AppTest, CancelAtLogonShowsNoWindowAndStillDeletesTheSession)
{
    db::DatabaseSession* sessionAtLogon = nullptr;
    bool windowDuringLogon = true;
    app_ =
        std::make_unique<CVexmoorApp>(profile_, [&](db::DatabaseSession* session, base::Profile&) {
            sessionAtLogon = session;
            windowDuringLogon = AnyTopLevelWindowVisible() || app_->mainFrame() != nullptr;
            return 0; // Cancel
        });

    EXPECT_FALSE(app_->InitInstance({}));
    EXPECT_NE(sessionAtLogon, nullptr);
    EXPECT_EQ(&sessionAtLogon->oci(), db::g_pSession);
    EXPECT_FALSE(windowDuringLogon);
    EXPECT_EQ(app_->mainFrame(), nullptr);
    EXPECT_FALSE(AnyTopLevelWindowVisible());

    EXPECT_EQ(app_->ExitInstance(), 0);
    EXPECT_EQ(db::g_pSession, nullptr);
}

TEST_F(AppTest, LogonComesBeforeTheWindowWhichThenShowsAnUntitledLog)
{
    bool windowDuringLogon = true;
    const auto logOn = LogOnToTemporaryDatabase();
    app_ = std::make_unique<CVexmoorApp>(
        profile_, [&](db::DatabaseSession* session, base::Profile& profile) {
            windowDuringLogon = app_->mainFrame() != nullptr || AnyTopLevelWindowVisible();
            return logOn(session, profile);
        });
    ASSERT_TRUE(app_->InitInstance({}));
    EXPECT_FALSE(windowDuringLogon);
    ASSERT_NE(app_->mainFrame(), nullptr);
    EXPECT_TRUE(app_->mainFrame()->isVisible());
    EXPECT_EQ(app_->mainFrame()->windowTitle(),
              QStringLiteral("Untitled - Vexmoor - The PL/SQL Tracing facility"));
    EXPECT_TRUE(db::g_pSession->isLoggedOn());
    EXPECT_EQ(app_->View()->logText(), "");
    EXPECT_EQ(app_->View()->TimerId(), 0u) << "nothing polls before Start";
}

TEST_F(AppTest, FileOnTheCommandLineOpensAfterTheLogon)
{
    const QString path = FilePath(QStringLiteral("earlier.log"));
    WriteFile(path, "first line\r\nsecond line\r\n");
    bool loggedOnFirst = false;
    const auto logOn = LogOnToTemporaryDatabase();
    app_ = std::make_unique<CVexmoorApp>(profile_,
                                         [&](db::DatabaseSession* session, base::Profile& profile) {
                                             loggedOnFirst = app_->View() == nullptr;
                                             return logOn(session, profile);
                                         });

    ASSERT_TRUE(app_->InitInstance({path}));
    EXPECT_TRUE(loggedOnFirst);
    EXPECT_EQ(app_->View()->logText(), "first line\r\nsecond line\r\n");
    EXPECT_EQ(app_->mainFrame()->windowTitle(),
              QStringLiteral("earlier.log - Vexmoor - The PL/SQL Tracing facility"));
    EXPECT_EQ(app_->recentFiles().entries().value(0), path);
}

TEST_F(AppTest, MissingFileOnTheCommandLineSaysSoAndEndsTheProgram)
{
    const QString path = FilePath(QStringLiteral("missing.log"));
    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    EXPECT_FALSE(Start({path}));
    EXPECT_TRUE(shown.startsWith(path + QStringLiteral("\nCannot find this file.")))
        << shown.toStdString();
    EXPECT_NE(app_->ExitInstance(), 0);
}

TEST_F(AppTest, PrintSwitchesPrintTheFileAndEnd)
{
    const QString log = FilePath(QStringLiteral("print.log"));
    WriteFile(log, "a line to print\r\n");
    for (const QString& printSwitch : {QStringLiteral("/p"), QStringLiteral("-p")}) {
        const QString pdf = FilePath(printSwitch.mid(0, 1) == "/" ? "slash.pdf" : "hyphen.pdf");
        app_ = std::make_unique<CVexmoorApp>(profile_, LogOnToTemporaryDatabase());
        app_->setPrinterHook([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        });
        EXPECT_FALSE(app_->InitInstance({printSwitch, log})) << "printing ends the program";
        EXPECT_FALSE(app_->mainFrame()->isVisible());
        EXPECT_EQ(app_->ExitInstance(), 0);
        app_.reset();
        EXPECT_TRUE(ReadFile(pdf).startsWith("%PDF")) << printSwitch.toStdString();
    }
}

TEST_F(AppTest, PrintToSwitchPrintsOnTheNamedPrinter)
{
    const QString log = FilePath(QStringLiteral("print.log"));
    WriteFile(log, "a line to print\r\n");
    const QStringList installed{"Default Jet", "Office Laser"};
    const auto printers = [&] { return std::make_unique<FakePrinters>(installed, folder_.path()); };
    const FakePrinters names(installed, folder_.path());

    app_ = std::make_unique<CVexmoorApp>(profile_, LogOnToTemporaryDatabase());
    app_->usePrinters(printers());
    EXPECT_FALSE(app_->InitInstance({QStringLiteral("/pt"), log, QStringLiteral("Office Laser"),
                                     QStringLiteral("driver"), QStringLiteral("port")}));
    EXPECT_EQ(app_->chosenPrinter(), QStringLiteral("Office Laser"));
    EXPECT_EQ(app_->ExitInstance(), 0);
    app_.reset();
    EXPECT_TRUE(PdfText(names.FileOf("Office Laser")).contains("a line to print"));
    EXPECT_FALSE(QFile::exists(names.FileOf("Default Jet"))) << "not the default printer";

    // A printer that is not there prints nowhere else, and says so.
    app_ = std::make_unique<CVexmoorApp>(profile_, LogOnToTemporaryDatabase());
    app_->usePrinters(printers());
    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    EXPECT_FALSE(app_->InitInstance({QStringLiteral("/pt"), log, QStringLiteral("Nowhere")}));
    EXPECT_EQ(shown, QStringLiteral("Could not start print job."));
    EXPECT_NE(app_->ExitInstance(), 0);
    EXPECT_FALSE(QFile::exists(names.FileOf("Default Jet")));
}

TEST(CommandLine, FollowsTheFrameworkRules)
{
    EXPECT_EQ(parseCommandLine({}).shellCommand_, CommandLineInfo::FileNew);

    const CommandLineInfo open = parseCommandLine({QStringLiteral("/home/me/trace.log")});
    EXPECT_EQ(open.shellCommand_, CommandLineInfo::FileOpen);
    EXPECT_EQ(open.fileName_, QStringLiteral("/home/me/trace.log"))
        << "an absolute path is no switch";

    const CommandLineInfo print = parseCommandLine({QStringLiteral("-p"), QStringLiteral("x.log")});
    EXPECT_EQ(print.shellCommand_, CommandLineInfo::FilePrint);
    EXPECT_EQ(print.fileName_, QStringLiteral("x.log"));

    const CommandLineInfo printTo =
        parseCommandLine({QStringLiteral("/pt"), QStringLiteral("x.log"), QStringLiteral("P"),
                          QStringLiteral("D"), QStringLiteral("O"), QStringLiteral("extra")});
    EXPECT_EQ(printTo.shellCommand_, CommandLineInfo::FilePrintTo);
    EXPECT_EQ(printTo.fileName_, QStringLiteral("x.log"));
    EXPECT_EQ(printTo.printerName_, QStringLiteral("P"));
    EXPECT_EQ(printTo.driverName_, QStringLiteral("D"));
    EXPECT_EQ(printTo.portName_, QStringLiteral("O"));

    const CommandLineInfo unknown =
        parseCommandLine({QStringLiteral("-dde"), QStringLiteral("y.log")});
    EXPECT_EQ(unknown.shellCommand_, CommandLineInfo::FileOpen) << "unknown switches are ignored";
}

TEST_F(AppTest, RecentFileListKeepsFourAndIsWrittenAtExit)
{
    profile_.writeProfileString("Recent File List", "File1", "/old/one.log");
    ASSERT_TRUE(Start());
    EXPECT_EQ(app_->recentFiles().entries(), QStringList{QStringLiteral("/old/one.log")});

    QStringList paths;
    for (int number = 1; number <= 5; ++number) {
        paths.append(FilePath(QStringLiteral("log%1.txt").arg(number)));
        WriteFile(paths.back(), "x");
        ASSERT_EQ(app_->openDocumentFile(paths.back()), CVexmoorApp::OpenResult::Opened);
    }
    // Opening an entry again moves it to the top instead of repeating it.
    ASSERT_EQ(app_->openDocumentFile(paths.at(2)), CVexmoorApp::OpenResult::Opened);

    const QStringList expected{paths.at(2), paths.at(4), paths.at(3), paths.at(1)};
    EXPECT_EQ(app_->recentFiles().entries(), expected);
    QAction* first = app_->Actions()->action(57616);
    EXPECT_EQ(first->text(), QStringLiteral("&1 ") + paths.at(2));

    app_->ExitInstance();
    app_.reset();
    for (int number = 1; number <= 4; ++number) {
        EXPECT_EQ(profile_.getProfileString("Recent File List", "File" + std::to_string(number)),
                  expected.at(number - 1).toStdString());
    }
}

TEST_F(AppTest, RecentFileThatNoLongerOpensLeavesTheList)
{
    const QString gone = FilePath(QStringLiteral("gone.log"));
    profile_.writeProfileString("Recent File List", "File1", gone.toStdString());
    ASSERT_TRUE(Start());
    WhenModal<QMessageBox>([](QMessageBox& box) { box.accept(); });
    app_->Actions()->action(57616)->trigger();
    EXPECT_TRUE(app_->recentFiles().entries().isEmpty());
    EXPECT_EQ(app_->Actions()->action(57616)->text(), QStringLiteral("Recent File"));
    EXPECT_FALSE(app_->Actions()->action(57616)->isEnabled());
}

} // namespace

} // namespace vexmoor::app

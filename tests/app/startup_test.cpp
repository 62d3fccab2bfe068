#include "AppTestSupport.h"

#include "app/ActionRegistry.h"
#include "app/CMainFrame.h"
#include "app/CommandLineInfo.h"
#include "app/RecentFileList.h"
#include "trace/CVexmoorView.h"

#include <QPrinter>

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
    OciSession* sessionAtLogon = nullptr;
    bool windowDuringLogon = true;
    m_app = std::make_unique<CVexmoorApp>(m_profile, [&](OciSession* session, Profile&) {
        sessionAtLogon = session;
        windowDuringLogon = AnyTopLevelWindowVisible() || m_app->MainFrame() != nullptr;
        return 0; // Cancel
    });

    EXPECT_FALSE(m_app->InitInstance({}));
    EXPECT_NE(sessionAtLogon, nullptr);
    EXPECT_EQ(sessionAtLogon, g_pSession);
    EXPECT_FALSE(windowDuringLogon);
    EXPECT_EQ(m_app->MainFrame(), nullptr);
    EXPECT_FALSE(AnyTopLevelWindowVisible());

    EXPECT_EQ(m_app->ExitInstance(), 0);
    EXPECT_EQ(g_pSession, nullptr);
}

TEST_F(AppTest, LogonComesBeforeTheWindowWhichThenShowsAnUntitledLog)
{
    bool windowDuringLogon = true;
    const auto logOn = LogOnToTemporaryDatabase();
    m_app = std::make_unique<CVexmoorApp>(m_profile, [&](OciSession* session, Profile& profile) {
        windowDuringLogon = m_app->MainFrame() != nullptr || AnyTopLevelWindowVisible();
        return logOn(session, profile);
    });
    ASSERT_TRUE(m_app->InitInstance({}));
    EXPECT_FALSE(windowDuringLogon);
    ASSERT_NE(m_app->MainFrame(), nullptr);
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    EXPECT_EQ(m_app->MainFrame()->windowTitle(),
              QStringLiteral("Untitled - Vexmoor - The PL/SQL Tracing facility"));
    EXPECT_TRUE(g_pSession->IsLoggedOn());
    EXPECT_EQ(m_app->View()->LogText(), "");
    EXPECT_EQ(m_app->View()->TimerId(), 0u) << "nothing polls before Start";
}

TEST_F(AppTest, FileOnTheCommandLineOpensAfterTheLogon)
{
    const QString path = FilePath(QStringLiteral("earlier.log"));
    WriteFile(path, "first line\r\nsecond line\r\n");
    bool loggedOnFirst = false;
    const auto logOn = LogOnToTemporaryDatabase();
    m_app = std::make_unique<CVexmoorApp>(m_profile, [&](OciSession* session, Profile& profile) {
        loggedOnFirst = m_app->View() == nullptr;
        return logOn(session, profile);
    });

    ASSERT_TRUE(m_app->InitInstance({path}));
    EXPECT_TRUE(loggedOnFirst);
    EXPECT_EQ(m_app->View()->LogText(), "first line\r\nsecond line\r\n");
    EXPECT_EQ(m_app->MainFrame()->windowTitle(),
              QStringLiteral("earlier.log - Vexmoor - The PL/SQL Tracing facility"));
    EXPECT_EQ(m_app->RecentFiles().Entries().value(0), path);
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
    EXPECT_NE(m_app->ExitInstance(), 0);
}

TEST_F(AppTest, PrintSwitchesPrintTheFileAndEnd)
{
    const QString log = FilePath(QStringLiteral("print.log"));
    WriteFile(log, "a line to print\r\n");
    for (const QString& printSwitch : {QStringLiteral("/p"), QStringLiteral("-p")}) {
        const QString pdf = FilePath(printSwitch.mid(0, 1) == "/" ? "slash.pdf" : "hyphen.pdf");
        m_app = std::make_unique<CVexmoorApp>(m_profile, LogOnToTemporaryDatabase());
        m_app->SetPrinterHook([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        });
        EXPECT_FALSE(m_app->InitInstance({printSwitch, log})) << "printing ends the program";
        EXPECT_FALSE(m_app->MainFrame()->isVisible());
        EXPECT_EQ(m_app->ExitInstance(), 0);
        m_app.reset();
        EXPECT_TRUE(ReadFile(pdf).startsWith("%PDF")) << printSwitch.toStdString();
    }
}

TEST_F(AppTest, PrintToSwitchPrintsOnTheNamedPrinter)
{
    const QString log = FilePath(QStringLiteral("print.log"));
    WriteFile(log, "a line to print\r\n");
    const QStringList installed{"Default Jet", "Office Laser"};
    const auto printers = [&] {
        return std::make_unique<FakePrinters>(installed, m_folder.path());
    };
    const FakePrinters names(installed, m_folder.path());

    m_app = std::make_unique<CVexmoorApp>(m_profile, LogOnToTemporaryDatabase());
    m_app->UsePrinters(printers());
    EXPECT_FALSE(m_app->InitInstance({QStringLiteral("/pt"), log, QStringLiteral("Office Laser"),
                                      QStringLiteral("driver"), QStringLiteral("port")}));
    EXPECT_EQ(m_app->ChosenPrinter(), QStringLiteral("Office Laser"));
    EXPECT_EQ(m_app->ExitInstance(), 0);
    m_app.reset();
    EXPECT_TRUE(PdfText(names.FileOf("Office Laser")).contains("a line to print"));
    EXPECT_FALSE(QFile::exists(names.FileOf("Default Jet"))) << "not the default printer";

    // A printer that is not there prints nowhere else, and says so.
    m_app = std::make_unique<CVexmoorApp>(m_profile, LogOnToTemporaryDatabase());
    m_app->UsePrinters(printers());
    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    EXPECT_FALSE(m_app->InitInstance({QStringLiteral("/pt"), log, QStringLiteral("Nowhere")}));
    EXPECT_EQ(shown, QStringLiteral("Could not start print job."));
    EXPECT_NE(m_app->ExitInstance(), 0);
    EXPECT_FALSE(QFile::exists(names.FileOf("Default Jet")));
}

TEST(CommandLine, FollowsTheFrameworkRules)
{
    EXPECT_EQ(ParseCommandLine({}).m_nShellCommand, CommandLineInfo::FileNew);

    const CommandLineInfo open = ParseCommandLine({QStringLiteral("/home/me/trace.log")});
    EXPECT_EQ(open.m_nShellCommand, CommandLineInfo::FileOpen);
    EXPECT_EQ(open.m_strFileName, QStringLiteral("/home/me/trace.log"))
        << "an absolute path is no switch";

    const CommandLineInfo print = ParseCommandLine({QStringLiteral("-p"), QStringLiteral("x.log")});
    EXPECT_EQ(print.m_nShellCommand, CommandLineInfo::FilePrint);
    EXPECT_EQ(print.m_strFileName, QStringLiteral("x.log"));

    const CommandLineInfo printTo =
        ParseCommandLine({QStringLiteral("/pt"), QStringLiteral("x.log"), QStringLiteral("P"),
                          QStringLiteral("D"), QStringLiteral("O"), QStringLiteral("extra")});
    EXPECT_EQ(printTo.m_nShellCommand, CommandLineInfo::FilePrintTo);
    EXPECT_EQ(printTo.m_strFileName, QStringLiteral("x.log"));
    EXPECT_EQ(printTo.m_strPrinterName, QStringLiteral("P"));
    EXPECT_EQ(printTo.m_strDriverName, QStringLiteral("D"));
    EXPECT_EQ(printTo.m_strPortName, QStringLiteral("O"));

    const CommandLineInfo unknown =
        ParseCommandLine({QStringLiteral("-dde"), QStringLiteral("y.log")});
    EXPECT_EQ(unknown.m_nShellCommand, CommandLineInfo::FileOpen) << "unknown switches are ignored";
}

TEST_F(AppTest, RecentFileListKeepsFourAndIsWrittenAtExit)
{
    m_profile.WriteProfileString("Recent File List", "File1", "/old/one.log");
    ASSERT_TRUE(Start());
    EXPECT_EQ(m_app->RecentFiles().Entries(), QStringList{QStringLiteral("/old/one.log")});

    QStringList paths;
    for (int number = 1; number <= 5; ++number) {
        paths.append(FilePath(QStringLiteral("log%1.txt").arg(number)));
        WriteFile(paths.back(), "x");
        ASSERT_EQ(m_app->OpenDocumentFile(paths.back()), CVexmoorApp::OpenResult::Opened);
    }
    // Opening an entry again moves it to the top instead of repeating it.
    ASSERT_EQ(m_app->OpenDocumentFile(paths.at(2)), CVexmoorApp::OpenResult::Opened);

    const QStringList expected{paths.at(2), paths.at(4), paths.at(3), paths.at(1)};
    EXPECT_EQ(m_app->RecentFiles().Entries(), expected);
    QAction* first = m_app->Actions()->Action(57616);
    EXPECT_EQ(first->text(), QStringLiteral("&1 ") + paths.at(2));

    m_app->ExitInstance();
    m_app.reset();
    for (int number = 1; number <= 4; ++number) {
        EXPECT_EQ(m_profile.GetProfileString("Recent File List", "File" + std::to_string(number)),
                  expected.at(number - 1).toStdString());
    }
}

TEST_F(AppTest, RecentFileThatNoLongerOpensLeavesTheList)
{
    const QString gone = FilePath(QStringLiteral("gone.log"));
    m_profile.WriteProfileString("Recent File List", "File1", gone.toStdString());
    ASSERT_TRUE(Start());
    WhenModal<QMessageBox>([](QMessageBox& box) { box.accept(); });
    m_app->Actions()->Action(57616)->trigger();
    EXPECT_TRUE(m_app->RecentFiles().Entries().isEmpty());
    EXPECT_EQ(m_app->Actions()->Action(57616)->text(), QStringLiteral("Recent File"));
    EXPECT_FALSE(m_app->Actions()->Action(57616)->isEnabled());
}

} // namespace

// A day of tracing: Stop and Start, the state pane, the journal across New,
// Exit and a fatal report, receipt time, Find, and Follow New Lines.

#include "AppTestSupport.h"

#include "app/ActionRegistry.h"
#include "app/CVexmoorDoc.h"
#include "app/FatalErrorBox.h"
#include "db/CConnectDlg.h"
#include "db/ErrorReport.h"
#include "options/ProcedureInstaller.h"
#include "res/CommandIds.h"
#include "trace/CVexmoorView.h"
#include "trace/Journal.h"
#include "ui/DesktopShell.h"
#include "ui/FindBar.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>

namespace vexmoor::app {

namespace {

constexpr const char* kJournalLine = R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d )";

class TracingConsole : public AppTest {
protected:
    void SetUp() override
    {
        journalHome_ = folder_.filePath(QStringLiteral("state"));
        qputenv("XDG_STATE_HOME", journalHome_.toLocal8Bit());
        profile_.writeProfileInt("Options", "Timer Frequency", 1);
    }

    QAction* action(int id) const { return app_->Actions()->action(id); }
    trace::CVexmoorView& view() const { return *app_->View(); }
    QString statePane() const { return app_->mainFrame()->statePane()->text(); }
    bool logHas(const std::string& text) const
    {
        return view().logText().find(text) != std::string::npos;
    }
    std::filesystem::path journalFolder() const
    {
        return std::filesystem::path(journalHome_.toStdString()) / "Orrindale/Vexmoor/journal";
    }
    QString journalText(const std::filesystem::path& file) const
    {
        return QString::fromUtf8(ReadFile(QString::fromStdString(file.string())));
    }

    QString journalHome_;
};

TEST_F(TracingConsole, StopEndsPollingUntilStartAndMenuToolbarAndKeysShareTheCommands)
{
    ASSERT_TRUE(Start());
    EXPECT_FALSE(action(res::ID_STOP)->isEnabled()) << "stopped before the first Start";

    // Start from the toolbar's button, Stop from the Trace menu, Start by F5.
    auto* startButton = qobject_cast<QToolButton*>(
        app_->mainFrame()->ToolBar()->widgetForAction(action(res::ID_START)));
    ASSERT_NE(startButton, nullptr);
    startButton->click();
    EXPECT_TRUE(view().isTracing());
    EXPECT_TRUE(action(res::ID_START)->isChecked());
    EXPECT_TRUE(action(res::ID_STOP)->isEnabled());
    SendMessage("while tracing");
    EXPECT_TRUE(WaitFor([&] { return logHas("while tracing"); }));

    QMenu* traceMenu = app_->mainFrame()->Menu(3);
    ASSERT_TRUE(traceMenu->actions().contains(action(res::ID_STOP)));
    action(res::ID_STOP)->trigger();
    EXPECT_FALSE(view().isTracing());
    EXPECT_FALSE(action(res::ID_START)->isChecked());
    EXPECT_FALSE(action(res::ID_STOP)->isEnabled());
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(&view()).isEmpty());

    SendMessage("after stop");
    QTest::qWait(2500); // more than two ticks of the 1 s timer, had it still run
    EXPECT_FALSE(logHas("after stop"));

    QApplication::setActiveWindow(app_->mainFrame());
    QTest::keyClick(&view(), Qt::Key_F5);
    EXPECT_TRUE(logHas("after stop")) << "Start polls at once";
    EXPECT_TRUE(view().isTracing());
    QTest::keyClick(&view(), Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_FALSE(view().isTracing());
}

TEST_F(TracingConsole, StatePaneSaysWhomWhichPipeHowOftenWhetherAndHowMany)
{
    ASSERT_TRUE(Start());
    const QString who =
        QStringLiteral("vexmoor@embedded:vexmoor.db \u00B7 pipe vexmoor \u00B7 1 s");
    EXPECT_EQ(statePane(), who + QStringLiteral(" \u00B7 stopped"));
    SendMessage("one");
    SendMessage("two");
    action(res::ID_START)->trigger();
    EXPECT_EQ(statePane(), who + QStringLiteral(" \u00B7 tracing \u00B7 2 messages"));
    action(res::ID_STOP)->trigger();
    EXPECT_EQ(statePane(), who + QStringLiteral(" \u00B7 stopped \u00B7 2 messages"));
    action(res::ID_START)->trigger();
    EXPECT_EQ(statePane(), who + QStringLiteral(" \u00B7 tracing \u00B7 0 messages"))
        << "the count starts again with Start";
}

TEST_F(TracingConsole, JournalKeepsEveryLineAcrossNewExitAndAFatalReport)
{
    const QString document = FilePath(QStringLiteral("trace.log"));
    WriteFile(document, "");

    ASSERT_TRUE(Start({document}));
    const std::filesystem::path firstRun = app_->journal().path();
    ASSERT_TRUE(app_->journal().isWriting()) << app_->journal().failure();
    action(res::ID_START)->trigger();
    SendMessage("before new");
    view().PollPipe();
    action(res::ID_FILE_NEW)->trigger();
    ASSERT_EQ(view().logText(), "");
    SendMessage("after new");
    view().PollPipe();
    app_->ExitInstance();
    app_.reset();

    ASSERT_TRUE(Start({document}));
    const std::filesystem::path secondRun = app_->journal().path();
    ASSERT_NE(secondRun, firstRun);
    action(res::ID_START)->trigger();
    SendMessage("before the crash");
    view().PollPipe();
    // The handler the program installed, as the database's fatal error calls it.
    const db::FatalErrorHandler installed = db::setFatalErrorHandler({});
    db::setFatalErrorHandler(installed);
    WhenModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    installed("ORA-03113: end-of-file on communication channel");
    db::setFatalReportShowing(false);
    app_.reset(); // the process ends without ExitInstance

    ASSERT_TRUE(Start());
    const QString said = app_->mainFrame()->messagePane()->text();
    EXPECT_TRUE(said.contains(document + QStringLiteral(".recovered.log"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromStdString(secondRun.string()))) << said.toStdString();

    const QRegularExpression line(QString::fromLatin1(kJournalLine) + QStringLiteral("(.*)\r\n"),
                                  QRegularExpression::MultilineOption);
    const auto linesOf = [&](const std::filesystem::path& file) {
        QStringList lines;
        for (const auto& match : line.globalMatch(journalText(file)))
            lines << match.captured(1);
        return lines;
    };
    EXPECT_EQ(linesOf(firstRun), (QStringList{"before new", "after new"}));
    EXPECT_EQ(linesOf(secondRun), (QStringList{"before the crash"}));

    // Said once: the start after it is an ordinary one.
    app_->ExitInstance();
    app_.reset();
    ASSERT_TRUE(Start());
    EXPECT_EQ(app_->mainFrame()->messagePane()->text(), QStringLiteral("Ready"));
}

TEST_F(TracingConsole, AJournalThatCannotBeWrittenShowsInTheStatePaneAndTracingGoesOn)
{
    // A file where the journal's folder would be.
    WriteFile(journalHome_, "not a folder");
    ASSERT_TRUE(Start());
    EXPECT_FALSE(app_->journal().isWriting());
    SendMessage("still traced");
    action(res::ID_START)->trigger();
    EXPECT_TRUE(logHas("still traced\r\n"));
    EXPECT_TRUE(view().isTracing());
    EXPECT_TRUE(
        statePane().contains(QStringLiteral("journal failed: cannot make the journal folder")))
        << statePane().toStdString();
}

TEST_F(TracingConsole, ReceiptTimeStartsEachNewLineAndIsStored)
{
    ASSERT_TRUE(Start());
    EXPECT_FALSE(action(res::ID_VIEW_RECEIPT_TIME)->isChecked()) << "off by default";
    const QRegularExpression stamped(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} stamped\r\n$)"));
    struct Case {
        bool on;
        std::string message;
    };
    for (const Case& c : {Case{true, "stamped"}, Case{false, "plain"}}) {
        if (action(res::ID_VIEW_RECEIPT_TIME)->isChecked() != c.on)
            action(res::ID_VIEW_RECEIPT_TIME)->trigger();
        EXPECT_EQ(profile_.getProfileInt("Settings", "Receipt Time", -1), c.on ? 1 : 0);
        view().setLogText("");
        SendMessage(c.message);
        action(res::ID_START)->trigger();
        const QString log = QString::fromStdString(view().logText());
        if (c.on)
            EXPECT_TRUE(stamped.match(log).hasMatch()) << log.toStdString();
        else
            EXPECT_EQ(log, QStringLiteral("plain\r\n")) << "off gives the poller's bytes exactly";
    }
}

TEST_F(TracingConsole, FindGoesForwardBackwardWithCaseAndWrap)
{
    ASSERT_TRUE(Start());
    view().setLogText("alpha Beta\r\nbeta gamma\r\nBETA\r\n");
    // Offsets in the window's text, where each line break is one character.
    struct Case {
        const char* text;
        int from;
        bool matchCase;
        bool wrap;
        bool backward;
        int foundAt; // -1: not found
    };
    const Case cases[] = {
        {"beta", 0, false, true, false, 6},  // case folded
        {"beta", 7, false, true, false, 11}, // the next one after the caret
        {"beta", 7, true, true, false, 11},  // case kept: skips nothing here
        {"Beta", 7, true, true, false, 6},   // wraps to the start
        {"Beta", 7, true, false, false, -1}, // no wrap, nothing after
        {"beta", 20, false, true, true, 11}, // backward
        {"BETA", 5, true, true, true, 22},   // backward wraps to the end
        {"BETA", 5, true, false, true, -1},  // no wrap, nothing before
        {"delta", 0, false, true, false, -1},
    };
    for (const Case& c : cases) {
        QTextCursor caret(view().document());
        caret.setPosition(c.from);
        view().setTextCursor(caret);
        const bool found =
            view().findText(QString::fromLatin1(c.text), {c.matchCase, c.wrap, c.backward});
        EXPECT_EQ(found, c.foundAt >= 0) << c.text << " from " << c.from;
        if (found) {
            EXPECT_EQ(view().textCursor().selectionStart(), c.foundAt)
                << c.text << " from " << c.from;
            EXPECT_EQ(view().textCursor().selectedText().compare(QString::fromLatin1(c.text),
                                                                 Qt::CaseInsensitive),
                      0);
        } else {
            EXPECT_EQ(view().textCursor().position(), c.from) << "the caret stays";
        }
    }
}

TEST_F(TracingConsole, FindBarHighlightsAlsoNewLinesAndEscapeClosesIt)
{
    ASSERT_TRUE(Start());
    app_->mainFrame()->show();
    QApplication::setActiveWindow(app_->mainFrame());
    view().setLogText("needle one\r\nhay\r\n");
    action(res::ID_EDIT_FIND)->trigger();
    ui::FindBar* bar = app_->mainFrame()->findBar();
    ASSERT_TRUE(app_->mainFrame()->findToolBar()->isVisible());
    QTest::keyClicks(bar->textEdit(), "needle");
    EXPECT_EQ(view().highlightedMatchCount(), 1);

    SendMessage("needle two");
    action(res::ID_START)->trigger();
    EXPECT_EQ(view().highlightedMatchCount(), 2) << "lines that arrive are highlighted too";
    action(res::ID_EDIT_FIND_NEXT)->trigger();
    EXPECT_EQ(view().textCursor().selectedText(), QStringLiteral("needle"));

    QTest::keyClick(bar->textEdit(), Qt::Key_Escape);
    EXPECT_FALSE(app_->mainFrame()->findToolBar()->isVisible());
    EXPECT_EQ(view().highlightedMatchCount(), 0);
}

TEST_F(TracingConsole, NewLinesMoveViewAndSelectionOnlyWhenFollowingAtTheEnd)
{
    ASSERT_TRUE(Start());
    app_->mainFrame()->resize(640, 400);
    app_->mainFrame()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app_->mainFrame()));
    EXPECT_TRUE(action(res::ID_VIEW_FOLLOW_NEW_LINES)->isChecked()) << "on by default";
    struct Case {
        bool follow;
        bool atEnd;
        bool moves;
    };
    int sent = 0;
    for (const Case& c : {Case{true, true, true}, Case{true, false, false},
                          Case{false, true, false}, Case{false, false, false}}) {
        std::string log;
        for (int i = 0; i < 300; ++i)
            log += "line " + std::to_string(i) + "\r\n";
        view().setLogText(log);
        if (action(res::ID_VIEW_FOLLOW_NEW_LINES)->isChecked() != c.follow)
            action(res::ID_VIEW_FOLLOW_NEW_LINES)->trigger();
        QTextCursor selection(view().document());
        selection.setPosition(7);
        selection.setPosition(12, QTextCursor::KeepAnchor);
        view().setTextCursor(selection);
        QScrollBar* bar = view().verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0);
        bar->setValue(c.atEnd ? bar->maximum() : bar->maximum() / 2);
        const int scrolledTo = bar->value();

        SendMessage("new " + std::to_string(++sent));
        action(res::ID_START)->trigger();
        ASSERT_TRUE(logHas("new " + std::to_string(sent)));
        const QTextCursor after = view().textCursor();
        if (c.moves) {
            EXPECT_FALSE(after.hasSelection());
            EXPECT_EQ(after.position(), view().document()->characterCount() - 1);
            EXPECT_TRUE(view().viewport()->rect().contains(view().cursorRect()))
                << "the new line shows";
        } else {
            EXPECT_EQ(after.anchor(), 7) << "follow " << c.follow << " at end " << c.atEnd;
            EXPECT_EQ(after.position(), 12);
            EXPECT_EQ(bar->value(), scrolledTo);
        }
    }
    EXPECT_EQ(profile_.getProfileInt("Settings", "Follow New Lines", -1), 0);
    app_->ExitInstance();
    app_.reset();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(action(res::ID_VIEW_FOLLOW_NEW_LINES)->isChecked()) << "stored";
}

class RecordingShell final : public ui::DesktopShell {
public:
    int openWithShell(const QString& target) override
    {
        opened << target;
        return ui::kOpenSucceeded;
    }
    std::optional<QString> webPageCommand() override { return std::nullopt; }
    int startProgram(const QString&) override { return ui::kOutOfResources; }
    QStringList opened;
};

TEST_F(TracingConsole, OpenJournalFolderOpensItWithTheDesktop)
{
    ASSERT_TRUE(Start());
    RecordingShell shell;
    app_->setDesktopShell(shell);
    action(res::ID_FILE_OPEN_JOURNAL_FOLDER)->trigger();
    EXPECT_EQ(shell.opened, QStringList{QString::fromStdString(journalFolder().string())});
}

TEST_F(TracingConsole, FixedWidthFontIsStoredAndSetsTabStopsOfEight)
{
    ASSERT_TRUE(Start());
    EXPECT_FALSE(action(res::ID_VIEW_FIXED_WIDTH_FONT)->isChecked());
    action(res::ID_VIEW_FIXED_WIDTH_FONT)->trigger();
    EXPECT_EQ(profile_.getProfileInt("Settings", "Fixed-Width Font", 0), 1);
    EXPECT_TRUE(QFontInfo(view().font()).fixedPitch());
    const qreal blank = QFontMetricsF(view().font()).horizontalAdvance(QLatin1Char(' '));
    EXPECT_DOUBLE_EQ(view().tabStopDistance(), blank * 8);

    app_->ExitInstance();
    app_.reset();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(action(res::ID_VIEW_FIXED_WIDTH_FONT)->isChecked()) << "stored";
}

TEST(SmallThings, FileDialogsOfferLogFilesFirstAndStartWhereTheUserWas)
{
    EXPECT_EQ(logFileFilters(), (QStringList{"Log Files (*.log)", "All Files (*)"}));
    struct Case {
        const char* initial;
        const char* last;
        const char* recent;
        const char* start;
    };
    for (const Case& c :
         {Case{"Untitled", "", "", "/home/ann/Documents"},
          Case{"Untitled", "/srv/logs", "/old/x.log", "/srv/logs"},
          Case{"/data/day.log", "/srv/logs", "", "/data"}, Case{"", "", "/old/x.log", "/old"},
          Case{"", "", "", "/home/ann/Documents"}})
        EXPECT_EQ(startFolder(QString::fromLatin1(c.initial), QString::fromLatin1(c.last),
                              QString::fromLatin1(c.recent), QStringLiteral("/home/ann/Documents")),
                  QString::fromLatin1(c.start))
            << c.initial << " / " << c.last << " / " << c.recent;
}

TEST(SmallThings, LogonHelpNamesEveryKindOfConnectStringAndTheNewAccounts)
{
    const QString help = db::connectHelpText();
    for (const char* part : {"embedded\n", "embedded:PATH", "Oracle connect string",
                             "postgresql://", "vexmoor / vexmoor", "system / manager"})
        EXPECT_TRUE(help.contains(QString::fromLatin1(part))) << part;
}

TEST(SmallThings, GenerateProceduresSaysWhatItMadeOrWhatWasRefused)
{
    EXPECT_EQ(options::describeInstallOutcome({}),
              "Generate Procedures created SendDebugMessage, SendTraceMessage and their public "
              "synonyms.");
    const std::vector<options::RefusedStatement> refused{
        {options::kInstallStatements[2], 1031, "ORA-01031: insufficient privileges"},
        {options::kInstallStatements[3], 1031, "ORA-01031: insufficient privileges"}};
    EXPECT_EQ(options::describeInstallOutcome(refused),
              "Generate Procedures: the server refused 2 of 4 statements: CREATE PUBLIC SYNONYM "
              "SendDebugMessage (ORA-01031: insufficient privileges); CREATE PUBLIC SYNONYM "
              "SendTraceMessage (ORA-01031: insufficient privileges)");

    // PostgreSQL has no synonyms, and five statements of its own.
    constexpr auto postgres = vexmoor::trace::PipeDialect::PostgreSql;
    EXPECT_EQ(options::describeInstallOutcome({}, postgres),
              "Generate Procedures created SendDebugMessage and SendTraceMessage, callable by "
              "every role.");
    const std::vector<options::RefusedStatement> refusedOnPostgres{
        {options::kPostgresInstallStatements[0], 0, "permission denied to create extension"}};
    EXPECT_EQ(options::describeInstallOutcome(refusedOnPostgres, postgres),
              "Generate Procedures: the server refused 1 of 5 statements: CREATE EXTENSION IF NOT "
              "EXISTS orafce (permission denied to create extension)");
}

TEST_F(TracingConsole, TheSmallestWindowKeepsMenuToolbarAndOneLineOfLog)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = app_->mainFrame();
    frame->resize(1, 1);
    QApplication::processEvents();
    EXPECT_GE(frame->width(), frame->menuBar()->sizeHint().width());
    EXPECT_GE(view().viewport()->height(), view().fontMetrics().lineSpacing());
    EXPECT_TRUE(frame->ToolBar()->isVisible());
}

TEST_F(TracingConsole, ALongMessageLeavesTheStatePaneWholeAndIsReadInItsTooltip)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = app_->mainFrame();
    frame->resize(700, 400);
    const QString message(300, QChar('x'));
    frame->showMessage(message);
    EXPECT_EQ(frame->messagePane()->toolTip(), message);
    QApplication::processEvents();
    QLabel* state = frame->statePane();
    EXPECT_GE(state->width(), state->sizeHint().width());
    EXPECT_LE(state->geometry().right(), frame->statusBar()->width());
    EXPECT_LE(frame->width(), 700) << "the message does not widen the window";
}

} // namespace

} // namespace vexmoor::app

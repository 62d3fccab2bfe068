// The log window on the embedded engine: settings, polling, the timer, what
// appending shows and keeps, and printing.

#include "support/EmbeddedTraceDatabase.h"
#include "support/QtTestApplication.h"

#include "app/OptionsCommand.h"
#include "base/Profile.h"
#include "db/ErrorReport.h"
#include "options/COptionsDlg.h"
#include "res/OptionsDialogTemplate.h"
#include "trace/CVexmoorView.h"
#include "trace/OciPipeChannel.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QFile>
#include <QMainWindow>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexmoor::trace {

using namespace vexmoor::test;

namespace {

// Remembers the order in which entries are read.
class RecordingProfile final : public base::Profile {
public:
    int getProfileInt(std::string_view section, std::string_view entry,
                      int defaultValue) const override
    {
        reads.push_back(std::string(section) + "/" + std::string(entry));
        return values.getProfileInt(section, entry, defaultValue);
    }
    std::string getProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue) const override
    {
        reads.push_back(std::string(section) + "/" + std::string(entry));
        return values.getProfileString(section, entry, defaultValue);
    }
    void writeProfileInt(std::string_view section, std::string_view entry, int value) override
    {
        values.writeProfileInt(section, entry, value);
    }
    void writeProfileString(std::string_view section, std::string_view entry,
                            std::string_view value) override
    {
        values.writeProfileString(section, entry, value);
    }

    base::MemoryProfile values;
    mutable std::vector<std::string> reads;
};

class LogWindow : public ::testing::Test {
protected:
    std::unique_ptr<CVexmoorView> MakeView()
    {
        auto view = std::make_unique<CVexmoorView>(profile, *pollingSession);
        // Its Options command as the program gives it.
        app::wireOptionsCommand(*view, profile, pollingChannel);
        return view;
    }

    // The poll timers the event dispatcher holds for the view.
    static std::vector<QAbstractEventDispatcher::TimerInfo> Timers(const CVexmoorView& view)
    {
        const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(
            const_cast<CVexmoorView*>(&view));
        return {timers.begin(), timers.end()};
    }

    static void Tick(CVexmoorView& view, int timerId)
    {
        QTimerEvent tick(timerId);
        QCoreApplication::sendEvent(&view, &tick);
    }

    EmbeddedTraceDatabase database;
    std::unique_ptr<db::OciSession> sendingSession = database.LogOn();
    std::unique_ptr<db::OciSession> pollingSession = database.LogOn();
    OciPipeChannel pollingChannel{*pollingSession};
    StatementRunner sender{*sendingSession};
    base::MemoryProfile profile;
};

TEST_F(LogWindow, FirstStartUsesTheDefaultsReadInOrderAndPollsNothing)
{
    RecordingProfile recording;
    sender.SendSimple("waiting");
    CVexmoorView view(recording, *pollingSession);
    // Events run for a while on purpose: a poll that started without the
    // Start command would take the waiting message here.
    QTest::qWait(50);

    const std::vector<std::string> order{"Options/LF Flag", "Options/Auto Unpack",
                                         "Options/Allow Edit", "Options/Timer Frequency",
                                         "Options/Pipe Name"};
    // The five first, in their order; then the window's own View settings.
    ASSERT_GE(recording.reads.size(), order.size());
    EXPECT_EQ(std::vector<std::string>(recording.reads.begin(),
                                       recording.reads.begin() + static_cast<long>(order.size())),
              order);
    EXPECT_EQ(view.Settings().m_strPipeName, "vexmoor");
    EXPECT_EQ(view.Settings().m_nTimerFrequency, 5);
    EXPECT_TRUE(view.Settings().m_bLFFlag);
    EXPECT_FALSE(view.Settings().m_bAutoUnpack);
    EXPECT_TRUE(view.Settings().m_bAllowEdit);
    EXPECT_FALSE(view.isReadOnly());
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(recording.values.size(), 0u) << "nothing is written before the options dialog";
    EXPECT_EQ(view.TimerId(), 0u);
    EXPECT_TRUE(Timers(view).empty());
    EXPECT_EQ(view.logText(), "");

    view.OnStart();
    EXPECT_EQ(view.logText(), "waiting\r\n");
}

TEST_F(LogWindow, StoredFlagsOutsideZeroToTwoShowUncheckedAndAreStoredAsZero)
{
    namespace ids = res::options_dialog;
    profile.writeProfileInt("Options", "LF Flag", 7);
    profile.writeProfileInt("Options", "Auto Unpack", 2);
    profile.writeProfileInt("Options", "Allow Edit", -1);
    auto view = MakeView();
    EXPECT_FALSE(view->isReadOnly()) << "any value but 0 is on";

    std::vector<bool> shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<options::COptionsDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        answer.stop();
        for (int id : {ids::kLFFlagBox, ids::kAutoUnpackBox, ids::kAllowEditBox})
            shown.push_back(res::findControl<QCheckBox>(*dialog, id)->isChecked());
        res::findControl<QPushButton>(*dialog, ids::kOkButton)->click();
    });
    answer.start(10);
    view->OnOptions();

    EXPECT_EQ(shown, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(profile.getProfileInt("Options", "LF Flag", -9), 0);
    EXPECT_EQ(profile.getProfileInt("Options", "Auto Unpack", -9), 1);
    EXPECT_EQ(profile.getProfileInt("Options", "Allow Edit", -9), 0);
}

TEST_F(LogWindow, StoredSettingsAreTakenAsTheyAre)
{
    profile.writeProfileInt("Options", "LF Flag", 0);
    profile.writeProfileInt("Options", "Auto Unpack", 1);
    profile.writeProfileInt("Options", "Allow Edit", 0);
    profile.writeProfileInt("Options", "Timer Frequency", 61);
    profile.writeProfileString("Options", "Pipe Name", "other pipe");
    auto view = MakeView();

    EXPECT_FALSE(view->Settings().m_bLFFlag);
    EXPECT_TRUE(view->Settings().m_bAutoUnpack);
    EXPECT_FALSE(view->Settings().m_bAllowEdit);
    EXPECT_EQ(view->Settings().m_nTimerFrequency, 61);
    EXPECT_EQ(view->Settings().m_strPipeName, "other pipe");
    EXPECT_TRUE(view->isReadOnly()) << "Allow Edit 0 makes the window read-only";

    // The style is set when the window is made: a later change shows only in
    // the next window.
    profile.writeProfileInt("Options", "Allow Edit", 1);
    EXPECT_TRUE(view->isReadOnly());
    EXPECT_FALSE(MakeView()->isReadOnly());
}

TEST_F(LogWindow, StartPollsAtOnceAndLeavesExactlyOnePollTimer)
{
    profile.writeProfileInt("Options", "Timer Frequency", 7);
    auto view = MakeView();
    sender.SendSimple("abc");
    view->OnStart();
    EXPECT_EQ(view->logText(), "abc\r\n");
    ASSERT_NE(view->TimerId(), 0u);
    auto timers = Timers(*view);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].timerId, static_cast<int>(view->TimerId()));
    EXPECT_EQ(timers[0].interval, 7000);

    sender.SendSimple("def");
    view->Settings().m_nTimerFrequency = 2;
    view->OnStart();
    EXPECT_EQ(view->logText(), "abc\r\ndef\r\n") << "the second Start polls again";
    timers = Timers(*view);
    ASSERT_EQ(timers.size(), 1u) << "the old timer is gone";
    EXPECT_EQ(timers[0].timerId, static_cast<int>(view->TimerId()));
    EXPECT_EQ(timers[0].interval, 2000);
}

TEST_F(LogWindow, FrequencyZeroPollsEveryTenMillisecondsInsteadOfSpinning)
{
    profile.writeProfileInt("Options", "Timer Frequency", 0);
    auto view = MakeView();
    view->OnStart();
    auto timers = Timers(*view);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].interval, 10);

    // A negative or huge frequency still gives a timer with a usable interval.
    view->Settings().m_nTimerFrequency = -3;
    view->OnStart();
    EXPECT_EQ(Timers(*view).at(0).interval, 10);
    view->Settings().m_nTimerFrequency = 3'000'000;
    view->OnStart();
    EXPECT_GT(Timers(*view).at(0).interval, 24 * 3600 * 1000);
    EXPECT_EQ(Timers(*view).size(), 1u);
}

TEST_F(LogWindow, MessagesFromAnotherSessionAppearAtTheNextTick)
{
    profile.writeProfileInt("Options", "Timer Frequency", 0);
    auto view = MakeView();
    view->OnStart();
    sender.SendSimple("one");
    sender.SendSimple("two");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->logText() == "one\r\ntwo\r\n"; }, 5000))
        << view->logText();

    // Ticks of other timers poll nothing, nor do ticks while the fatal report
    // is on screen.
    view->Settings().m_nTimerFrequency = 60;
    view->OnStart();
    const int pollTimer = static_cast<int>(view->TimerId());
    sender.SendSimple("three");
    Tick(*view, pollTimer + 1000);
    EXPECT_EQ(view->logText(), "one\r\ntwo\r\n");
    db::setFatalReportShowing(true);
    Tick(*view, pollTimer);
    db::setFatalReportShowing(false);
    EXPECT_EQ(view->logText(), "one\r\ntwo\r\n");
    Tick(*view, pollTimer);
    EXPECT_EQ(view->logText(), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(LogWindow, WithoutLineEndsConsecutiveLinesJoin)
{
    profile.writeProfileInt("Options", "LF Flag", 0);
    auto view = MakeView();
    sender.SendSimple("ab");
    sender.SendSimple("cd");
    view->PollPipe();
    sender.SendSimple("ef");
    view->PollPipe();
    EXPECT_EQ(view->logText(), "abcdef");
    EXPECT_EQ(view->toPlainText(), "abcdef");
    EXPECT_EQ(view->document()->blockCount(), 1);
}

TEST_F(LogWindow, PurgeDropsTheWaitingMessagesOfTheCurrentPipe)
{
    auto view = MakeView();
    sender.SendSimple("kept");
    view->PollPipe();
    sender.SendSimple("dropped 1");
    sender.SendSimple("dropped 2");
    sender.SendSimple("other pipe", "elsewhere");
    view->OnPurgePipe();
    EXPECT_EQ(view->logText(), "kept\r\n") << "the log is not touched";
    view->PollPipe();
    EXPECT_EQ(view->logText(), "kept\r\n");
    view->Settings().m_strPipeName = "elsewhere";
    view->PollPipe();
    EXPECT_EQ(view->logText(), "kept\r\nother pipe\r\n");
}

// Nothing stored code puts on the pipe stops the window: each message shows as
// far as it can be read, and the poll timer keeps running.
TEST_F(LogWindow, UnreadableMessagesShowItemByItemAndTracingGoesOn)
{
    const std::string longText(3000, 'w');
    struct Case {
        const char* name;
        std::string packing;
        std::string shown;
    };
    const Case cases[] = {
        {"typed message with Auto Unpack off", "dbms_pipe.pack_message('typed');",
         "MESSAGE:\r\nVARCHAR2:\t'typed'\r\n\r\n"},
        {"3,000-byte text", "dbms_pipe.pack_message(3000); dbms_pipe.pack_message(:t);",
         longText + "\r\n"},
        {"RAW item where the text belongs",
         "dbms_pipe.pack_message(1); dbms_pipe.pack_message_raw(HEXTORAW('FF'));",
         "MESSAGE:\r\nNUMBER:\t'1'\r\nRAW:\t'UNKNOWN'\r\n\r\n"},
    };
    profile.writeProfileInt("Options", "Timer Frequency", 0);
    auto view = MakeView();
    view->OnStart();
    std::string expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string block = "declare s integer; begin " + c.packing
                                  + " s := dbms_pipe.send_message('vexmoor'); end;";
        if (c.packing.find(":t") == std::string::npos)
            sender.Run(block);
        else
            sender.Run(block, {{":t", longText}});
        sender.SendSimple("still arrives");
        expected += c.shown + "still arrives\r\n";
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->logText() == expected; }, 10000))
            << view->logText();
        EXPECT_NE(view->TimerId(), 0u);
    }
}

// An empty pipe name (Oracle refuses one) polls nothing: Start and Purge say
// so in the status bar, and Start leaves the timer off.
TEST_F(LogWindow, WithoutAPipeNameStartSaysSoAndLeavesTheTimerOff)
{
    const QString noName = QStringLiteral("No pipe name: set one in Options.");
    QMainWindow frame;
    auto* view = new CVexmoorView(profile, *pollingSession);
    frame.setCentralWidget(view);
    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    sender.SendSimple("waiting");

    view->Settings().m_nTimerFrequency = 60;
    view->OnStart();
    ASSERT_NE(view->TimerId(), 0u);
    view->Settings().m_strPipeName.clear();
    view->OnStart();
    EXPECT_EQ(frame.statusBar()->currentMessage(), noName);
    EXPECT_EQ(view->TimerId(), 0u) << "the running timer stops too";
    EXPECT_TRUE(Timers(*view).empty());

    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    view->OnPurgePipe();
    EXPECT_EQ(frame.statusBar()->currentMessage(), noName);
    view->PollPipe();

    view->Settings().m_strPipeName = "vexmoor";
    view->PollPipe();
    EXPECT_EQ(view->logText(), "waiting\r\n")
        << "neither Purge nor the empty name touched the pipe";

    profile.writeProfileString("Options", "Pipe Name", "");
    CVexmoorView fromProfile(profile, *pollingSession);
    fromProfile.OnStart();
    EXPECT_EQ(fromProfile.TimerId(), 0u);
}

// Appending: the caret, the selection, the modified flag and undo.
TEST_F(LogWindow, AppendingMovesTheCaretToTheEndAndLeavesTheDocumentUnmodified)
{
    auto view = MakeView();
    view->resize(300, 100);
    view->show();
    for (int i = 0; i < 50; ++i)
        view->AppendLine("line " + std::to_string(i) + "\r\n");
    view->endOfPoll();
    EXPECT_FALSE(view->document()->isModified());
    EXPECT_FALSE(view->document()->isUndoAvailable()) << "traced lines are not undone";

    // The user selects text at the top while the view stays at the end; the
    // next append replaces the selection with the caret at the end and
    // scrolls the end into view. (Scrolled away from the end, the view and
    // the selection stay: tests/app/tracing_console_test.cpp.)
    QTextCursor selection(view->document());
    selection.setPosition(0);
    selection.setPosition(4, QTextCursor::KeepAnchor);
    view->setTextCursor(selection);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    view->AppendLine("after the selection\r\n");
    view->endOfPoll();
    EXPECT_FALSE(view->textCursor().hasSelection());
    EXPECT_EQ(view->textCursor().position(), view->document()->characterCount() - 1);
    EXPECT_GT(view->verticalScrollBar()->value(), 0) << "scrolled down from the top";
    EXPECT_TRUE(view->viewport()->rect().contains(view->cursorRect())) << "the end is in view";

    // Typing marks the document modified, and a later append keeps it so.
    QTest::keyClicks(view.get(), "typed");
    EXPECT_TRUE(view->document()->isModified());
    view->AppendLine("more\r\n");
    view->endOfPoll();
    EXPECT_TRUE(view->document()->isModified());
    EXPECT_TRUE(view->logText().ends_with("after the selection\r\ntypedmore\r\n"))
        << view->logText();

    // A tick that finds nothing leaves the user's selection alone.
    view->setTextCursor(selection);
    view->PollPipe();
    EXPECT_TRUE(view->textCursor().hasSelection());
}

TEST_F(LogWindow, LogTextIsExactlyTheBytesAppendedAlsoAfterTheUserTyped)
{
    auto view = MakeView();
    const std::string appended =
        std::string("crlf\r\nlf only\nlone cr\rlatin \xE9\xFF\t|") + "\r\n";
    view->AppendLine(appended);
    view->endOfPoll();
    EXPECT_EQ(view->logText(), appended);
    EXPECT_EQ(view->document()->blockCount(), 5) << "each line end breaks a paragraph";

    // The user types at the start of the log: the window becomes the truth,
    // and every line end the poller brought is written back as it came.
    QTextCursor cursor(view->document());
    cursor.setPosition(0);
    view->setTextCursor(cursor);
    QTest::keyClicks(view.get(), ">");
    EXPECT_EQ(view->logText(), ">" + appended);
    view->AppendLine("next\r\n");
    view->endOfPoll();
    EXPECT_EQ(view->logText(), ">" + appended + "next\r\n");

    // A break the user types is written as CR LF.
    cursor.movePosition(QTextCursor::End);
    view->setTextCursor(cursor);
    QTest::keyClick(view.get(), Qt::Key_Return);
    QTest::keyClicks(view.get(), "x");
    EXPECT_EQ(view->logText(), ">" + appended + "next\r\n\r\nx");
}

TEST_F(LogWindow, SetLogTextReplacesTheLogUnmodifiedAndTracingAppendsToIt)
{
    auto view = MakeView();
    view->AppendLine("old\r\n");
    view->endOfPoll();
    const std::string loaded = "a\nb\r\nc\rd";
    view->setLogText(loaded);
    EXPECT_EQ(view->logText(), loaded);
    EXPECT_FALSE(view->document()->isModified());
    EXPECT_FALSE(view->document()->isUndoAvailable());
    sender.SendSimple("e");
    view->PollPipe();
    EXPECT_EQ(view->logText(), loaded + "e\r\n");

    // Lines of a poll still running are in the log already, for a recovery
    // file written while the poll fails.
    view->AppendLine("pending\r\n");
    EXPECT_EQ(view->logText(), loaded + "e\r\npending\r\n");
    view->setLogText("");
    EXPECT_EQ(view->logText(), "");
    EXPECT_EQ(view->toPlainText(), "");
}

int PdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = file.readAll();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return static_cast<int>(QString::fromLatin1(pdf).count(page));
}

int PrintLines(CVexmoorView& view, int lines, const QString& path)
{
    std::string log;
    for (int i = 1; i <= lines; ++i)
        log += "printed line " + std::to_string(i) + "\r\n";
    view.setLogText(log);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    view.Print(printer);
    return PdfPageCount(path);
}

TEST_F(LogWindow, PrintingPutsEveryLineOnAsManyPagesAsItNeeds)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto view = MakeView();

    const int onePage = PrintLines(*view, 10, folder.filePath("short.pdf"));
    const int fewPages = PrintLines(*view, 300, folder.filePath("few.pdf"));
    const int manyPages = PrintLines(*view, 1200, folder.filePath("many.pdf"));
    EXPECT_EQ(onePage, 1);
    EXPECT_GE(fewPages, 3);
    // Four times the lines, four times the pages (give or take the last one).
    EXPECT_GE(manyPages, 4 * fewPages - 4);
    EXPECT_LE(manyPages, 4 * fewPages + 1);
}

} // namespace

} // namespace vexmoor::trace

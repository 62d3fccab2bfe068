// The program against what stored code may put on the pipe and what a user
// may type into the settings: nothing of it ends the program.

#include "AppTestSupport.h"

#include "app/CMainFrame.h"
#include "app/FatalErrorBox.h"
#include "res/CommandIds.h"
#include "trace/CVexmoorView.h"

#include <QAction>
#include <QLabel>

#include "app/ActionRegistry.h"

namespace vexmoor::app {

namespace {

class UnreadableMessages : public AppTest {
protected:
    void Send(const std::string& block)
    {
        db::OciSession sender;
        ASSERT_TRUE(sender.LogOn("vexmoor", "vexmoor", ConnectString())) << sender.ErrorText();
        db::OciCursor cursor(sender);
        cursor.SetStatement("declare s integer; begin " + block
                            + " s := dbms_pipe.send_message('vexmoor'); end;");
        ASSERT_TRUE(cursor.Execute(true));
    }

    void Start(const QString& document)
    {
        WriteFile(document, "saved\r\n");
        ASSERT_TRUE(AppTest::Start({document}));
    }
};

} // namespace

TEST_F(UnreadableMessages, ProgramKeepsRunningAndWritesNoRecoveryFile)
{
    const QString document = FilePath(QStringLiteral("trace.log"));
    Start(document);
    Send("dbms_pipe.pack_message('typed');");
    SendMessage("after typed");
    Send("dbms_pipe.pack_message(3000); dbms_pipe.pack_message('" + std::string(3000, 'x') + "');");
    SendMessage("after long");
    Send("dbms_pipe.pack_message(1); dbms_pipe.pack_message_rowid('AAAB');");
    SendMessage("after rowid");

    app_->View()->OnStart();
    EXPECT_EQ(app_->View()->logText(),
              "saved\r\nMESSAGE:\r\nVARCHAR2:\t'typed'\r\n\r\nafter typed\r\n"
                  + std::string(3000, 'x')
                  + "\r\nafter long\r\nMESSAGE:\r\nNUMBER:\t'1'\r\nROWID:\t'UNKNOWN'\r\n\r\n"
                    "after rowid\r\n");
    EXPECT_NE(app_->View()->TimerId(), 0u);
    EXPECT_TRUE(app_->mainFrame()->isVisible());
    EXPECT_FALSE(QFile::exists(document + QStringLiteral(".recovered.log")));
    EXPECT_FALSE(QDir(defaultRecoveryFolder()).exists(QStringLiteral("trace.log.recovered.log")));
}

TEST_F(UnreadableMessages, EmptyPipeNameShowsWhyInTheStatusBarAndPollsNothing)
{
    profile_.writeProfileString("Options", "Pipe Name", "");
    Start(FilePath(QStringLiteral("trace.log")));
    SendMessage("waiting");
    app_->Actions()->action(res::ID_START)->trigger();
    EXPECT_EQ(app_->mainFrame()->messagePane()->text(),
              QStringLiteral("No pipe name: set one in Options."));
    EXPECT_EQ(app_->View()->TimerId(), 0u);
    EXPECT_EQ(app_->View()->logText(), "saved\r\n");
    EXPECT_TRUE(app_->mainFrame()->isVisible());
}

} // namespace vexmoor::app

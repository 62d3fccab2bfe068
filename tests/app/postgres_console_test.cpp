// The desktop program on a real PostgreSQL server with orafce: logged on from
// the logon dialog, its procedures made by Generate Procedures, tracing what
// PL/pgSQL code sends, and the purge.

#include "AppTestSupport.h"

#include "app/ActionRegistry.h"
#include "db/CConnectDlg.h"
#include "db/PgSession.h"
#include "options/COptionsDlg.h"
#include "res/CommandIds.h"
#include "res/ConnectDialogTemplate.h"
#include "res/DialogTemplate.h"
#include "res/OptionsDialogTemplate.h"
#include "support/PostgresServer.h"
#include "trace/CVexmoorView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <optional>

namespace vexmoor::app {

namespace {

using test::PostgresEnvironment;
using test::PostgresServer;

class PostgresConsole : public AppTest {
protected:
    void SetUp() override
    {
        VEXMOOR_REQUIRE_POSTGRES();
        profile_.writeProfileInt("Options", "Timer Frequency", 1);
        ASSERT_TRUE(sender_.logOn(PostgresServer::kRole, PostgresServer::kPassword, uri()))
            << sender_.errorText();
        // Pipes and procedures live in the server: each case starts without.
        run("create extension if not exists orafce");
        run("select dbms_pipe.purge('vexmoor')");
        run("drop procedure if exists SendDebugMessage, SendTraceMessage");
    }

    static std::string uri() { return PostgresEnvironment::server()->uri(); }

    void run(const std::string& statement,
             std::span<const std::optional<std::string_view>> parameters = {})
    {
        const db::PgResult result = sender_.execute(statement, parameters);
        ASSERT_TRUE(result.ok()) << result.error().message << "\n" << statement;
    }

    // Stored code tracing, as a PL/pgSQL procedure of the user's calls it.
    void callFromPlpgsql(const std::string& procedure, const std::string& text)
    {
        run("create or replace procedure vexmoor_console_caller(m text) language plpgsql as "
            "$$ begin call "
            + procedure + "(m); end; $$");
        const std::array<std::optional<std::string_view>, 1> value{text};
        run("call vexmoor_console_caller($1)", value);
    }

    // Fills the logon dialog and presses Connect.
    static void connectWith(db::CConnectDlg& dialog, const QString& password)
    {
        namespace ids = res::connect_dialog;
        res::requireControl<QLineEdit>(dialog, ids::kUserNameEdit)
            .setText(QString::fromLatin1(PostgresServer::kRole));
        res::requireControl<QLineEdit>(dialog, ids::kPasswordEdit).setText(password);
        res::requireControl<QComboBox>(dialog, ids::kConnectStringBox)
            .setEditText(QString::fromStdString(uri()));
        res::requireControl<QPushButton>(dialog, ids::kConnectButton).click();
    }

    QAction* action(int id) const { return app_->Actions()->action(id); }
    bool logHas(const std::string& text) const
    {
        return app_->View()->logText().find(text) != std::string::npos;
    }

    db::PgSession sender_;
};

TEST_F(PostgresConsole, LogsOnFromTheDialogInstallsAndTracesPlpgsql)
{
    // A wrong password shows libpq's reason and leaves the dialog up for
    // another attempt, which logs on.
    QString refusal;
    WhenModal<db::CConnectDlg>([&](db::CConnectDlg& dialog) {
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            refusal = box.text();
            box.accept();
            WhenModal<db::CConnectDlg>([](db::CConnectDlg& again) {
                connectWith(again, QString::fromLatin1(PostgresServer::kPassword));
            });
        });
        connectWith(dialog, QStringLiteral("not the password"));
    });
    app_ = std::make_unique<CVexmoorApp>(profile_);
    ASSERT_TRUE(app_->InitInstance({}));
    EXPECT_TRUE(refusal.contains(QStringLiteral("password authentication failed")))
        << refusal.toStdString();
    EXPECT_FALSE(db::g_pSession->isLoggedOn()) << "the OCI session is not the one logged on";

    // Options > Generate Procedures makes them on the server; OK starts tracing.
    WhenModal<options::COptionsDlg>([](options::COptionsDlg& options) {
        namespace ids = res::options_dialog;
        WhenModal<QMessageBox>([](QMessageBox& note) {
            note.accept();
            // The install follows the note; OK once the dialog is back.
            WhenModal<options::COptionsDlg>([](options::COptionsDlg& again) {
                res::requireControl<QPushButton>(again, ids::kOkButton).click();
            });
        });
        res::requireControl<QPushButton>(options, ids::kGenerateProceduresButton).click();
    });
    action(res::ID_OPTIONS)->trigger();
    EXPECT_EQ(app_->mainFrame()->messagePane()->text(),
              QStringLiteral("Generate Procedures created SendDebugMessage and SendTraceMessage, "
                             "callable by every role."));
    ASSERT_TRUE(app_->View()->isTracing());

    callFromPlpgsql("SendDebugMessage", "first");
    callFromPlpgsql("SendTraceMessage", "second");
    EXPECT_TRUE(WaitFor([&] { return logHas(": second\r\n"); }));
    EXPECT_TRUE(app_->View()->logText().starts_with("first\r\n")) << app_->View()->logText();
    const QString state = app_->mainFrame()->statePane()->text();
    EXPECT_TRUE(state.startsWith(QStringLiteral("vexmoor@postgresql://"))) << state.toStdString();
    EXPECT_TRUE(state.endsWith(QStringLiteral("tracing \u00B7 2 messages"))) << state.toStdString();
}

TEST_F(PostgresConsole, PurgePipeThrowsAwayWhatWaitsOnTheServer)
{
    app_ =
        std::make_unique<CVexmoorApp>(profile_, [](db::DatabaseSession* session, base::Profile&) {
            return session->LogOn(PostgresServer::kRole, PostgresServer::kPassword, uri()) ? 1 : 0;
        });
    ASSERT_TRUE(app_->InitInstance({}));
    for (const char* statement :
         {"select dbms_pipe.pack_message(6)", "select dbms_pipe.pack_message('purged'::text)",
          "select dbms_pipe.send_message('vexmoor')"})
        run(statement);
    action(res::ID_PURGE_PIPE)->trigger();
    for (const char* statement :
         {"select dbms_pipe.pack_message(4)", "select dbms_pipe.pack_message('kept'::text)",
          "select dbms_pipe.send_message('vexmoor')"})
        run(statement);
    action(res::ID_START)->trigger();
    EXPECT_EQ(app_->View()->logText(), "kept\r\n");
}

} // namespace

} // namespace vexmoor::app

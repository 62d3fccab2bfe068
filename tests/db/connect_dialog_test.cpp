// The logon dialog on a temporary embedded database, reached as "embedded"
// through $VEXMOOR_EMBEDDED_DB or by its path.

#include "support/QtTestApplication.h"

#include "base/Profile.h"
#include "db/CConnectDlg.h"
#include "db/OciSession.h"
#include "res/ConnectDialogTemplate.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace vexmoor::db {

namespace {

namespace ids = res::connect_dialog;

// Waits for the next modal window, lets `inspect` look at it, then closes it.
class ModalCloser {
public:
    explicit ModalCloser(std::function<void(QWidget&)> inspect) : inspect_(std::move(inspect))
    {
        Arm();
    }
    ModalCloser(const ModalCloser&) = delete;
    ModalCloser& operator=(const ModalCloser&) = delete;

    int Seen() const { return seen_; }

private:
    void Arm()
    {
        // The timer belongs to context_, so it dies with this object.
        QTimer::singleShot(10, &context_, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) {
                if (++attempts_ < 500)
                    Arm();
                return;
            }
            ++seen_;
            inspect_(*modal);
        });
    }

    QObject context_;
    std::function<void(QWidget&)> inspect_;
    int attempts_ = 0;
    int seen_ = 0;
};

struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Closes the next message box with OK, keeping what it said.
ModalCloser CloseMessageBox(SeenMessage& seen)
{
    return ModalCloser([&seen](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon()};
        box->button(QMessageBox::Ok)->click();
    });
}

class ConnectDialog : public ::testing::Test {
protected:
    ConnectDialog()
    {
        ::setenv("VEXMOOR_EMBEDDED_DB", folder.filePath("logon.db").toLocal8Bit().constData(), 1);
    }
    ~ConnectDialog() override { ::unsetenv("VEXMOOR_EMBEDDED_DB"); }

    std::unique_ptr<CConnectDlg> MakeDialog()
    {
        return std::make_unique<CConnectDlg>(nullptr, session, profile);
    }

    static QLineEdit& Edit(const CConnectDlg& dialog, int id)
    {
        return *res::findControl<QLineEdit>(dialog, id);
    }
    static QComboBox& Box(const CConnectDlg& dialog)
    {
        return *res::findControl<QComboBox>(dialog, ids::kConnectStringBox);
    }
    static QStringList Status(const CConnectDlg& dialog)
    {
        QStringList lines;
        for (int id : {ids::kStatusLine1, ids::kStatusLine2, ids::kStatusLine3})
            lines << res::findControl<QLabel>(dialog, id)->text();
        return lines;
    }
    static QStringList Items(const QComboBox& box)
    {
        QStringList items;
        for (int row = 0; row < box.count(); ++row)
            items << box.itemText(row);
        return items;
    }

    // Fills the three fields and presses Connect.
    static void Connect(CConnectDlg& dialog, const QString& user, const QString& password,
                        const QString& connect)
    {
        Edit(dialog, ids::kUserNameEdit).setText(user);
        Edit(dialog, ids::kPasswordEdit).setText(password);
        Box(dialog).setEditText(connect);
        res::findControl<QPushButton>(dialog, ids::kConnectButton)->click();
    }

    std::string History() const
    {
        std::string history;
        const int count = profile.getProfileInt("ServerList", "Items", 0);
        for (int i = 1; i <= count; ++i)
            history +=
                "[" + profile.getProfileString("ServerList", "Item" + std::to_string(i)) + "]";
        return history;
    }

    QTemporaryDir folder;
    OciSession session;
    base::MemoryProfile profile;
};

TEST_F(ConnectDialog, FirstStartOpensEmpty)
{
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->windowTitle(), "Connect to Oracle");
    EXPECT_EQ(Edit(*dialog, ids::kUserNameEdit).text(), "");
    EXPECT_EQ(Edit(*dialog, ids::kPasswordEdit).text(), "");
    EXPECT_EQ(Edit(*dialog, ids::kPasswordEdit).echoMode(), QLineEdit::Password);
    EXPECT_EQ(Box(*dialog).currentText(), "");
    EXPECT_EQ(Box(*dialog).count(), 0);
    EXPECT_EQ(Status(*dialog), QStringList({"", "", ""}));
    EXPECT_EQ(profile.size(), 0u);

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_NE(QApplication::focusWidget(), &Edit(*dialog, ids::kPasswordEdit));

    SeenMessage help;
    {
        ModalCloser closer = CloseMessageBox(help);
        res::findControl<QPushButton>(*dialog, ids::kHelpButton)->click();
    }
    EXPECT_EQ(help.title, "Vexmoor");
    EXPECT_EQ(help.text, connectHelpText()) << "Help says what to type";
    EXPECT_TRUE(dialog->isVisible()) << "and leaves the dialog open";
    EXPECT_EQ(profile.size(), 0u);
}

TEST_F(ConnectDialog, OpensWithTheLastLogonAndTheFocusOnThePassword)
{
    profile.writeProfileString("Connect", "Usr", "scott");
    profile.writeProfileString("Connect", "Srv", "ALP");
    profile.writeProfileInt("ServerList", "Items", 4);
    profile.writeProfileString("ServerList", "Item1", "zeta");
    profile.writeProfileString("ServerList", "Item2", "Alpha-long");
    profile.writeProfileString("ServerList", "Item3", "beta");
    // Item4 is missing: an empty row.
    auto dialog = MakeDialog();

    EXPECT_EQ(Items(Box(*dialog)), QStringList({"", "Alpha-long", "beta", "zeta"}));
    EXPECT_EQ(Edit(*dialog, ids::kUserNameEdit).text(), "scott");
    EXPECT_EQ(Box(*dialog).currentText(), "Alpha-long")
        << "the first entry that begins with the stored connect string, in any case";
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), &Edit(*dialog, ids::kPasswordEdit));

    profile.writeProfileString("Connect", "Srv", "gamma");
    EXPECT_EQ(Box(*MakeDialog()).currentText(), "gamma") << "no entry matches: the text itself";
}

TEST_F(ConnectDialog, SuccessfulLogonRemembersUserAndConnectString)
{
    auto dialog = MakeDialog();
    Connect(*dialog, "vexmoor", "vexmoor", "embedded");
    EXPECT_TRUE(session.isLoggedOn());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(Status(*dialog), QStringList({"Connected with database", "embedded", ""}));
    EXPECT_EQ(profile.getProfileString("Connect", "Usr"), "vexmoor");
    EXPECT_EQ(profile.getProfileString("Connect", "Srv"), "embedded");
    EXPECT_EQ(History(), "[embedded]");
    EXPECT_FALSE(profile.contains("Connect", "Pwd"));
    EXPECT_EQ(profile.size(), 4u) << "the password is never stored";
}

TEST_F(ConnectDialog, HistoryKeepsEachConnectStringOnceComparingCase)
{
    {
        auto dialog = MakeDialog();
        Connect(*dialog, "vexmoor", "vexmoor", "embedded");
    }
    {
        OciSession second;
        CConnectDlg dialog(nullptr, second, profile);
        Connect(dialog, "vexmoor", "vexmoor", "embedded");
        ASSERT_TRUE(second.isLoggedOn());
        EXPECT_EQ(History(), "[embedded]");
        EXPECT_EQ(Box(dialog).count(), 1);
    }
    OciSession third;
    CConnectDlg dialog(nullptr, third, profile);
    Connect(dialog, "vexmoor", "vexmoor", "Embedded");
    ASSERT_TRUE(third.isLoggedOn());
    EXPECT_EQ(History(), "[embedded][Embedded]");
    EXPECT_EQ(Box(dialog).count(), 2);
    EXPECT_EQ(profile.getProfileString("Connect", "Srv"), "Embedded");
}

TEST_F(ConnectDialog, FailedLogonIsShownRememberedAndLeavesTheDialogOpen)
{
    profile.writeProfileString("Connect", "Usr", "vexmoor");
    profile.writeProfileString("Connect", "Srv", "good");
    auto dialog = MakeDialog();
    SeenMessage message;
    ModalCloser closer = CloseMessageBox(message);
    Connect(*dialog, "vexmoor", "wrong", "embedded");

    EXPECT_EQ(closer.Seen(), 1);
    EXPECT_EQ(message.title, "Vexmoor");
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_TRUE(message.text.contains("ORA-01017")) << message.text.toStdString();
    EXPECT_FALSE(session.isLoggedOn());
    EXPECT_EQ(dialog->result(), 0);
    EXPECT_EQ(Status(*dialog), QStringList({"", "", ""})) << "nothing is connecting any more";
    EXPECT_TRUE(Items(Box(*dialog)).contains("embedded")) << "in the list at once";
    EXPECT_EQ(History(), "[embedded]");
    EXPECT_EQ(profile.getProfileString("Connect", "Srv"), "good");
    EXPECT_EQ(profile.getProfileString("Connect", "Usr"), "vexmoor");

    // The user corrects the password and tries again in the same dialog.
    Connect(*dialog, "vexmoor", "vexmoor", "embedded");
    EXPECT_TRUE(session.isLoggedOn());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(History(), "[embedded]");
}

TEST_F(ConnectDialog, EmptyConnectStringIsRecordedOnceAsAnEmptyEntry)
{
    auto dialog = MakeDialog();
    for (int attempt = 0; attempt < 2; ++attempt) {
        SeenMessage message;
        ModalCloser closer = CloseMessageBox(message);
        Connect(*dialog, "vexmoor", "vexmoor", "");
        EXPECT_EQ(closer.Seen(), 1) << "the logon fails: no database named";
    }
    EXPECT_EQ(History(), "[]");
    EXPECT_EQ(profile.getProfileInt("ServerList", "Items", 0), 1);
    EXPECT_EQ(Items(Box(*dialog)), QStringList({""}));
}

TEST_F(ConnectDialog, OverlongFieldsAreRefusedBeforeAnything)
{
    auto dialog = MakeDialog();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    const QString thirtyOne(31, QLatin1Char('c'));

    // A connect string may hold a host, port and service, or a file path:
    // 255 characters, one more is refused.
    SeenMessage message;
    ModalCloser closer = CloseMessageBox(message);
    Connect(*dialog, "vexmoor", "vexmoor", QString(256, QLatin1Char('c')));
    EXPECT_EQ(closer.Seen(), 1);
    EXPECT_EQ(message.text, "Please enter no more than 255 characters.");
    EXPECT_EQ(message.title, "Vexmoor");
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    QWidget* focus = dialog->focusWidget();
    EXPECT_TRUE(focus == &Box(*dialog) || focus == Box(*dialog).lineEdit())
        << "the focus goes to the box";
    EXPECT_FALSE(session.isLoggedOn());
    EXPECT_EQ(profile.size(), 0u) << "no history, no logon data";
    EXPECT_EQ(Box(*dialog).count(), 0);
    EXPECT_EQ(Status(*dialog), QStringList({"", "", ""}));
    EXPECT_TRUE(dialog->isVisible());

    // User name and password keep their 30 characters: an over-long user
    // name (set around the typing limit) is caught, with its text selected.
    Edit(*dialog, ids::kUserNameEdit).setMaxLength(40);
    SeenMessage userMessage;
    ModalCloser userCloser = CloseMessageBox(userMessage);
    Connect(*dialog, thirtyOne, "vexmoor", "embedded");
    EXPECT_EQ(userCloser.Seen(), 1);
    EXPECT_EQ(userMessage.text, "Please enter no more than 30 characters.");
    EXPECT_EQ(dialog->focusWidget(), &Edit(*dialog, ids::kUserNameEdit));
    EXPECT_EQ(Edit(*dialog, ids::kUserNameEdit).selectedText(), thirtyOne);
    EXPECT_EQ(profile.size(), 0u);
    Edit(*dialog, ids::kUserNameEdit).setMaxLength(30);

    // The two edits stop typing at 30 characters.
    Edit(*dialog, ids::kUserNameEdit).clear();
    QTest::keyClicks(&Edit(*dialog, ids::kUserNameEdit), thirtyOne);
    EXPECT_EQ(Edit(*dialog, ids::kUserNameEdit).text().size(), 30);
    EXPECT_EQ(Edit(*dialog, ids::kPasswordEdit).maxLength(), 30);

    // 255 characters pass the check (and fail as a logon).
    SeenMessage logonFailure;
    ModalCloser logonCloser = CloseMessageBox(logonFailure);
    Connect(*dialog, "vexmoor", "vexmoor", QString(255, QLatin1Char('c')));
    EXPECT_EQ(logonCloser.Seen(), 1);
    EXPECT_NE(logonFailure.text, "Please enter no more than 255 characters.");
    EXPECT_EQ(profile.getProfileInt("ServerList", "Items", 0), 1);
}

TEST_F(ConnectDialog, LongConnectStringsLogOn)
{
    // A file path that makes the connect string 60 characters long.
    const QString prefix = QStringLiteral("embedded:") + folder.path() + QStringLiteral("/");
    ASSERT_LT(prefix.size(), 57) << "the temporary folder's path is too long for this test";
    const QString connect =
        prefix + QString(57 - prefix.size(), QLatin1Char('x')) + QStringLiteral(".db");
    ASSERT_EQ(connect.size(), 60);

    auto dialog = MakeDialog();
    Connect(*dialog, "vexmoor", "vexmoor", connect);
    EXPECT_TRUE(session.isLoggedOn());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(profile.getProfileString("Connect", "Srv"), connect.toStdString());
    EXPECT_EQ(History(), "[" + connect.toStdString() + "]");
}

TEST_F(ConnectDialog, TypedConnectStringIsNotCompletedFromTheHistory)
{
    profile.writeProfileInt("ServerList", "Items", 2);
    profile.writeProfileString("ServerList", "Item1", "embedded-prod");
    profile.writeProfileString("ServerList", "Item2", "EMBEDDED-test");
    auto dialog = MakeDialog();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    Edit(*dialog, ids::kUserNameEdit).setText("vexmoor");
    Edit(*dialog, ids::kPasswordEdit).setText("vexmoor");
    QComboBox& box = Box(*dialog);
    box.lineEdit()->clear();
    box.setFocus();
    QTest::keyClicks(box.lineEdit(), "embedded");
    EXPECT_EQ(box.currentText(), "embedded");

    SeenMessage failure; // a logon to another database fails, and says so
    ModalCloser closer = CloseMessageBox(failure);
    res::findControl<QPushButton>(*dialog, ids::kConnectButton)->click();
    EXPECT_EQ(closer.Seen(), 0) << failure.text.toStdString();
    EXPECT_TRUE(session.isLoggedOn()) << "logged on to what was typed";
    EXPECT_EQ(profile.getProfileString("Connect", "Srv"), "embedded");
    EXPECT_EQ(Items(box), QStringList({"embedded", "embedded-prod", "EMBEDDED-test"}))
        << "the history list stays";
}

TEST_F(ConnectDialog, RunConnectDialogGivesOneAfterLogonAndZeroAfterCancel)
{
    ModalCloser cancel([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Escape); });
    EXPECT_EQ(RunConnectDialog(&session, profile), 0);
    EXPECT_EQ(cancel.Seen(), 1);
    EXPECT_FALSE(session.isLoggedOn());
    EXPECT_EQ(profile.size(), 0u);

    ModalCloser logOn([](QWidget& modal) {
        auto* dialog = qobject_cast<CConnectDlg*>(&modal);
        ASSERT_NE(dialog, nullptr);
        Connect(*dialog, "vexmoor", "vexmoor", "embedded");
    });
    EXPECT_EQ(RunConnectDialog(&session, profile), 1);
    EXPECT_TRUE(session.isLoggedOn());
}

} // namespace

} // namespace vexmoor::db

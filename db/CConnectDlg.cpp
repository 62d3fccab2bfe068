#include "CConnectDlg.h"

#include "OciSession.h"
#include "base/LocaleText.h"
#include "base/Profile.h"
#include "res/ConnectDialogTemplate.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>


namespace {

namespace ids = res::connect_dialog;

// User name and password keep the 30 characters of a release-7 logon; a
// connect string holds a host, a port and a service name, or a file path.
constexpr int kMaxChars = 30;
constexpr int kMaxConnectChars = 255;
constexpr const char* kConnectSection = "Connect";
constexpr const char* kServerListSection = "ServerList";
constexpr const char* kApplicationName = "Vexmoor";

// The session and the profile take texts as bytes in the locale's character set.
QString FromBytes(const std::string& bytes)
{
    return vexmoor::base::FromLocaleBytes(bytes);
}

std::string ToBytes(const QString& text)
{
    return vexmoor::base::ToLocaleBytes(text);
}

std::string ItemEntry(int number)
{
    return "Item" + std::to_string(number);
}

// The wait cursor for the life of a scope, or until released early so that a
// message box shows the ordinary pointer.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { Release(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void Release()
    {
        if (m_bActive)
            QApplication::restoreOverrideCursor();
        m_bActive = false;
    }

private:
    bool m_bActive = true;
};

void ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kApplicationName), text,
                    QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

CConnectDlg::CConnectDlg(QWidget* parent, OciSession& session, Profile& profile)
    : QDialog(parent), m_session(session), m_profile(profile)
{
    m_strUserName = m_profile.GetProfileString(kConnectSection, "Usr");
    m_strConnect = m_profile.GetProfileString(kConnectSection, "Srv");
    res::BuildDialog(*this, ids::Template());
    // Buttons 1 and 2 reach accept and reject through the template.
    connect(&res::RequireControl<QPushButton>(*this, ids::kHelpButton), &QPushButton::clicked, this,
            [this] {
                QMessageBox box(QMessageBox::Information, QString::fromLatin1(kApplicationName),
                                vexmoor::db::connectHelpText(), QMessageBox::Ok, this);
                box.setTextFormat(Qt::PlainText);
                box.exec();
            });
    UserNameEdit().setMaxLength(kMaxChars);
    PasswordEdit().setMaxLength(kMaxChars);
    // The box would otherwise complete typed text from the history, so that
    // "embedded" typed with "embedded-prod" listed logs on to the latter.
    ConnectStringBox().setCompleter(nullptr);
    OnInitDialog();
}

QLineEdit& CConnectDlg::UserNameEdit() const
{
    return res::RequireControl<QLineEdit>(*this, ids::kUserNameEdit);
}

QLineEdit& CConnectDlg::PasswordEdit() const
{
    return res::RequireControl<QLineEdit>(*this, ids::kPasswordEdit);
}

QComboBox& CConnectDlg::ConnectStringBox() const
{
    return res::RequireControl<QComboBox>(*this, ids::kConnectStringBox);
}

QLabel& CConnectDlg::StatusLine(int index) const
{
    return res::RequireControl<QLabel>(*this, ids::kStatusLine1 + index);
}

void CConnectDlg::OnInitDialog()
{
    // The first exchange happens while the list is still empty, so the box
    // takes the stored connect string as its text.
    PutFieldsIntoControls();
    FillHistory();
    PutFieldsIntoControls();
    // With no user name stored nobody is given the focus here.
    if (!m_strUserName.empty())
        PasswordEdit().setFocus();
}

void CConnectDlg::PutFieldsIntoControls()
{
    UserNameEdit().setText(FromBytes(m_strUserName));
    PasswordEdit().setText(FromBytes(m_strPassword));
    QComboBox& box = ConnectStringBox();
    const QString connect = FromBytes(m_strConnect);
    int match = -1;
    for (int row = 0; row < box.count() && match < 0; ++row) {
        if (box.itemText(row).startsWith(connect, Qt::CaseInsensitive))
            match = row;
    }
    if (match >= 0)
        box.setCurrentIndex(match);
    else
        box.setEditText(connect);
    for (int i = 0; i < 3; ++i)
        StatusLine(i).setText(FromBytes(m_strStatus[i]));
}

void CConnectDlg::FillHistory()
{
    QComboBox& box = ConnectStringBox();
    box.clear();
    const int count = m_profile.GetProfileInt(kServerListSection, "Items", 0);
    for (int number = 1; number <= count; ++number)
        box.addItem(FromBytes(m_profile.GetProfileString(kServerListSection, ItemEntry(number))));
}

void CConnectDlg::AddToHistory(const std::string& connectString)
{
    const int count = m_profile.GetProfileInt(kServerListSection, "Items", 0);
    for (int number = 1; number <= count; ++number) {
        if (m_profile.GetProfileString(kServerListSection, ItemEntry(number)) == connectString)
            return;
    }
    ConnectStringBox().addItem(FromBytes(connectString));
    m_profile.WriteProfileInt(kServerListSection, "Items", count + 1);
    m_profile.WriteProfileString(kServerListSection, ItemEntry(count + 1), connectString);
}

QWidget* CConnectDlg::TakeFieldsFromControls()
{
    struct Field {
        QWidget& control;
        QString text;
        std::string& value;
        int maxChars;
    };
    Field fields[] = {
        {UserNameEdit(), UserNameEdit().text(), m_strUserName, kMaxChars},
        {PasswordEdit(), PasswordEdit().text(), m_strPassword, kMaxChars},
        {ConnectStringBox(), ConnectStringBox().currentText(), m_strConnect, kMaxConnectChars},
    };
    for (Field& field : fields) {
        if (field.text.size() > field.maxChars)
            return &field.control;
        field.value = ToBytes(field.text);
    }
    return nullptr;
}

void CConnectDlg::RefuseOverlongField(QWidget& control)
{
    const int limit = &control == &ConnectStringBox() ? kMaxConnectChars : kMaxChars;
    ShowMessage(this, QStringLiteral("Please enter no more than %1 characters.").arg(limit));
    control.setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(&control))
        edit->selectAll();
}

void CConnectDlg::ShowStatus(const std::string& line1, const std::string& line2,
                             const std::string& line3)
{
    m_strStatus[0] = line1;
    m_strStatus[1] = line2;
    m_strStatus[2] = line3;
    for (int i = 0; i < 3; ++i) {
        StatusLine(i).setText(FromBytes(m_strStatus[i]));
        // The logon blocks the thread: paint now, or the lines show too late.
        StatusLine(i).repaint();
    }
}

void CConnectDlg::accept()
{
    WaitCursor wait;
    if (QWidget* overlong = TakeFieldsFromControls()) {
        wait.Release();
        RefuseOverlongField(*overlong);
        return;
    }
    ShowStatus("Connecting to database", m_strUserName + "@" + m_strConnect, "");
    // Before the logon, so that a connect string that fails is remembered too.
    AddToHistory(m_strConnect);
    if (m_session.LogOn(m_strUserName, m_strPassword, m_strConnect)) {
        ShowStatus("Connected with database", m_strConnect, "");
        m_profile.WriteProfileString(kConnectSection, "Usr", m_strUserName);
        m_profile.WriteProfileString(kConnectSection, "Srv", m_strConnect);
        done(1);
        return;
    }
    const QString reason = FromBytes(m_session.ErrorText());
    // "Connecting to database" would otherwise stay up while nothing connects.
    ShowStatus("", "", "");
    wait.Release();
    ShowMessage(this, reason);
}

void CConnectDlg::reject()
{
    done(0);
}

int RunConnectDialog(OciSession* session, Profile& profile)
{
    if (session == nullptr)
        return 0;
    CConnectDlg dialog(nullptr, *session, profile);
    return dialog.exec() == 1 ? 1 : 0;
}

QString vexmoor::db::connectHelpText()
{
    return QStringLiteral(
        "Connect string:\n"
        "  embedded\n"
        "      the embedded database of this user\n"
        "      (~/.local/share/Orrindale/Vexmoor/embedded.db, or $VEXMOOR_EMBEDDED_DB)\n"
        "  embedded:PATH\n"
        "      the embedded database in the file PATH, made when missing\n"
        "  an Oracle connect string\n"
        "      a net service name (orcl) or host:port/service (dbhost:1521/orclpdb);\n"
        "      empty for the default database\n"
        "  postgresql://host:port/database\n"
        "      a PostgreSQL server\n"
        "\n"
        "A new embedded database has two accounts:\n"
        "  vexmoor / vexmoor  may trace, create the trace procedures and their synonyms\n"
        "  system / manager   may do everything");
}

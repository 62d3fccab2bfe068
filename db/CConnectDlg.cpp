#include "CConnectDlg.h"

#include "LogonTarget.h"
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

namespace vexmoor::db {

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
QString fromBytes(const std::string& bytes)
{
    return base::fromLocaleBytes(bytes);
}

std::string toBytes(const QString& text)
{
    return base::toLocaleBytes(text);
}

std::string itemEntry(int number)
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
        if (active_)
            QApplication::restoreOverrideCursor();
        active_ = false;
    }

private:
    bool active_ = true;
};

void showMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kApplicationName), text,
                    QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

CConnectDlg::CConnectDlg(QWidget* parent, LogonTarget& session, base::Profile& profile)
    : QDialog(parent), session_(session), profile_(profile)
{
    userName_ = profile_.getProfileString(kConnectSection, "Usr");
    connect_ = profile_.getProfileString(kConnectSection, "Srv");
    res::buildDialog(*this, ids::dialogTemplate());
    // Buttons 1 and 2 reach accept and reject through the template.
    connect(&res::requireControl<QPushButton>(*this, ids::kHelpButton), &QPushButton::clicked, this,
            [this] {
                QMessageBox box(QMessageBox::Information, QString::fromLatin1(kApplicationName),
                                connectHelpText(), QMessageBox::Ok, this);
                box.setTextFormat(Qt::PlainText);
                box.exec();
            });
    userNameEdit().setMaxLength(kMaxChars);
    passwordEdit().setMaxLength(kMaxChars);
    // The box would otherwise complete typed text from the history, so that
    // "embedded" typed with "embedded-prod" listed logs on to the latter.
    connectStringBox().setCompleter(nullptr);
    OnInitDialog();
}

QLineEdit& CConnectDlg::userNameEdit() const
{
    return res::requireControl<QLineEdit>(*this, ids::kUserNameEdit);
}

QLineEdit& CConnectDlg::passwordEdit() const
{
    return res::requireControl<QLineEdit>(*this, ids::kPasswordEdit);
}

QComboBox& CConnectDlg::connectStringBox() const
{
    return res::requireControl<QComboBox>(*this, ids::kConnectStringBox);
}

QLabel& CConnectDlg::statusLine(int index) const
{
    return res::requireControl<QLabel>(*this, ids::kStatusLine1 + index);
}

void CConnectDlg::OnInitDialog()
{
    // The first exchange happens while the list is still empty, so the box
    // takes the stored connect string as its text.
    putFieldsIntoControls();
    FillHistory();
    putFieldsIntoControls();
    // With no user name stored nobody is given the focus here.
    if (!userName_.empty())
        passwordEdit().setFocus();
}

void CConnectDlg::putFieldsIntoControls()
{
    userNameEdit().setText(fromBytes(userName_));
    passwordEdit().setText(fromBytes(password_));
    QComboBox& box = connectStringBox();
    const QString connect = fromBytes(connect_);
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
        statusLine(i).setText(fromBytes(status_[i]));
}

void CConnectDlg::FillHistory()
{
    QComboBox& box = connectStringBox();
    box.clear();
    const int count = profile_.getProfileInt(kServerListSection, "Items", 0);
    for (int number = 1; number <= count; ++number)
        box.addItem(fromBytes(profile_.getProfileString(kServerListSection, itemEntry(number))));
}

void CConnectDlg::AddToHistory(const std::string& connectString)
{
    const int count = profile_.getProfileInt(kServerListSection, "Items", 0);
    for (int number = 1; number <= count; ++number) {
        if (profile_.getProfileString(kServerListSection, itemEntry(number)) == connectString)
            return;
    }
    connectStringBox().addItem(fromBytes(connectString));
    profile_.writeProfileInt(kServerListSection, "Items", count + 1);
    profile_.writeProfileString(kServerListSection, itemEntry(count + 1), connectString);
}

QWidget* CConnectDlg::takeFieldsFromControls()
{
    struct Field {
        QWidget& control;
        QString text;
        std::string& value;
        int maxChars;
    };
    Field fields[] = {
        {userNameEdit(), userNameEdit().text(), userName_, kMaxChars},
        {passwordEdit(), passwordEdit().text(), password_, kMaxChars},
        {connectStringBox(), connectStringBox().currentText(), connect_, kMaxConnectChars},
    };
    for (Field& field : fields) {
        if (field.text.size() > field.maxChars)
            return &field.control;
        field.value = toBytes(field.text);
    }
    return nullptr;
}

void CConnectDlg::refuseOverlongField(QWidget& control)
{
    const int limit = &control == &connectStringBox() ? kMaxConnectChars : kMaxChars;
    showMessage(this, QStringLiteral("Please enter no more than %1 characters.").arg(limit));
    control.setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(&control))
        edit->selectAll();
}

void CConnectDlg::showStatus(const std::string& line1, const std::string& line2,
                             const std::string& line3)
{
    status_[0] = line1;
    status_[1] = line2;
    status_[2] = line3;
    for (int i = 0; i < 3; ++i) {
        statusLine(i).setText(fromBytes(status_[i]));
        // The logon blocks the thread: paint now, or the lines show too late.
        statusLine(i).repaint();
    }
}

void CConnectDlg::accept()
{
    WaitCursor wait;
    if (QWidget* overlong = takeFieldsFromControls()) {
        wait.Release();
        refuseOverlongField(*overlong);
        return;
    }
    showStatus("Connecting to database", userName_ + "@" + connect_, "");
    // Before the logon, so that a connect string that fails is remembered too.
    AddToHistory(connect_);
    if (session_.LogOn(userName_, password_, connect_)) {
        showStatus("Connected with database", connect_, "");
        profile_.writeProfileString(kConnectSection, "Usr", userName_);
        profile_.writeProfileString(kConnectSection, "Srv", connect_);
        done(1);
        return;
    }
    const QString reason = fromBytes(session_.ErrorText());
    // "Connecting to database" would otherwise stay up while nothing connects.
    showStatus("", "", "");
    wait.Release();
    showMessage(this, reason);
}

void CConnectDlg::reject()
{
    done(0);
}

int RunConnectDialog(LogonTarget* session, base::Profile& profile)
{
    if (session == nullptr)
        return 0;
    CConnectDlg dialog(nullptr, *session, profile);
    return dialog.exec() == 1 ? 1 : 0;
}

QString connectHelpText()
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

} // namespace vexmoor::db

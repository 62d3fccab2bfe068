#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vexmoor::base {
class Profile;
}

namespace vexmoor::db {

class LogonTarget;


// The "Connect to Oracle" dialog: logs the session on (or the program's
// choice of session by the connect string), remembers the last
// user name and connect string, and keeps the history of connect strings.
// Its controls come from template 146 and are found by their ids.
class CConnectDlg : public QDialog {
    Q_OBJECT

public:
    // Reads the last user name and connect string, builds the controls and
    // opens them (OnInitDialog): fields in place, history filled, focus set.
    CConnectDlg(QWidget* parent, LogonTarget& session, base::Profile& profile);

    void FillHistory();
    void AddToHistory(const std::string& connectString);

public slots:
    void accept() override; // Connect (OnOK)
    void reject() override; // Cancel (OnCancel)

private:
    void OnInitDialog();
    void putFieldsIntoControls();
    // The control whose text is too long, or nullptr when all were taken.
    QWidget* takeFieldsFromControls();
    void refuseOverlongField(QWidget& control);
    void showStatus(const std::string& line1, const std::string& line2, const std::string& line3);

    QLineEdit& userNameEdit() const;
    QLineEdit& passwordEdit() const;
    QComboBox& connectStringBox() const;
    QLabel& statusLine(int index) const;

    LogonTarget& session_;
    base::Profile& profile_;
    std::string userName_;
    std::string password_;
    std::string connect_;
    std::string status_[3];
};

// Runs the dialog modally with no parent; 1 after a successful logon, else 0.
int RunConnectDialog(LogonTarget* session, base::Profile& profile);

// What the logon dialog's Help button shows: what to type as connect string,
// and the accounts a new embedded database has.
QString connectHelpText();

} // namespace vexmoor::db

#pragma once

#include <QDialog>

#include <string>

class OciSession;
class Profile;
class QComboBox;
class QLineEdit;

// The "Connect to Oracle" dialog: logs the session on, remembers the last
// user name and connect string, and keeps the history of connect strings.
class CConnectDlg : public QDialog {
    Q_OBJECT

public:
    CConnectDlg(QWidget* parent, OciSession& session, Profile& profile);

    void FillHistory();
    void AddToHistory(const std::string& connectString);

public slots:
    void accept() override; // Connect (OnOK)
    void reject() override; // Cancel (OnCancel)

private:
    OciSession& m_session;
    Profile& m_profile;
    std::string m_strUserName;
    std::string m_strPassword;
    std::string m_strConnect;
    std::string m_strStatus[3];
};

// Runs the dialog modally with no parent; 1 after a successful logon, else 0.
int RunConnectDialog(OciSession* session, Profile& profile);

#pragma once

#include "ui/CLinkStatic.h"

#include <QDialog>
#include <QFont>
#include <QString>

class QLabel;

namespace ui {
class DesktopShell;
}

// The about box, template 163: the banner, the product line, version and
// release date in a sunken box, and the maker's mail and web links.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `shell` opens the links; the system's when null.
    explicit CAboutDlg(QWidget* parent = nullptr, ui::DesktopShell* shell = nullptr);

    // Shown in the text box, replacing its "..." placeholder.
    void SetAboutText(const QString& text);
    const QString& AboutText() const { return m_aboutText; }

    CLinkStatic& MailLink() { return m_mailLink; }
    CLinkStatic& WebLink() { return m_webLink; }
    QLabel& VersionText() const { return *m_versionText; }

private:
    void InitDialog();

    CLinkStatic m_mailLink;
    CLinkStatic m_webLink;
    QLabel* m_versionText = nullptr;
    QString m_aboutText;
};

// The three lines of the about box: product, version and release date.
QString AboutText();

// Runs the about box modally over `parent` with the given text; what the
// application's About command does.
void ShowAboutBox(QWidget* parent, const QString& text, ui::DesktopShell* shell = nullptr);

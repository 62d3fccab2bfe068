#pragma once

#include "ui/CLinkStatic.h"

#include <QDialog>
#include <QFont>
#include <QString>

class QLabel;

namespace vexmoor::ui {

class DesktopShell;

// The about box, template 163: the banner, the product line, version and
// release date in a sunken box, and the maker's mail and web links.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `shell` opens the links; the system's when null.
    explicit CAboutDlg(QWidget* parent = nullptr, ui::DesktopShell* shell = nullptr);

    // Shown in the text box, replacing its "..." placeholder.
    void setAboutText(const QString& text);
    const QString& aboutText() const { return aboutText_; }

    CLinkStatic& mailLink() { return mailLink_; }
    CLinkStatic& webLink() { return webLink_; }
    QLabel& versionText() const { return *versionText_; }

private:
    void initDialog();

    CLinkStatic mailLink_;
    CLinkStatic webLink_;
    QLabel* versionText_ = nullptr;
    QString aboutText_;
};

// The three lines of the about box: product, version and release date.
QString aboutText();

// Runs the about box modally over `parent` with the given text; what the
// application's About command does.
void ShowAboutBox(QWidget* parent, const QString& text, ui::DesktopShell* shell = nullptr);

} // namespace vexmoor::ui

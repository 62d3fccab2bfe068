#include "ui/CAboutDlg.h"

#include "base/Version.h"
#include "res/AboutDialogTemplate.h"

#include <QLabel>

namespace vexmoor::ui {

namespace {

constexpr const char* kProductLine = "Vexmoor - The PL/SQL Tracer";
constexpr const char* kReleaseDate = "Thursday, December 28, 2000";

// Heavier than the named Black (900): the heaviest weight a font may ask for.
constexpr int kHeaviestWeight = 1000;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent, ui::DesktopShell* shell) : QDialog(parent)
{
    if (shell != nullptr) {
        mailLink_.setShell(*shell);
        webLink_.setShell(*shell);
    }
    res::buildDialog(*this, res::aboutDialogTemplate());
    initDialog();
}

void CAboutDlg::initDialog()
{
    versionText_ = res::findControl<QLabel>(*this, res::IDC_VERSION_TEXT);
    mailLink_.Attach(*res::findControl<QLabel>(*this, res::IDC_MAIL_LINK));
    webLink_.Attach(*res::findControl<QLabel>(*this, res::IDC_WEB_LINK));
    setAboutText(aboutText_);

    QFont heavy = versionText_->font();
    heavy.setWeight(static_cast<QFont::Weight>(kHeaviestWeight));
    versionText_->setFont(heavy);

    mailLink_.SetTarget(QStringLiteral("mailto:") + QLatin1String(res::kMakerMailAddress), true);
    webLink_.SetTarget(QLatin1String(res::kMakerWebPage), true);
}

void CAboutDlg::setAboutText(const QString& text)
{
    aboutText_ = text;
    if (versionText_ != nullptr)
        versionText_->setText(aboutText_);
}

QString aboutText()
{
    return QLatin1String(kProductLine) + QStringLiteral("\nVersion ")
           + QLatin1String(base::kVersion) + QStringLiteral("\n") + QLatin1String(kReleaseDate);
}

void ShowAboutBox(QWidget* parent, const QString& text, ui::DesktopShell* shell)
{
    CAboutDlg dialog(parent, shell);
    dialog.setAboutText(text);
    dialog.exec();
}

} // namespace vexmoor::ui

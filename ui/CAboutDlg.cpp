#include "ui/CAboutDlg.h"

#include "base/Version.h"
#include "res/AboutDialogTemplate.h"

#include <QLabel>

namespace {

constexpr const char* kProductLine = "Vexmoor - The PL/SQL Tracer";
constexpr const char* kReleaseDate = "Thursday, December 28, 2000";

// Heavier than the named Black (900): the heaviest weight a font may ask for.
constexpr int kHeaviestWeight = 1000;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent, ui::DesktopShell* shell) : QDialog(parent)
{
    if (shell != nullptr) {
        m_mailLink.SetShell(*shell);
        m_webLink.SetShell(*shell);
    }
    res::BuildDialog(*this, res::AboutDialogTemplate());
    InitDialog();
}

void CAboutDlg::InitDialog()
{
    m_versionText = res::FindControl<QLabel>(*this, res::IDC_VERSION_TEXT);
    m_mailLink.Attach(*res::FindControl<QLabel>(*this, res::IDC_MAIL_LINK));
    m_webLink.Attach(*res::FindControl<QLabel>(*this, res::IDC_WEB_LINK));
    SetAboutText(m_aboutText);

    QFont heavy = m_versionText->font();
    heavy.setWeight(static_cast<QFont::Weight>(kHeaviestWeight));
    m_versionText->setFont(heavy);

    m_mailLink.SetTarget(QStringLiteral("mailto:") + QLatin1String(res::kMakerMailAddress), true);
    m_webLink.SetTarget(QLatin1String(res::kMakerWebPage), true);
}

void CAboutDlg::SetAboutText(const QString& text)
{
    m_aboutText = text;
    if (m_versionText != nullptr)
        m_versionText->setText(m_aboutText);
}

QString AboutText()
{
    return QLatin1String(kProductLine) + QStringLiteral("\nVersion ")
           + QLatin1String(vexmoor::base::kVersion) + QStringLiteral("\n")
           + QLatin1String(kReleaseDate);
}

void ShowAboutBox(QWidget* parent, const QString& text, ui::DesktopShell* shell)
{
    CAboutDlg dialog(parent, shell);
    dialog.SetAboutText(text);
    dialog.exec();
}

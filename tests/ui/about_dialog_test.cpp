#include "ui/CAboutDlg.h"

#include "FakeDesktopShell.h"
#include "res/AboutDialogTemplate.h"
#include "support/QtTestApplication.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vexmoor::ui {

namespace {

QRect TemplatePlace(const QWidget& dialog, int x, int y, int width, int height)
{
    return res::dialogUnitsToPixels(x, y, width, height, res::averageCharSize(dialog));
}

} // namespace

TEST(aboutText, IsProductVersionAndReleaseDate)
{
    EXPECT_EQ(aboutText(),
              "Vexmoor - The PL/SQL Tracer\nVersion 2.2.2\nThursday, December 28, 2000");
}

TEST(AboutBox, ShowsThreeCentredLinesInAHeavyFont)
{
    FakeDesktopShell shell;
    CAboutDlg dialog(nullptr, &shell);
    EXPECT_EQ(dialog.versionText().text(), ""); // the placeholder is replaced even when unset
    dialog.setAboutText(aboutText());
    dialog.show();

    QLabel& text = dialog.versionText();
    EXPECT_EQ(res::findControl<QLabel>(dialog, res::IDC_VERSION_TEXT), &text);
    const QStringList lines = text.text().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Vexmoor - The PL/SQL Tracer");
    EXPECT_EQ(lines[1], "Version 2.2.2");
    EXPECT_EQ(lines[2], "Thursday, December 28, 2000");
    EXPECT_TRUE(text.alignment() & Qt::AlignHCenter);
    EXPECT_EQ(text.frameShadow(), QFrame::Sunken);
    EXPECT_GT(text.font().weight(), QFont::Bold);
    // No line is so wide that it would wrap into a fourth.
    const QFontMetrics metrics(text.font());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), text.contentsRect().width())
            << line.toStdString();
    EXPECT_LE(3 * metrics.lineSpacing(), text.contentsRect().height() + metrics.leading());
}

TEST(AboutBox, LinksKeepTheirCaptionsAndShowTheirFullTargets)
{
    FakeDesktopShell shell;
    CAboutDlg dialog(nullptr, &shell);
    auto* mail = res::findControl<QLabel>(dialog, res::IDC_MAIL_LINK);
    auto* web = res::findControl<QLabel>(dialog, res::IDC_WEB_LINK);
    EXPECT_EQ(mail->text(), res::kMailLinkCaption);
    EXPECT_EQ(web->text(), res::kWebLinkCaption);
    EXPECT_EQ(mail->toolTip(), "mailto:support@orrindale.example");
    EXPECT_EQ(web->toolTip(), "https://www.orrindale.example/vexmoor");
    EXPECT_TRUE(mail->font().underline());
    EXPECT_TRUE(web->font().underline());
    // Shrunk to their captions, centred on their template places.
    const QRect webPlace = TemplatePlace(dialog, 15, 140, 206, 8);
    EXPECT_LT(web->width(), webPlace.width());
    EXPECT_NEAR(web->geometry().center().x(), webPlace.center().x(), 1);
}

TEST(AboutBox, AClickOpensTheTargetAndANewBoxStartsUnvisited)
{
    FakeDesktopShell shell;
    {
        CAboutDlg dialog(nullptr, &shell);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(res::findControl(dialog, res::IDC_MAIL_LINK), Qt::LeftButton, {},
                          QPoint(2, 2));
        QTest::mouseClick(res::findControl(dialog, res::IDC_WEB_LINK), Qt::LeftButton, {},
                          QPoint(2, 2));
        EXPECT_EQ(shell.opened, QStringList({"mailto:support@orrindale.example",
                                             "https://www.orrindale.example/vexmoor"}));
        EXPECT_TRUE(dialog.mailLink().isVisited());
        EXPECT_TRUE(dialog.webLink().isVisited());
    }
    CAboutDlg again(nullptr, &shell);
    EXPECT_FALSE(again.mailLink().isVisited());
    EXPECT_FALSE(again.webLink().isVisited());
    EXPECT_EQ(again.mailLink().textColour(), CLinkStatic::kLinkColour);
}

TEST(AboutBox, HasTheBannerCaptionAndOkButton)
{
    FakeDesktopShell shell;
    CAboutDlg dialog(nullptr, &shell);
    EXPECT_EQ(dialog.windowTitle(), "About");
    auto* banner = res::findControl<QLabel>(dialog, res::IDC_BANNER);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->pixmap().size(), QSize(320, 50));
    EXPECT_EQ(banner->pos(), TemplatePlace(dialog, 9, 15, 217, 34).topLeft());
    auto* ok = res::findControl<QPushButton>(dialog, 1);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
}

TEST(ShowAboutBox, RunsModallyUntilOk)
{
    FakeDesktopShell shell;
    QString shownText;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            shownText = dialog->versionText().text();
            res::findControl<QPushButton>(*dialog, 1)->click();
        }
    });
    closer.start(10);
    ShowAboutBox(nullptr, aboutText(), &shell);
    EXPECT_EQ(shownText, aboutText());
}

} // namespace vexmoor::ui

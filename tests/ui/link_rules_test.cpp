#include "res/WindowStyles.h"
#include "ui/BrowserCommand.h"
#include "ui/DesktopShell.h"
#include "ui/FitToTextRect.h"
#include "ui/OpenErrorReason.h"

#include "FakeDesktopShell.h"

#include <gtest/gtest.h>

namespace vexmoor::ui {

using namespace res::style;

TEST(completeBrowserCommand, CutsAtTheQuotedPlaceholderAndDropsWhatFollows)
{
    EXPECT_EQ(completeBrowserCommand(R"("C:\Program Files\Web\web.exe" -nohome "%1" -x)",
                                     "https://a.example/"),
              R"("C:\Program Files\Web\web.exe" -nohome  https://a.example/)");
    // The quoted form wins over a bare %1 earlier in the line.
    EXPECT_EQ(completeBrowserCommand(R"(web %1x "%1")", "t"), "web %1x  t");
}

TEST(completeBrowserCommand, CutsAtABarePlaceholder)
{
    EXPECT_EQ(completeBrowserCommand("/usr/bin/firefox %1 --new-tab", "mailto:a@b.example"),
              "/usr/bin/firefox  mailto:a@b.example");
    EXPECT_EQ(completeBrowserCommand("%1", "t"), " t");
}

TEST(completeBrowserCommand, AppendsToTheWholeLineWithoutPlaceholder)
{
    EXPECT_EQ(completeBrowserCommand("/usr/bin/web --private", "https://a.example/"),
              "/usr/bin/web --private https://a.example/");
    EXPECT_EQ(completeBrowserCommand("web %2 \"%\"1", "t"), "web %2 \"%\"1 t");
    EXPECT_EQ(completeBrowserCommand("", "t"), " t");
}

TEST(DesktopEntry, ExecLineBecomesThePlaceholderForm)
{
    EXPECT_EQ(execLineToBrowserCommand("/usr/lib/firefox/firefox %u"),
              "/usr/lib/firefox/firefox %1");
    EXPECT_EQ(execLineToBrowserCommand("chromium --new-window %U"), "chromium --new-window %1");
    EXPECT_EQ(execLineToBrowserCommand("viewer %F"), "viewer %1");
    EXPECT_EQ(execLineToBrowserCommand("web %i %c %k --rate=100%% %f"), "web    --rate=100% %1");
    EXPECT_EQ(execLineToBrowserCommand("web"), "web");
    EXPECT_EQ(execLineToBrowserCommand("web %"), "web %");
}

TEST(DesktopEntry, ReadsExecOfTheDesktopEntryGroupOnly)
{
    const QString file = "# comment\n[Desktop Entry]\nName=Web\nExec=web --new %u\n"
                         "[Desktop Action private]\nExec=web --private %u\n";
    EXPECT_EQ(desktopEntryExec(file), QString("web --new %u"));
    EXPECT_EQ(desktopEntryExec("[Desktop Action x]\nExec=web\n"), std::nullopt);
    EXPECT_EQ(desktopEntryExec("[Desktop Entry]\nExec=\n"), std::nullopt);
}

TEST(DesktopEntry, FindsTheDefaultApplicationOfAMimeType)
{
    const QString list = "[Added Associations]\nx-scheme-handler/http=other.desktop;\n"
                         "[Default Applications]\ntext/html=html.desktop\n"
                         "x-scheme-handler/http=firefox-esr.desktop;chromium.desktop;\n";
    EXPECT_EQ(defaultApplicationFor(list, "x-scheme-handler/http"), QString("firefox-esr.desktop"));
    EXPECT_EQ(defaultApplicationFor(list, "x-scheme-handler/https"), std::nullopt);
    EXPECT_EQ(defaultApplicationFor("[Default Applications]\nx-scheme-handler/http=;\n",
                                    "x-scheme-handler/http"),
              std::nullopt);
}

TEST(reasonForCode, EveryKnownCodeHasItsReason)
{
    EXPECT_EQ(reasonForCode(0), "The operating system is out\nof memory or resources.");
    EXPECT_EQ(reasonForCode(2), "The specified file was not found.");
    EXPECT_EQ(reasonForCode(3), "The specified path was not found.");
    EXPECT_EQ(reasonForCode(5), "The operating system denied\naccess to the specified file.");
    EXPECT_EQ(reasonForCode(8), "There was not enough memory to complete the operation.");
    EXPECT_EQ(reasonForCode(11),
              "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    EXPECT_EQ(reasonForCode(26), "A sharing violation occurred. ");
    EXPECT_EQ(reasonForCode(27), "The filename association is\nincomplete or invalid.");
    EXPECT_EQ(reasonForCode(28),
              "The DDE transaction could not\nbe completed because the request timed out.");
    EXPECT_EQ(reasonForCode(29), "The DDE transaction failed.");
    EXPECT_EQ(reasonForCode(30), "The DDE transaction could not\nbe completed because other DDE "
                                 "transactions\nwere being processed.");
    EXPECT_EQ(reasonForCode(31),
              "There is no application associated\nwith the given filename extension.");
    EXPECT_EQ(reasonForCode(32), "The specified dynamic-link library was not found.");
}

TEST(reasonForCode, OtherCodesAreUnknownWithTheirNumber)
{
    for (int code : {1, 4, 6, 7, 9, 10, 12, 13, 20, 25, 33, 42, 1000}) {
        EXPECT_EQ(reasonForCode(code), QString("Unknown Error (%1) occurred.").arg(code)) << code;
    }
    EXPECT_EQ(reasonForCode(-1), "Unknown Error (-1) occurred.");
    EXPECT_EQ(reasonForCode(-2147483647 - 1), "Unknown Error (-2147483648) occurred.");
    EXPECT_EQ(openErrorMessage(29), "Unable to open hyperlink:\n\nThe DDE transaction failed.");
}

TEST(fitRectToText, LeftAlignedKeepsLeftEdgeAndTop)
{
    EXPECT_EQ(fitRectToText(QRect(10, 20, 200, 30), QSize(50, 13), SS_LEFT), QRect(10, 20, 50, 13));
    // A caption wider than the control grows it to the right.
    EXPECT_EQ(fitRectToText(QRect(10, 20, 40, 30), QSize(50, 13), SS_LEFT), QRect(10, 20, 50, 13));
}

TEST(fitRectToText, RightAlignedKeepsRightEdge)
{
    EXPECT_EQ(fitRectToText(QRect(10, 20, 200, 30), QSize(50, 13), SS_RIGHT),
              QRect(160, 20, 50, 13));
}

TEST(fitRectToText, CentredShrinksSymmetricallyTruncatingTowardZero)
{
    // (200 - 50) / 2 = 75 on each side: the centre stays.
    EXPECT_EQ(fitRectToText(QRect(10, 20, 200, 30), QSize(50, 13), SS_CENTER),
              QRect(85, 20, 50, 13));
    // An odd difference: (200 - 51) / 2 = 74, so the result keeps 52 pixels.
    EXPECT_EQ(fitRectToText(QRect(10, 20, 200, 30), QSize(51, 13), SS_CENTER),
              QRect(84, 20, 52, 13));
    // Wider than the control: (40 - 51) / 2 = -5 moves both edges outwards.
    EXPECT_EQ(fitRectToText(QRect(10, 20, 40, 30), QSize(51, 13), SS_CENTER), QRect(5, 20, 50, 13));
}

TEST(fitRectToText, CentredImageCentresVertically)
{
    // (30 - 13) / 2 = 8 off top and bottom.
    EXPECT_EQ(fitRectToText(QRect(10, 20, 200, 30), QSize(50, 13), SS_CENTERIMAGE),
              QRect(10, 28, 50, 14));
    EXPECT_EQ(fitRectToText(QRect(10, 20, 200, 30), QSize(50, 13), SS_CENTER | SS_CENTERIMAGE),
              QRect(85, 28, 50, 14));
    // Taller text than the control: (10 - 13) / 2 = -1 each way.
    EXPECT_EQ(fitRectToText(QRect(0, 0, 60, 10), QSize(60, 13), SS_CENTERIMAGE | SS_RIGHT),
              QRect(0, -1, 60, 12));
}

TEST(OpenTarget, TheShellsSuccessIsReturnedWithoutFallback)
{
    FakeDesktopShell shell;
    shell.webPage = "web %1";
    shell.shellResult = 42;
    EXPECT_EQ(OpenTarget(shell, "https://a.example/"), 42);
    EXPECT_EQ(shell.opened, QStringList{"https://a.example/"});
    EXPECT_TRUE(shell.started.isEmpty());
}

TEST(OpenTarget, FallsBackToTheBrowserCommandCompletedWithTheTarget)
{
    FakeDesktopShell shell;
    shell.shellResult = kNoAssociation;
    shell.webPage = R"("/opt/web/web" -osint -url "%1")";
    shell.startResult = 40;
    EXPECT_EQ(OpenTarget(shell, "mailto:a@b.example"), 40);
    EXPECT_EQ(shell.started, QStringList{R"("/opt/web/web" -osint -url  mailto:a@b.example)"});

    shell.startResult = kFileNotFound;
    EXPECT_EQ(OpenTarget(shell, "t"), kFileNotFound);
}

TEST(OpenTarget, WithoutABrowserCommandTheShellsResultStands)
{
    FakeDesktopShell shell;
    shell.shellResult = 32;
    EXPECT_EQ(OpenTarget(shell, "t"), 32);
    EXPECT_TRUE(shell.started.isEmpty());
}

TEST(SystemDesktopShell, StartingAMissingProgramReportsFileNotFound)
{
    SystemDesktopShell shell;
    EXPECT_EQ(shell.startProgram("/nonexistent/vexmoor-no-such-browser https://a.example/"),
              kFileNotFound);
    EXPECT_EQ(shell.startProgram("vexmoor-no-such-browser-on-path x"), kFileNotFound);
    EXPECT_EQ(shell.startProgram(""), kFileNotFound);
}

} // namespace vexmoor::ui

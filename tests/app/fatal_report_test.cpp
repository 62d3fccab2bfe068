#include "AppTestSupport.h"

#include "app/FatalErrorBox.h"
#include "support/ScopedLocale.h"
#include "trace/CVexmoorView.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <csignal>
#include <cstdio>

namespace vexmoor::app {

using namespace vexmoor::test;

namespace {

const std::string kReport =
    "ORACLE Error when processing OCI function OEXEC, OEXN\nORA-06550: line 1, column 7:\n"
    "Error on position 6 in:\nbegin x; end;";

TEST(FatalReport, ComposesTheRecoveryLine)
{
    EXPECT_EQ(composeFatalReport(kReport, {}), kReport) << "an empty log needs no recovery file";
    EXPECT_EQ(composeFatalReport(kReport, {QStringLiteral("/tmp/a.log.recovered.log"), true}),
              kReport + "\n\nThe unsaved log was written to /tmp/a.log.recovered.log.");
    EXPECT_EQ(composeFatalReport(kReport, {QStringLiteral("/tmp/b.recovered.log"), false}),
              kReport + "\n\nThe unsaved log could not be written to /tmp/b.recovered.log.");
}

TEST(FatalReport, RecoveryFileGoesBesideTheDocumentAndNeverOverwrites)
{
    QTemporaryDir folder;
    QTemporaryDir fallback;
    const QString document = folder.filePath(QStringLiteral("trace.log"));
    const RecoverySource source{"line 1\r\nline 2\r\n", document, QStringLiteral("trace.log")};

    const RecoveryOutcome first = writeRecoveryFile(source, fallback.path());
    EXPECT_TRUE(first.written);
    EXPECT_EQ(first.path, folder.filePath(QStringLiteral("trace.log.recovered.log")));
    const RecoveryOutcome second = writeRecoveryFile(source, fallback.path());
    EXPECT_EQ(second.path, folder.filePath(QStringLiteral("trace.log.recovered-2.log")));

    QFile file(first.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("line 1\r\nline 2\r\n"));

    // An untitled log goes to the program's data folder.
    const RecoveryOutcome untitled =
        writeRecoveryFile({"x", QString(), QStringLiteral("Untitled")}, fallback.path());
    EXPECT_EQ(untitled.path, fallback.filePath(QStringLiteral("Untitled.recovered.log")));
    // A document folder that is gone sends it there too.
    const RecoveryOutcome moved = writeRecoveryFile(
        {"x", folder.filePath(QStringLiteral("gone/t.log")), QStringLiteral("t.log")},
        fallback.path());
    EXPECT_TRUE(moved.written);
    EXPECT_EQ(moved.path, fallback.filePath(QStringLiteral("t.log.recovered.log")));

    EXPECT_FALSE(
        writeRecoveryFile({"", document, QStringLiteral("trace.log")}, fallback.path()).written);
}

// The report's texts come from the database, the recovery file's name from
// the file system; the box shows both as the locale writes them.
TEST(FatalReport, BoxShowsTheReportAndTheFileNameInTheLocalesCharacterSet)
{
    const struct {
        const char* locale;
        std::string message;
    } cases[] = {
        {"C.UTF-8", "ORA-20000: Gr\xC3\xB6\xC3\x9F"
                    "e"},
        {"en_US.ISO-8859-1", "ORA-20000: Gr\xF6\xDF"
                             "e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const ScopedLocale locale(c.locale);
        ASSERT_TRUE(locale.IsActive());
        const std::string report =
            composeFatalReport(c.message, {QStringLiteral("/tmp/Köln.recovered.log"), true});
        QString shown;
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            shown = box.text();
            box.button(QMessageBox::Ok)->click();
        });
        showFatalReportBox(nullptr, report);
        EXPECT_EQ(shown, QStringLiteral("ORA-20000: Größe\n\nThe unsaved log was written to "
                                        "/tmp/Köln.recovered.log."));
    }
}

class FatalReportInProgram : public AppTest {};

TEST_F(FatalReportInProgram, BoxNamesTheRecoveryFileAndTicksAreHeldBack)
{
    ASSERT_TRUE(Start());
    SendMessage("unsaved line");
    app_->View()->OnStart();
    ASSERT_EQ(app_->View()->logText(), "unsaved line\r\n");

    QTemporaryDir fallback;
    const db::FatalErrorHandler handler = makeFatalErrorHandler(
        [&] {
            return RecoverySource{app_->View()->logText(), QString(), app_->Document().Title()};
        },
        [&]() -> QWidget* { return app_->mainFrame(); }, fallback.path());

    QString text;
    QString caption;
    bool exclamation = false;
    bool showingWhileOpen = false;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        caption = box.windowTitle();
        exclamation = box.icon() == QMessageBox::Warning;
        showingWhileOpen = db::isFatalReportShowing();
        box.button(QMessageBox::Ok)->click();
    });
    handler(kReport);
    db::setFatalReportShowing(false);

    const QString recovery = fallback.filePath(QStringLiteral("Untitled.recovered.log"));
    EXPECT_EQ(text, QString::fromStdString(kReport)
                        + QStringLiteral("\n\nThe unsaved log was written to ") + recovery
                        + QStringLiteral("."));
    EXPECT_EQ(caption, QStringLiteral("Vexmoor"));
    EXPECT_TRUE(exclamation);
    EXPECT_TRUE(showingWhileOpen);
    EXPECT_EQ(ReadFile(recovery), QByteArray("unsaved line\r\n"));
}

// The program's own handler, installed at start-up: the box names the
// recovery file, which holds the whole log, and after the box the process
// ends abnormally. The child process says what it saw on standard error.
TEST_F(FatalReportInProgram, ReportEndsTheProcess)
{
    // A fresh process for the child: a forked copy of a Qt program may
    // inherit locks held by threads that do not exist in the copy.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QString document = FilePath(QStringLiteral("doomed.log"));
    WriteFile(document, "saved part\r\n");
    ASSERT_TRUE(Start({document}));
    app_->View()->setLogText("saved part\r\nunsaved part\r\n");
    const QString recovery = FilePath(QStringLiteral("doomed.log.recovered.log"));
    // The child sets up this test again and ends by abort, never removing its
    // folders: they are made inside this process's folder, removed with it.
    const QByteArray temporaryFolder = qgetenv("TMPDIR");
    qputenv("TMPDIR", folder_.path().toLocal8Bit());

    EXPECT_EXIT(
        {
            WhenModal<QMessageBox>([recovery](QMessageBox& box) {
                QFile file(recovery);
                QByteArray saved = file.open(QIODevice::ReadOnly) ? file.readAll() : "none";
                saved.replace("\r\n", "<CRLF>");
                std::fprintf(stderr, "BOX[%s] RECOVERED[%s]\n",
                             box.text().replace(u'\n', u'|').toLocal8Bit().constData(),
                             saved.constData());
                std::fflush(stderr);
                box.button(QMessageBox::Ok)->click();
            });
            db::showFatalErrorAndEnd(kReport);
        },
        ::testing::KilledBySignal(SIGABRT),
        "BOX\\[ORACLE Error when processing OCI function OEXEC, OEXN\\|.*begin x; end;\\|\\|"
        "The unsaved log was written to .*doomed\\.log\\.recovered\\.log\\.\\] "
        "RECOVERED\\[saved part<CRLF>unsaved part<CRLF>\\]");
    if (temporaryFolder.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", temporaryFolder);
}

} // namespace

} // namespace vexmoor::app

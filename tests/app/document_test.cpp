#include "AppTestSupport.h"
#include "support/FilePermissions.h"

#include "app/ActionRegistry.h"
#include "app/CMainFrame.h"
#include "app/LogFile.h"
#include "support/ScopedLocale.h"
#include "trace/CVexmoorView.h"

#include <QAction>
#include <QFile>
#include <QTextBlock>
#include <QTextDocument>

#include <QDir>

#include <csignal>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace vexmoor::app {

using namespace vexmoor::test;

namespace {

class DocumentTest : public AppTest {
protected:
    void SetUp() override
    {
        // Poll every 10 ms once started, so ticks come quickly.
        profile_.writeProfileInt("Options", "Timer Frequency", 0);
        ASSERT_TRUE(Start());
        view_ = app_->View();
        doc_ = &app_->Document();
    }

    trace::CVexmoorView* view_ = nullptr;
    CVexmoorDoc* doc_ = nullptr;
};

TEST_F(DocumentTest, SaveWritesExactlyTheLogsBytes)
{
    SendMessage("first");
    SendMessage("second");
    view_->OnStart();
    ASSERT_EQ(view_->logText(), "first\r\nsecond\r\n");

    const QString path = FilePath(QStringLiteral("trace"));
    ASSERT_TRUE(doc_->doSave(path));
    EXPECT_EQ(ReadFile(path), QByteArray("first\r\nsecond\r\n")) << "CR LF lines, no header";
    EXPECT_EQ(doc_->pathName(), path) << "no extension is added";
    EXPECT_EQ(app_->mainFrame()->windowTitle(),
              QStringLiteral("trace - Vexmoor - The PL/SQL Tracing facility"));
    EXPECT_EQ(app_->recentFiles().entries().value(0), path);

    // 8-bit bytes go out as they came in.
    const std::string bytes("caf\xe9\tline\r\nlone\nend", 19);
    view_->setLogText(bytes);
    ASSERT_TRUE(doc_->doFileSave());
    EXPECT_EQ(ReadFile(path), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

TEST_F(DocumentTest, OpenTakesUpToTheLimitAndRefusesOneByteMore)
{
    const QString fits = FilePath(QStringLiteral("fits.log"));
    const QString tooLarge = FilePath(QStringLiteral("too-large.log"));
    // Lines of 64 bytes, as a long trace has them.
    const QByteArray line("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcd\r\n");
    ASSERT_EQ(line.size(), 64);
    const QByteArray lines = line.repeated(1'048'576 / 64 + 1);
    WriteFile(fits, lines.left(1'048'575));
    WriteFile(tooLarge, lines.left(1'048'576));

    ASSERT_EQ(app_->openDocumentFile(fits), CVexmoorApp::OpenResult::Opened);
    EXPECT_EQ(view_->logText().size(), 1'048'575u);

    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Vexmoor"));
        box.accept();
    });
    EXPECT_EQ(app_->openDocumentFile(tooLarge), CVexmoorApp::OpenResult::Failed);
    EXPECT_EQ(shown, QStringLiteral("The file is too large to open."));
    // The refused open leaves the log it found.
    EXPECT_EQ(view_->logText().size(), 1'048'575u);
    EXPECT_EQ(doc_->pathName(), fits);
}

TEST_F(DocumentTest, OnlyTheUsersChangesMarkTheLogModified)
{
    SendMessage("traced");
    view_->OnStart();
    ASSERT_EQ(view_->logText(), "traced\r\n");
    EXPECT_FALSE(doc_->IsModified());

    // After tracing without typing, New asks nothing.
    bool asked = false;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        asked = true;
        box.button(QMessageBox::No)->click();
    });
    app_->Actions()->action(57600)->trigger();
    ASSERT_TRUE(WaitFor([&] { return view_->logText().empty(); })) << "New kept the log";
    EXPECT_FALSE(asked);
    EXPECT_EQ(view_->logText(), "");

    view_->setFocus();
    QTest::keyClicks(view_, "note");
    EXPECT_TRUE(doc_->IsModified());
    SendMessage("more");
    ASSERT_TRUE(WaitFor([&] { return view_->logText().find("more") != std::string::npos; }));
    EXPECT_TRUE(doc_->IsModified()) << "appending does not clear the user's change either";
}

TEST_F(DocumentTest, UndoingIsAChangeToo)
{
    const QString path = FilePath(QStringLiteral("undo.log"));
    WriteFile(path, "from disk\r\n");
    ASSERT_EQ(app_->openDocumentFile(path), CVexmoorApp::OpenResult::Opened);
    const auto undo = [&] { app_->Actions()->action(57643)->trigger(); };
    view_->setFocus();

    QTest::keyClicks(view_, "x");
    ASSERT_TRUE(doc_->IsModified());
    undo();
    EXPECT_EQ(view_->logText(), "from disk\r\n");
    EXPECT_TRUE(doc_->IsModified()) << "back to the text on disk, but by a change";

    // The same after a save: undoing past it is a change again.
    ASSERT_TRUE(doc_->doFileSave());
    ASSERT_FALSE(doc_->IsModified());
    QTest::keyClicks(view_, "y");
    undo();
    EXPECT_TRUE(doc_->IsModified());
    ASSERT_TRUE(doc_->doFileSave());
    EXPECT_FALSE(doc_->IsModified()) << "saving still clears it";
}

TEST_F(DocumentTest, ModifiedLogAsksToSaveBeforeNewAndOpen)
{
    const QString other = FilePath(QStringLiteral("other.log"));
    WriteFile(other, "other text");
    QTest::keyClicks(view_, "typed");
    ASSERT_TRUE(doc_->IsModified());

    // Cancel: nothing happens.
    QString question;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text();
        box.button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(app_->openDocumentFile(other), CVexmoorApp::OpenResult::Cancelled);
    EXPECT_EQ(question, QStringLiteral("Save changes to Untitled?"));
    EXPECT_EQ(view_->logText(), "typed");

    // Yes: the Save As dialog, then the open goes on.
    const QString saved = FilePath(QStringLiteral("saved.log"));
    doc_->setFileNamePrompt([&](QWidget*, bool save, const QString&) {
        EXPECT_TRUE(save);
        return saved;
    });
    WhenModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(app_->openDocumentFile(other), CVexmoorApp::OpenResult::Opened);
    EXPECT_EQ(ReadFile(saved), QByteArray("typed"));
    EXPECT_EQ(view_->logText(), "other text");

    // A named document is asked about by its path; No drops the change.
    QTest::keyClicks(view_, "!");
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text();
        box.button(QMessageBox::No)->click();
    });
    app_->OnFileNew();
    EXPECT_EQ(question, QStringLiteral("Save changes to %1?").arg(other));
    EXPECT_EQ(view_->logText(), "");
    EXPECT_EQ(doc_->Title(), QStringLiteral("Untitled"));
    EXPECT_EQ(ReadFile(other), QByteArray("other text"));
}

TEST_F(DocumentTest, NewDuringTracingKeepsTracingIntoTheEmptyLog)
{
    SendMessage("before");
    view_->OnStart();
    const unsigned timer = view_->TimerId();
    ASSERT_NE(timer, 0u);
    ASSERT_EQ(view_->logText(), "before\r\n");

    app_->OnFileNew();
    EXPECT_EQ(view_->logText(), "");
    EXPECT_EQ(view_->TimerId(), timer);

    SendMessage("after");
    ASSERT_TRUE(WaitFor([&] { return !view_->logText().empty(); }));
    EXPECT_EQ(view_->logText(), "after\r\n");
}

TEST_F(DocumentTest, FileOpenedWhileTracingGetsTheNextMessages)
{
    const QString path = FilePath(QStringLiteral("kept.log"));
    WriteFile(path, "kept\r\n");
    view_->OnStart();
    ASSERT_EQ(app_->openDocumentFile(path), CVexmoorApp::OpenResult::Opened);
    SendMessage("appended");
    ASSERT_TRUE(WaitFor([&] { return view_->logText() != "kept\r\n"; }));
    EXPECT_EQ(view_->logText(), "kept\r\nappended\r\n");
    ASSERT_TRUE(doc_->doFileSave());
    EXPECT_EQ(ReadFile(path), QByteArray("kept\r\nappended\r\n"));
}

// Files may grow to `bytes` only while it lives; a write beyond fails (also for root).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(DocumentTest, FailedSaveLeavesTheOldFileWhole)
{
    const QString path = FilePath(QStringLiteral("trace.log"));
    WriteFile(path, "the old log");
    ASSERT_EQ(app_->openDocumentFile(path), CVexmoorApp::OpenResult::Opened);
    view_->setLogText(std::string(64 * 1024, 'n'));

    QString shown;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    bool saved = true;
    {
        const FileSizeLimit limit(4096);
        saved = doc_->OnSaveDocument(path);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(shown, QStringLiteral("Destination disk drive is full."));
    EXPECT_EQ(ReadFile(path), QByteArray("the old log"));
    EXPECT_EQ(QDir(folder_.path())
                  .entryList({QStringLiteral("trace.log*")}, QDir::Files | QDir::Hidden)
                  .size(),
              1)
        << "no temporary file is left behind";
}

TEST_F(DocumentTest, FileCommandsAskForNamesAndCancelChangesNothing)
{
    const QString existing = FilePath(QStringLiteral("existing.log"));
    WriteFile(existing, "from disk");
    QString answer;
    QStringList asked;
    doc_->setFileNamePrompt([&](QWidget* parent, bool save, const QString& initial) {
        EXPECT_EQ(parent, app_->mainFrame());
        asked << (save ? QStringLiteral("Save As ") : QStringLiteral("Open ")) + initial;
        return answer;
    });
    const auto trigger = [&](int id) { app_->Actions()->action(id)->trigger(); };

    trigger(57601); // Open, cancelled
    EXPECT_EQ(doc_->Title(), QStringLiteral("Untitled"));
    answer = existing;
    trigger(57601);
    EXPECT_EQ(view_->logText(), "from disk");

    const QString copy = FilePath(QStringLiteral("copy"));
    answer = copy;
    trigger(57604); // Save As
    EXPECT_EQ(ReadFile(copy), QByteArray("from disk"));
    EXPECT_EQ(doc_->pathName(), copy);

    answer.clear();
    app_->OnFileNew();
    QTest::keyClicks(view_, "x");
    trigger(57603); // Save of an untitled log asks for a name; cancelled
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(asked, (QStringList{"Open ", "Open ", "Save As " + existing, "Save As Untitled"}));
}

// A text in each kind of locale: what the stored code sends, what the window
// shows, and a character the user types with its bytes.
struct LocaleText {
    const char* locale;
    std::string sent;
    QString shown;
    QString typed;
    std::string typedBytes;
};

TEST_F(DocumentTest, TextsOfTheLocaleAreShownSavedAndReopenedByteForByte)
{
    const LocaleText cases[] = {
        {"C.UTF-8",
         "Gr\xC3\xB6\xC3\x9F"
         "e 20\xE2\x82\xAC \xE2\x80\x94 \xE6\x9D\xB1\xE4\xBA\xAC",
         QStringLiteral("Größe 20€ — 東京"), QStringLiteral("ü"), "\xC3\xBC"},
        {"en_US.ISO-8859-1",
         "Gr\xF6\xDF"
         "e 20\xB0 \xB1 K\xF6ln",
         QStringLiteral("Größe 20° ± Köln"), QStringLiteral("ü"), "\xFC"},
    };
    for (const LocaleText& c : cases) {
        SCOPED_TRACE(c.locale);
        const ScopedLocale locale(c.locale);
        ASSERT_TRUE(locale.IsActive());
        app_->OnFileNew();
        SendMessage(c.sent);
        view_->PollPipe();
        EXPECT_EQ(view_->document()->firstBlock().text(), c.shown);

        const QString path = FilePath(QString::fromLatin1(c.locale) + QStringLiteral(".log"));
        const QByteArray line = QByteArray::fromStdString(c.sent + "\r\n");
        ASSERT_TRUE(doc_->doSave(path));
        EXPECT_EQ(ReadFile(path), line);
        app_->OnFileNew();
        ASSERT_EQ(app_->openDocumentFile(path), CVexmoorApp::OpenResult::Opened);
        EXPECT_EQ(view_->document()->firstBlock().text(), c.shown);

        // Once the user types, the window's text is what is saved.
        view_->moveCursor(QTextCursor::End);
        TypeText(*view_, c.typed);
        ASSERT_TRUE(doc_->doFileSave());
        EXPECT_EQ(ReadFile(path), line + QByteArray::fromStdString(c.typedBytes));
    }
}

TEST_F(DocumentTest, BytesThatAreNoTextInTheLocaleAreSavedBackUnchanged)
{
    const ScopedLocale locale("C.UTF-8");
    ASSERT_TRUE(locale.IsActive());
    // Latin-1 text, a character cut short, a byte order mark, a paragraph
    // separator (a break in the window) and good UTF-8.
    const QByteArray bytes("caf\xE9 \xE2\x82\r\n\xEF\xBB\xBF"
                           "a\xE2\x80\xA9"
                           "b \xC3\xA9\n");
    const QString path = FilePath(QStringLiteral("mixed.log"));
    WriteFile(path, bytes);
    ASSERT_EQ(app_->openDocumentFile(path), CVexmoorApp::OpenResult::Opened);
    EXPECT_EQ(view_->document()->findBlockByNumber(2).text(), QStringLiteral("b é"));

    view_->moveCursor(QTextCursor::Start);
    QTest::keyClicks(view_, QStringLiteral(">"));
    ASSERT_TRUE(doc_->doFileSave());
    EXPECT_EQ(ReadFile(path), ">" + bytes);
}

// Runs `work` on a thread bound by file permissions as an ordinary user is.
void BoundByFilePermissions(const std::function<void()>& work)
{
    std::thread([&] {
        ASSERT_TRUE(test::dropFilePermissionOverrides());
        work();
    }).join();
}

TEST(LogFile, WritableFileInAFolderThatIsNotIsSavedInPlace)
{
    struct Case {
        const char* name;
        QFileDevice::Permissions file;
        QByteArray newBytes;
        rlim_t sizeLimit; // 0: none
        FileStatus expected;
        QByteArray kept;
    };
    const auto writable = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QByteArray old("the old log, line one\r\nline two\r\n");
    const QByteArray longer(8192, 'L');
    const Case cases[] = {
        {"longer", writable, longer, 0, FileStatus::Ok, longer},
        {"shorter", writable, "short", 0, FileStatus::Ok, "short"},
        {"empty", writable, "", 0, FileStatus::Ok, ""},
        {"no room to grow", writable, longer, 4096, FileStatus::DiskFull, old},
        {"read-only file", QFileDevice::ReadOwner, "new", 0, FileStatus::AccessDenied, old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkdir(folder));
        const QString path = folder + QStringLiteral("/trace.log");
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        ASSERT_TRUE(QFile::setPermissions(path, c.file));
        ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        FileStatus status = FileStatus::Failed;
        BoundByFilePermissions([&] {
            ASSERT_FALSE(QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
                << "the folder must really refuse new files";
            std::unique_ptr<FileSizeLimit> limit;
            if (c.sizeLimit != 0)
                limit = std::make_unique<FileSizeLimit>(c.sizeLimit);
            status = saveLogFile(path, c.newBytes.toStdString());
        });
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner);
        EXPECT_EQ(status, c.expected);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.kept);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

TEST(LogFile, FullDiskGivesTheFrameworksTextAndKeepsTheOldFile)
{
    // A file size limit fails the write as a full disk would, also for root.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("trace.log"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the old log");
    }
    FileStatus status = FileStatus::Ok;
    {
        const FileSizeLimit limit(1024);
        status = saveLogFile(path, std::string(4096, 'n'));
    }
    EXPECT_EQ(status, FileStatus::DiskFull);
    EXPECT_EQ(saveErrorText(status, path), QStringLiteral("Destination disk drive is full."));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the old log"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(LogFile, ErrorTextsAreTheFrameworks)
{
    const QString path = QStringLiteral("/x/y.log");
    EXPECT_EQ(
        loadErrorText(FileStatus::NotFound, path),
        QStringLiteral("/x/y.log\nCannot find this file.\nPlease verify that the correct path "
                       "and file name are given."));
    EXPECT_EQ(loadErrorText(FileStatus::Failed, path), QStringLiteral("Failed to open document."));
    EXPECT_EQ(loadErrorText(FileStatus::IoError, path),
              QStringLiteral("An unexpected error occurred while reading /x/y.log."));
    EXPECT_EQ(saveErrorText(FileStatus::Failed, path), QStringLiteral("Failed to save document."));
    EXPECT_EQ(saveErrorText(FileStatus::DiskFull, path),
              QStringLiteral("Destination disk drive is full."));
    EXPECT_EQ(
        saveErrorText(FileStatus::AccessDenied, path),
        QStringLiteral("Unable to write to /x/y.log, it is read-only or opened by someone else."));
}

} // namespace

} // namespace vexmoor::app

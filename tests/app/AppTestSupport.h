#pragma once

// What the program's tests share: one QApplication, a profile in memory, an
// embedded database in a temporary folder, a program started on them, and a
// way to answer modal dialogs from a timer.

#include "app/CMainFrame.h"
#include "app/CVexmoorApp.h"
#include "app/PrinterList.h"
#include "base/Profile.h"
#include "db/DatabaseSession.h"
#include "db/OciCursor.h"
#include "db/OciSession.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vexmoor::app {

class AppTestEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        // Nothing a test does may reach the user's real data folder.
        QStandardPaths::setTestModeEnabled(true);
        // Nor the user's journal folder: the program keeps its journal under
        // XDG_STATE_HOME.
        qputenv("XDG_STATE_HOME", m_stateHome.path().toLocal8Bit());
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setOrganizationName(QStringLiteral("Orrindale"));
        QApplication::setApplicationName(QStringLiteral("Vexmoor"));
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[12] = "vexmoor_app";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
    QTemporaryDir m_stateHome;
};

inline ::testing::Environment* const g_appTestEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppTestEnvironment);

// Runs `action` on the first modal widget of type W to appear (a message box,
// a file dialog), from a timer, since the code under test blocks in exec().
template <class W>
void WhenModal(std::function<void(W&)> action)
{
    auto* timer = new QTimer(qApp);
    timer->setObjectName(QStringLiteral("WhenModal"));
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, started, action] {
        if (auto* widget = qobject_cast<W*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(*widget);
        } else if (started->elapsed() > 20000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal dialog appeared";
        }
    });
    timer->start(10);
}

// Processes events until `condition` holds or the time is up.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 10000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

// Printers that write PDF files, one file per printer, the first the default.
// Each remembers that it was chosen, so a test sees where a print went.
class FakePrinters final : public PrinterList {
public:
    FakePrinters(QStringList names, QString folder)
        : names_(std::move(names)), folder_(std::move(folder))
    {
    }

    QStringList names() const override { return names_; }
    QString defaultName() const override { return names_.value(0); }
    bool select(QPrinter& printer, const QString& name) const override
    {
        selected << name;
        if (!names_.contains(name))
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(FileOf(name));
        return true;
    }
    QString FileOf(const QString& name) const
    {
        return folder_ + u'/' + name + QStringLiteral(".pdf");
    }

    mutable QStringList selected;

private:
    QStringList names_;
    QString folder_;
};

// What a PDF file says, through poppler's tools: its text, or its page count
// and page size from pdfinfo ("Pages:", "Page size:").
inline QString PdfTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed (poppler-utils installed?)";
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString PdfText(const QString& path)
{
    return PdfTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

inline QString PdfInfo(const QString& path, const QString& field)
{
    for (const QString& line : PdfTool(QStringLiteral("pdfinfo"), {path}).split(u'\n')) {
        if (line.startsWith(field + u':'))
            return line.mid(field.size() + 1).trimmed();
    }
    return {};
}

class AppTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // A dialog a test waited for in vain must not be answered in the next test.
        for (QTimer* timer :
             qApp->findChildren<QTimer*>(QStringLiteral("WhenModal"), Qt::FindDirectChildrenOnly))
            delete timer;
        if (app_)
            app_->ExitInstance();
        app_.reset();
    }

    QString FilePath(const QString& name) const { return folder_.filePath(name); }
    std::string ConnectString() const
    {
        return "embedded:" + folder_.filePath(QStringLiteral("vexmoor.db")).toStdString();
    }

    CVexmoorApp::LogonStep LogOnToTemporaryDatabase()
    {
        return [this](db::DatabaseSession* session, base::Profile&) {
            return session && session->LogOn("vexmoor", "vexmoor", ConnectString()) ? 1 : 0;
        };
    }

    // Starts the program, logged on to the temporary database.
    bool Start(const QStringList& arguments = {})
    {
        app_ = std::make_unique<CVexmoorApp>(profile_, LogOnToTemporaryDatabase());
        return app_->InitInstance(arguments);
    }

    // Puts a simple message (its length, then its text) on a pipe from a
    // session of its own, as SendDebugMessage does.
    void SendMessage(const std::string& text, const std::string& pipe = "vexmoor")
    {
        db::OciSession sender;
        ASSERT_TRUE(sender.LogOn("vexmoor", "vexmoor", ConnectString())) << sender.ErrorText();
        db::OciCursor cursor(sender);
        cursor.SetStatement("declare s integer; begin dbms_pipe.pack_message(length('" + text
                            + "')); dbms_pipe.pack_message('" + text
                            + "'); s := dbms_pipe.send_message('" + pipe + "'); end;");
        ASSERT_TRUE(cursor.Execute(true));
    }

    QByteArray ReadFile(const QString& path) const
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return file.readAll();
    }

    void WriteFile(const QString& path, const QByteArray& bytes) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir folder_;
    base::MemoryProfile profile_;
    std::unique_ptr<CVexmoorApp> app_;
};

} // namespace vexmoor::app

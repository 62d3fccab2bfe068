#include "CVexmoorDoc.h"

#include "LogFile.h"
#include "MessageBox.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "trace/CVexmoorView.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextDocument>

namespace vexmoor::app {

CVexmoorDoc::CVexmoorDoc(QObject* parent)
    : QObject(parent), title_(res::loadString(res::AFX_IDS_UNTITLED)),
      prompt_([](QWidget* dialogParent, bool save, const QString& initial) {
          return promptForLogFile(dialogParent, save, initial);
      })
{
}

void CVexmoorDoc::attachView(trace::CVexmoorView* view)
{
    view_ = view;
}

bool CVexmoorDoc::IsModified() const
{
    return view_ && view_->document()->isModified();
}

void CVexmoorDoc::setModifiedFlag(bool modified)
{
    if (view_)
        view_->document()->setModified(modified);
}

bool CVexmoorDoc::OnNewDocument()
{
    if (!view_)
        return false;
    pathName_.clear();
    SetTitle(res::loadString(res::AFX_IDS_UNTITLED));
    view_->setLogText(std::string());
    setModifiedFlag(false);
    return true;
}

bool CVexmoorDoc::OnOpenDocument(const QString& path)
{
    if (!view_)
        return false;
    const LoadedLog loaded = loadLogFile(path);
    if (loaded.status != FileStatus::Ok) {
        vexmoorMessageBox(messageParent(), loadErrorText(loaded.status, path),
                          QMessageBox::Warning);
        return false;
    }
    view_->setLogText(loaded.bytes);
    setModifiedFlag(false);
    setPathName(path);
    return true;
}

bool CVexmoorDoc::OnSaveDocument(const QString& path)
{
    if (!view_)
        return false;
    const FileStatus status = saveLogFile(path, view_->logText());
    if (status != FileStatus::Ok) {
        vexmoorMessageBox(messageParent(), saveErrorText(status, path), QMessageBox::Warning);
        return false;
    }
    setModifiedFlag(false);
    return true;
}

bool CVexmoorDoc::doFileSave()
{
    const QFileInfo target(pathName_);
    // A read-only file is saved under a new name, as the framework does.
    if (pathName_.isEmpty() || (target.exists() && !target.isWritable()))
        return doSave(QString());
    return doSave(pathName_);
}

bool CVexmoorDoc::doSave(const QString& path, bool replace)
{
    QString newName = path;
    if (newName.isEmpty()) {
        const QString initial = pathName_.isEmpty() ? title_ : pathName_;
        newName = promptFileName(true, initial);
        if (newName.isEmpty())
            return false;
    }
    if (!OnSaveDocument(newName))
        return false;
    if (replace)
        setPathName(newName);
    return true;
}

bool CVexmoorDoc::saveModified()
{
    if (!IsModified())
        return true;
    const QString name = pathName_.isEmpty() ? title_ : QDir::toNativeSeparators(pathName_);
    const auto answer = vexmoorMessageBox(
        messageParent(), res::formatString1(res::AFX_IDP_ASK_TO_SAVE, name), QMessageBox::Warning,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes:
        return doFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CVexmoorDoc::setPathName(const QString& path, bool addToRecentFiles)
{
    pathName_ = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToRecentFiles)
        emit addedToRecentFiles(pathName_);
}

QString CVexmoorDoc::promptFileName(bool save, const QString& initial) const
{
    return prompt_ ? prompt_(messageParent(), save, initial) : QString();
}

QWidget* CVexmoorDoc::messageParent() const
{
    return view_ ? view_->window() : nullptr;
}

void CVexmoorDoc::SetTitle(const QString& title)
{
    title_ = title;
    emit TitleChanged(title_);
}

QString allFilesFilter()
{
#ifdef Q_OS_WIN
    return res::loadString(res::AFX_IDS_ALLFILTER);
#else
    return QStringLiteral("All Files (*)");
#endif
}

QStringList logFileFilters()
{
    return {QStringLiteral("Log Files (*.log)"), allFilesFilter()};
}

QString startFolder(const QString& initial, const QString& lastFolder,
                    const QString& mostRecentFile, const QString& documentsFolder)
{
    const QFileInfo initialFile(initial);
    if (!initial.isEmpty() && initialFile.isAbsolute())
        return initialFile.absolutePath();
    if (!lastFolder.isEmpty())
        return lastFolder;
    const QFileInfo recentFile(mostRecentFile);
    if (!mostRecentFile.isEmpty() && recentFile.isAbsolute())
        return recentFile.absolutePath();
    return documentsFolder;
}

namespace {
// The folder of the last file chosen in either dialog, for this run.
QString& lastFolderUsed()
{
    static QString folder;
    return folder;
}
} // namespace

QString promptForLogFile(QWidget* parent, bool save, const QString& initial,
                         const QString& mostRecentFile)
{
    QFileDialog dialog(parent,
                       res::loadString(save ? res::AFX_IDS_SAVEFILE : res::AFX_IDS_OPENFILE));
    dialog.setNameFilters(logFileFilters());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(
        startFolder(initial, lastFolderUsed(), mostRecentFile,
                    QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    if (!initial.isEmpty())
        dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolderUsed() = QFileInfo(chosen).absolutePath();
    return chosen;
}

} // namespace vexmoor::app

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

CVexmoorDoc::CVexmoorDoc(QObject* parent)
    : QObject(parent), m_strTitle(res::LoadString(res::AFX_IDS_UNTITLED)),
      m_prompt(PromptForLogFile)
{
}

void CVexmoorDoc::AttachView(CVexmoorView* view)
{
    m_view = view;
}

bool CVexmoorDoc::IsModified() const
{
    return m_view && m_view->document()->isModified();
}

void CVexmoorDoc::SetModifiedFlag(bool modified)
{
    if (m_view)
        m_view->document()->setModified(modified);
}

bool CVexmoorDoc::OnNewDocument()
{
    if (!m_view)
        return false;
    m_strPathName.clear();
    SetTitle(res::LoadString(res::AFX_IDS_UNTITLED));
    m_view->SetLogText(std::string());
    SetModifiedFlag(false);
    return true;
}

bool CVexmoorDoc::OnOpenDocument(const QString& path)
{
    if (!m_view)
        return false;
    const LoadedLog loaded = LoadLogFile(path);
    if (loaded.status != FileStatus::Ok) {
        VexmoorMessageBox(MessageParent(), LoadErrorText(loaded.status, path),
                          QMessageBox::Warning);
        return false;
    }
    m_view->SetLogText(loaded.bytes);
    SetModifiedFlag(false);
    SetPathName(path);
    return true;
}

bool CVexmoorDoc::OnSaveDocument(const QString& path)
{
    if (!m_view)
        return false;
    const FileStatus status = SaveLogFile(path, m_view->LogText());
    if (status != FileStatus::Ok) {
        VexmoorMessageBox(MessageParent(), SaveErrorText(status, path), QMessageBox::Warning);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CVexmoorDoc::DoFileSave()
{
    const QFileInfo target(m_strPathName);
    // A read-only file is saved under a new name, as the framework does.
    if (m_strPathName.isEmpty() || (target.exists() && !target.isWritable()))
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CVexmoorDoc::DoSave(const QString& path, bool replace)
{
    QString newName = path;
    if (newName.isEmpty()) {
        const QString initial = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
        newName = PromptFileName(true, initial);
        if (newName.isEmpty())
            return false;
    }
    if (!OnSaveDocument(newName))
        return false;
    if (replace)
        SetPathName(newName);
    return true;
}

bool CVexmoorDoc::SaveModified()
{
    if (!IsModified())
        return true;
    const QString name =
        m_strPathName.isEmpty() ? m_strTitle : QDir::toNativeSeparators(m_strPathName);
    const auto answer = VexmoorMessageBox(
        MessageParent(), res::FormatString1(res::AFX_IDP_ASK_TO_SAVE, name), QMessageBox::Warning,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes:
        return DoFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CVexmoorDoc::SetPathName(const QString& path, bool addToRecentFiles)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToRecentFiles)
        emit AddedToRecentFiles(m_strPathName);
}

QString CVexmoorDoc::PromptFileName(bool save, const QString& initial) const
{
    return m_prompt ? m_prompt(MessageParent(), save, initial) : QString();
}

QWidget* CVexmoorDoc::MessageParent() const
{
    return m_view ? m_view->window() : nullptr;
}

void CVexmoorDoc::SetTitle(const QString& title)
{
    m_strTitle = title;
    emit TitleChanged(m_strTitle);
}

QString AllFilesFilter()
{
#ifdef Q_OS_WIN
    return res::LoadString(res::AFX_IDS_ALLFILTER);
#else
    return QStringLiteral("All Files (*)");
#endif
}

QStringList LogFileFilters()
{
    return {QStringLiteral("Log Files (*.log)"), AllFilesFilter()};
}

QString StartFolder(const QString& initial, const QString& lastFolder,
                    const QString& documentsFolder)
{
    const QFileInfo initialFile(initial);
    if (!initial.isEmpty() && initialFile.isAbsolute())
        return initialFile.absolutePath();
    return lastFolder.isEmpty() ? documentsFolder : lastFolder;
}

namespace {
// The folder of the last file chosen in either dialog, for this run.
QString& LastFolderUsed()
{
    static QString folder;
    return folder;
}
} // namespace

QString PromptForLogFile(QWidget* parent, bool save, const QString& initial)
{
    QFileDialog dialog(parent,
                       res::LoadString(save ? res::AFX_IDS_SAVEFILE : res::AFX_IDS_OPENFILE));
    dialog.setNameFilters(LogFileFilters());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(
        StartFolder(initial, LastFolderUsed(),
                    QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    if (!initial.isEmpty())
        dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    LastFolderUsed() = QFileInfo(chosen).absolutePath();
    return chosen;
}

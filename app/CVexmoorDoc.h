#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace vexmoor::trace {
class CVexmoorView;
}

namespace vexmoor::app {

// The document: the log text in the view, with a path, a title and a
// modified flag, and the file commands New, Open, Save and Save As. It holds
// no text of its own; it reaches the log through its one view.
class CVexmoorDoc : public QObject {
    Q_OBJECT

public:
    // Asks for a file name: `save` for the "Save As" dialog, else "Open".
    // Empty when the user cancelled. Tests put their own in.
    using FileNamePrompt =
        std::function<QString(QWidget* parent, bool save, const QString& initial)>;

    explicit CVexmoorDoc(QObject* parent = nullptr);

    void attachView(trace::CVexmoorView* view);
    trace::CVexmoorView* View() const { return view_; }

    const QString& pathName() const { return pathName_; }
    const QString& Title() const { return title_; }

    // Modified only by the user's own changes to the text: the poller's
    // appends leave the flag as it was.
    bool IsModified() const;
    void setModifiedFlag(bool modified = true);

    // New: empty path, "Untitled", not modified, empty log. The poll timer is
    // not touched: running tracing goes on into the empty log.
    bool OnNewDocument();
    // Loads the file as the log. A failed open says why and keeps the log,
    // path and title as they were.
    bool OnOpenDocument(const QString& path);
    // Writes the log's bytes to `path`; a failure says why and leaves the
    // file as it was.
    bool OnSaveDocument(const QString& path);

    // Save with the known path (or as Save As without one); Save As always asks.
    bool doFileSave();
    bool doSave(const QString& path, bool replace = true);

    // When modified: "Save changes to %1?" with Yes, No and Cancel. True
    // when the caller may go on (saved, or not wanted); false on Cancel or a
    // failed save.
    bool saveModified();

    void setPathName(const QString& path, bool addToRecentFiles = true);
    void setFileNamePrompt(FileNamePrompt prompt) { prompt_ = std::move(prompt); }
    QString promptFileName(bool save, const QString& initial) const;

public slots:
    void OnFileSave() { doFileSave(); }
    void OnFileSaveAs() { doSave(QString()); }

signals:
    void TitleChanged(const QString& title);
    // A file was opened or saved under a new name: it goes into the recent-file list.
    void addedToRecentFiles(const QString& path);

private:
    QWidget* messageParent() const;
    void SetTitle(const QString& title);

    trace::CVexmoorView* view_ = nullptr;
    QString pathName_;
    QString title_;
    FileNamePrompt prompt_;
};

// The standard file dialog: title "Open" or "Save As", "Log Files (*.log)"
// then all files, no extension added to a name without one; it opens in the
// folder startFolder names. `mostRecentFile`: the first of the recent files,
// which remembers the folder from one run to the next.
QString promptForLogFile(QWidget* parent, bool save, const QString& initial,
                         const QString& mostRecentFile = {});

// The two filters, log files first.
QStringList logFileFilters();

// Where a file dialog starts: the folder of a file named with its path, else
// the folder last used in this run, else the folder of the most recent file,
// else the documents folder.
QString startFolder(const QString& initial, const QString& lastFolder,
                    const QString& mostRecentFile, const QString& documentsFolder);

// The one filter both file dialogs offer. "All Files (*.*)" would hide names
// without a dot on systems other than Windows, so there it is "All Files (*)".
QString allFilesFilter();

} // namespace vexmoor::app

#pragma once

#include "JournalSink.h"
#include "LineSink.h"
#include "PipePoller.h"

#include <QPlainTextEdit>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QPrinter;

namespace vexmoor::base {
class Profile;
}

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {

// The log window: shows the trace log (the document's content), owns the five
// trace settings and polls the pipe on a timer.
//
// The log is kept twice: as the exact bytes appended (log_, what the
// document saves) and as the text window's paragraphs (what the user sees and
// may edit). The window cannot hold the bytes themselves: it turns CR LF, a
// lone LF and a lone CR alike into paragraph breaks. See CVexmoorView.cpp.
class CVexmoorView : public QPlainTextEdit, public LineSink {
    Q_OBJECT

public:
    // Loads the five settings from the profile, in the order LF Flag, Auto
    // Unpack, Allow Edit, Timer Frequency, Pipe Name. Polls nothing. Polls
    // and purges through the channel, which outlives the view.
    CVexmoorView(base::Profile& profile, PipeChannel& channel, QWidget* parent = nullptr);
    // The same on the protocol's statements of an OCI session.
    CVexmoorView(base::Profile& profile, db::OciSession& session, QWidget* parent = nullptr);
    ~CVexmoorView() override;

    base::TraceSettings& Settings() { return poller_.Settings(); }
    const base::TraceSettings& Settings() const { return poller_.Settings(); }
    // The Options command's dialog, which the program supplies: it is given
    // the settings in force, returns true after OK with the new ones stored
    // in them and in the profile, false with nothing changed.
    using OptionsCommand = std::function<bool(base::TraceSettings&)>;
    void setOptionsCommand(OptionsCommand command);

    // The id of the poll timer, 0 when none runs.
    unsigned TimerId() const { return m_nTimerId; }
    bool isTracing() const { return m_nTimerId != 0; }
    // Whether Start ran, and the messages received since it last did.
    bool hasStarted() const { return started_; }
    std::int64_t messagesSinceStart() const { return messagesSinceStart_; }

    // Every appended line goes to the journal first (none: nothing is
    // recorded); it must outlive the view or be taken back with nullptr.
    void setJournal(Journal* journal) { journalSink_.setJournal(journal); }
    // "HH:MM:SS.mmm " before each new line; stored in the profile.
    bool receiptTime() const { return journalSink_.receiptTime(); }
    void setReceiptTime(bool on);
    // Off, new lines leave the view and the selection where they are; on,
    // they do so only while the user has scrolled away from the end. Stored
    // in the profile.
    bool followNewLines() const { return followNewLines_; }
    void setFollowNewLines(bool on);
    // The system's fixed-width font with tab stops every 8 characters, or
    // the default font; stored in the profile.
    bool fixedWidthFont() const { return fixedWidthFont_; }
    void setFixedWidthFont(bool on);

    struct FindOptions {
        bool matchCase = false;
        bool wrap = true;
        bool backward = false;
    };
    // Selects the next (previous) occurrence after (before) the selection or
    // caret and shows it; false, leaving the selection alone, when there is none.
    bool findText(const QString& text, FindOptions options);
    // Highlights every occurrence, also in lines still to come; an empty
    // text ends the highlighting.
    void highlightMatches(const QString& text, bool matchCase);
    int highlightedMatchCount() const { return static_cast<int>(extraSelections().size()); }

    // The whole log text, as bytes in the locale's character set, and
    // replacing it (the document's Open and New). Lines appended by a poll
    // that is still running are included.
    std::string logText() const;
    void setLogText(const std::string& text);

    // Prints the log text page by page (Print, Print Preview, /p, /pt).
    void Print(QPrinter& printer) const;

    // LineSink
    void AppendLine(std::string_view composedLine) override;
    void endOfPoll() override;

public slots:
    // Polls at once and (re)starts the poll timer. Without a pipe name it
    // says so in the status bar and leaves the timer off.
    void OnStart();
    // Kills the poll timer; Start resumes.
    void OnStop();
    // Runs the Options command; after OK polls at once with the new
    // settings (OnStart). Does nothing until the program supplies the command.
    void OnOptions();
    void OnPurgePipe();
    void PollPipe();

signals:
    // Tracing started or stopped, messages arrived, or the settings changed.
    void traceStateChanged();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // On `channel`, or on `ownedChannel` when that is null.
    CVexmoorView(base::Profile& profile, std::unique_ptr<PipeChannel> ownedChannel,
                 PipeChannel* channel, QWidget* parent);
    // False, after saying so in the status bar, when no pipe name is set.
    bool requirePipeName();
    void stopTimer();
    void showPendingText();
    bool isScrolledToEnd() const;
    void highlightFrom(int position);
    void OnContentsChange(int position, int charsRemoved, int charsAdded);
    void OnModificationChanged(bool modified);
    void takeTextFromWindow();
    std::string textFromWindow() const;

    base::Profile& profile_;
    std::unique_ptr<PipeChannel> ownedChannel_;
    PipeChannel& channel_;
    JournalSink journalSink_; // before the poller, which appends to it
    PipePoller poller_;
    OptionsCommand optionsCommand_;
    unsigned m_nTimerId = 0;

    std::string log_;         // the log's bytes, exactly as appended or loaded
    std::size_t shown_ = 0;   // how many bytes of log_ the window shows
    bool userEdited_ = false; // the window holds edits log_ lacks
    bool updating_ = false;   // the window is being changed by this class

    bool started_ = false;
    std::int64_t messagesSinceStart_ = 0;
    bool followNewLines_ = true;
    bool fixedWidthFont_ = false;
    QString highlightText_;
    bool highlightMatchCase_ = false;
};

// The profile's places of the view's own settings.
inline constexpr const char* kFixedWidthFontSection = "Settings";
inline constexpr const char* kFixedWidthFontEntry = "Fixed-Width Font";
inline constexpr const char* kFollowNewLinesSection = "Settings";
inline constexpr const char* kFollowNewLinesEntry = "Follow New Lines";

} // namespace vexmoor::trace

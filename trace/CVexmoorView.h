#pragma once

#include "LineSink.h"
#include "PipePoller.h"

#include <QPlainTextEdit>

#include <cstddef>
#include <functional>
#include <string>

class OciSession;
class Profile;
class QPrinter;

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
    // Unpack, Allow Edit, Timer Frequency, Pipe Name. Polls nothing.
    CVexmoorView(Profile& profile, OciSession& session, QWidget* parent = nullptr);
    ~CVexmoorView() override;

    TraceSettings& Settings() { return poller_.Settings(); }
    const TraceSettings& Settings() const { return poller_.Settings(); }
    // The Options command's dialog, which the program supplies: it is given
    // the settings in force, returns true after OK with the new ones stored
    // in them and in the profile, false with nothing changed.
    using OptionsCommand = std::function<bool(TraceSettings&)>;
    void setOptionsCommand(OptionsCommand command);

    // The id of the poll timer, 0 when none runs.
    unsigned TimerId() const { return m_nTimerId; }

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
    // Runs the Options command; after OK polls at once with the new
    // settings (OnStart). Does nothing until the program supplies the command.
    void OnOptions();
    void OnPurgePipe();
    void PollPipe();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // False, after saying so in the status bar, when no pipe name is set.
    bool requirePipeName();
    void stopTimer();
    void showPendingText();
    void OnContentsChange(int position, int charsRemoved, int charsAdded);
    void OnModificationChanged(bool modified);
    void takeTextFromWindow();
    std::string textFromWindow() const;

    Profile& profile_;
    OciSession& session_;
    PipePoller poller_;
    OptionsCommand optionsCommand_;
    unsigned m_nTimerId = 0;

    std::string log_;          // the log's bytes, exactly as appended or loaded
    std::size_t shown_ = 0;   // how many bytes of log_ the window shows
    bool userEdited_ = false; // the window holds edits log_ lacks
    bool updating_ = false;   // the window is being changed by this class
};

#pragma once

#include "LineSink.h"
#include "PipePoller.h"

#include <QPlainTextEdit>

#include <string>

class OciSession;
class Profile;

// The log window: shows the trace log (the document's content), owns the five
// trace settings and polls the pipe on a timer.
class CVexmoorView : public QPlainTextEdit, public LineSink {
    Q_OBJECT

public:
    // Loads the five settings from the profile, in the order LF Flag, Auto
    // Unpack, Allow Edit, Timer Frequency, Pipe Name. Polls nothing.
    CVexmoorView(Profile& profile, OciSession& session, QWidget* parent = nullptr);
    ~CVexmoorView() override;

    TraceSettings& Settings() { return m_poller.Settings(); }
    unsigned TimerId() const { return m_nTimerId; }

    // The whole log text, as bytes, and replacing it (the document's Open and New).
    std::string LogText() const;
    void SetLogText(const std::string& text);

    // LineSink
    void AppendLine(std::string_view composedLine) override;
    void EndOfPoll() override;

public slots:
    void OnStart();
    void OnOptions();
    void OnPurgePipe();
    void PollPipe();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    Profile& m_profile;
    OciSession& m_session;
    PipePoller m_poller;
    unsigned m_nTimerId = 0;
};

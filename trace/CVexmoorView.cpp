#include "CVexmoorView.h"

#include "Journal.h"
#include "OciPipeChannel.h"
#include "PipePurge.h"
#include "base/LocaleText.h"
#include "base/Profile.h"
#include "base/TraceSettings.h"
#include "db/ErrorReport.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusTipEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimerEvent>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace vexmoor::trace {

// How the log reaches the window.
//
// The log's bytes live in log_; the window is a view of them. Two reasons:
//
// - The text window cannot hold the bytes. It turns CR LF, a lone LF and a
//   lone CR alike into paragraph breaks, so its text alone cannot say which
//   line end a message brought. The document saves log_, which is exactly
//   what the poller appended (or what was loaded).
// - Cost. Lines are collected in log_ during a poll and reach the window in
//   one insertion at its end when the poll ends, so a line costs the same
//   whether the log is short or long, and a poll that drains thousands of
//   messages lays the window out once. The insertion runs with undo switched
//   off: an undo stack holding every traced line would double the memory of a
//   long trace, and undoing must never take traced lines away. Like the edit
//   control whose whole text the original replaced on every line, an append
//   therefore also ends the user's undo history.
//   Measured with Qt 6.4 (bench/log_window_gui_bench): an insertion at the end
//   costs the same at 100,000 lines as at 1,000 whether the window is shown,
//   hidden or minimised, so nothing is held back while the window is hidden.
//
// Typing (Allow Edit on) changes the window only. From then on the window is
// the truth: before the next append, and whenever the log is read, the
// window's paragraphs are turned back into bytes. Each paragraph remembers how
// the appended text ended it (a mark in the block's user state), so CR LF, LF
// and CR come back as they came in; a break the user typed becomes CR LF, the
// line end this program writes. The bytes become text and back through the
// locale's character set (res/LocaleText.h), which gives back every byte it
// took, also bytes that are no character there. The window breaks paragraphs
// at U+2029 and Qt's two frame marks as well, so those are marked too.

namespace {

constexpr const char* kNoPipeNameText = "No pipe name: set one in Options.";

// Highlighting every occurrence in a long trace would lay out the window for
// each; beyond this many, Find Next still finds the rest.
constexpr int kMostHighlights = 10000;
constexpr int kTabStopCharacters = 8;

// The shortest poll interval: what the original platform's timer gives for a
// request of 0 ms, so that a Timer Frequency of 0 does not spin.
constexpr std::int64_t kShortestIntervalMs = 10;

// User state of a block, naming the line end that ended it. Qt gives new
// blocks -1, so paragraphs the user makes read as CR LF.
enum LineEndMark : int {
    kEndsWithCrLf = -1,
    kEndsWithLf = 1,
    kEndsWithCr = 2,
    kEndsWithParagraphSeparator = 3,
    kEndsWithFrameStart = 4,
    kEndsWithFrameEnd = 5,
};

// Characters at which the window starts a new paragraph besides CR and LF.
constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;

// The longest: Qt rounds long intervals to whole seconds, and a value near
// INT_MAX would overflow there. Nobody polls less often than every 12 days.
constexpr std::int64_t kLongestIntervalMs = INT_MAX / 2;

// The system's fixed-width font; where the desktop names none that is fixed
// (Qt's platforms without a theme), any monospace family the fonts offer.
QFont fixedPitchFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(font).fixedPitch())
        return font;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isFixedPitch(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setFixedPitch(true);
    return font;
}

int pollIntervalMs(std::int32_t timerFrequency)
{
    const std::int64_t requested = std::int64_t{timerFrequency} * 1000;
    return static_cast<int>(std::clamp(requested, kShortestIntervalMs, kLongestIntervalMs));
}

// The line ends of `text` in order, as the window breaks paragraphs for them.
std::vector<LineEndMark> lineEndsOf(QStringView text)
{
    std::vector<LineEndMark> ends;
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ends.push_back(kEndsWithCrLf);
                ++i;
            } else {
                ends.push_back(kEndsWithCr);
            }
            break;
        case u'\n':
            ends.push_back(kEndsWithLf);
            break;
        case QChar::ParagraphSeparator:
            ends.push_back(kEndsWithParagraphSeparator);
            break;
        case kFrameStart:
            ends.push_back(kEndsWithFrameStart);
            break;
        case kFrameEnd:
            ends.push_back(kEndsWithFrameEnd);
            break;
        default:
            break;
        }
    }
    return ends;
}

// Marks the blocks that `text`, inserted from the end of `block` on, ended.
// Only line ends other than CR LF need a mark.
void markLineEnds(QTextBlock block, QStringView text)
{
    const std::vector<LineEndMark> ends = lineEndsOf(text);
    if (std::all_of(ends.begin(), ends.end(), [](LineEndMark end) { return end == kEndsWithCrLf; }))
        return;
    for (LineEndMark end : ends) {
        if (!block.isValid())
            break;
        block.setUserState(end);
        block = block.next();
    }
}

QStringView lineEndText(int userState)
{
    switch (userState) {
    case kEndsWithLf:
        return u"\n";
    case kEndsWithCr:
        return u"\r";
    case kEndsWithParagraphSeparator:
        return u"\u2029";
    case kEndsWithFrameStart:
        return u"\uFDD0";
    case kEndsWithFrameEnd:
        return u"\uFDD1";
    default:
        return u"\r\n";
    }
}

// Sets a flag for the life of a scope.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag), previous_(std::exchange(flag, true)) {}
    ~FlagGuard() { flag_ = previous_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool previous_;
};

} // namespace

CVexmoorView::CVexmoorView(base::Profile& profile, PipeChannel& channel, QWidget* parent)
    : CVexmoorView(profile, nullptr, &channel, parent)
{
}

CVexmoorView::CVexmoorView(base::Profile& profile, db::OciSession& session, QWidget* parent)
    : CVexmoorView(profile, std::make_unique<OciPipeChannel>(session), nullptr, parent)
{
}

CVexmoorView::CVexmoorView(base::Profile& profile, std::unique_ptr<PipeChannel> ownedChannel,
                           PipeChannel* channel, QWidget* parent)
    : QPlainTextEdit(parent), profile_(profile), ownedChannel_(std::move(ownedChannel)),
      channel_(channel != nullptr ? *channel : *ownedChannel_), journalSink_(*this),
      poller_(channel_, journalSink_)
{
    Settings() = base::loadTraceSettings(profile_);
    journalSink_.setReceiptTime(profile_.getProfileInt(kReceiptTimeSection, kReceiptTimeEntry, 0)
                                != 0);
    // The window's style is fixed here: a change of Allow Edit shows when the
    // view is next created.
    setReadOnly(Settings().m_bAllowEdit == 0);
    setUndoRedoEnabled(Settings().m_bAllowEdit != 0);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(document(), &QTextDocument::contentsChange, this, &CVexmoorView::OnContentsChange);
    connect(document(), &QTextDocument::modificationChanged, this,
            &CVexmoorView::OnModificationChanged);
    setFixedWidthFont(profile_.getProfileInt(kFixedWidthFontSection, kFixedWidthFontEntry, 0) != 0);
    followNewLines_ = profile_.getProfileInt(kFollowNewLinesSection, kFollowNewLinesEntry, 1) != 0;
}

CVexmoorView::~CVexmoorView() = default;

void CVexmoorView::setReceiptTime(bool on)
{
    journalSink_.setReceiptTime(on);
    profile_.writeProfileInt(kReceiptTimeSection, kReceiptTimeEntry, on ? 1 : 0);
}

void CVexmoorView::setFollowNewLines(bool on)
{
    followNewLines_ = on;
    profile_.writeProfileInt(kFollowNewLinesSection, kFollowNewLinesEntry, on ? 1 : 0);
}

void CVexmoorView::setFixedWidthFont(bool on)
{
    if (on != fixedWidthFont_)
        profile_.writeProfileInt(kFixedWidthFontSection, kFixedWidthFontEntry, on ? 1 : 0);
    fixedWidthFont_ = on;
    setFont(on ? fixedPitchFont() : QFont());
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '))
                       * kTabStopCharacters);
}

bool CVexmoorView::findText(const QString& text, FindOptions options)
{
    if (text.isEmpty())
        return false;
    QTextDocument::FindFlags flags;
    if (options.matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (options.backward)
        flags |= QTextDocument::FindBackward;
    QTextCursor found = document()->find(text, textCursor(), flags);
    if (found.isNull() && options.wrap) {
        QTextCursor from(document());
        if (options.backward)
            from.movePosition(QTextCursor::End);
        found = document()->find(text, from, flags);
    }
    if (found.isNull())
        return false;
    setTextCursor(found);
    ensureCursorVisible();
    return true;
}

void CVexmoorView::highlightMatches(const QString& text, bool matchCase)
{
    highlightText_ = text;
    highlightMatchCase_ = matchCase;
    setExtraSelections({});
    highlightFrom(0);
}

void CVexmoorView::highlightFrom(int position)
{
    if (highlightText_.isEmpty())
        return;
    QList<QTextEdit::ExtraSelection> selections = extraSelections();
    QTextCharFormat format;
    format.setBackground(QColor(255, 230, 90));
    const QTextDocument::FindFlags flags =
        highlightMatchCase_ ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
    QTextCursor found = document()->find(highlightText_, position, flags);
    while (!found.isNull() && selections.size() < kMostHighlights) {
        selections.append({found, format});
        found = document()->find(highlightText_, found, flags);
    }
    setExtraSelections(selections);
}

bool CVexmoorView::isScrolledToEnd() const
{
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

std::string CVexmoorView::logText() const
{
    if (!userEdited_)
        return log_;
    return textFromWindow() + log_.substr(shown_);
}

void CVexmoorView::setLogText(const std::string& text)
{
    FlagGuard updating(updating_);
    log_ = text;
    userEdited_ = false;
    setUndoRedoEnabled(false);
    const QString shown = base::fromLocaleBytes(log_);
    setPlainText(shown);
    markLineEnds(document()->firstBlock(), shown);
    shown_ = log_.size();
    setUndoRedoEnabled(!isReadOnly());
    document()->setModified(false);
    highlightMatches(highlightText_, highlightMatchCase_);
}

void CVexmoorView::Print(QPrinter& printer) const
{
    print(&printer);
}

void CVexmoorView::AppendLine(std::string_view composedLine)
{
    if (userEdited_)
        takeTextFromWindow();
    log_.append(composedLine);
}

void CVexmoorView::endOfPoll()
{
    showPendingText();
}

void CVexmoorView::showPendingText()
{
    // A tick on an empty pipe leaves the window, its caret and its selection
    // alone: only appended text moves the caret.
    if (shown_ >= log_.size())
        return;
    const std::string_view pending = std::string_view(log_).substr(shown_);
    QTextDocument& doc = *document();
    const bool wasModified = doc.isModified();
    FlagGuard updating(updating_);

    // Decided before the insertion, which moves the end away.
    const bool follow = followNewLines_ && isScrolledToEnd();
    const QTextCursor userCursor = textCursor();
    const int scrolledTo = verticalScrollBar()->value();
    const int horizontallyScrolledTo = horizontalScrollBar()->value();

    QTextCursor cursor(&doc);
    cursor.movePosition(QTextCursor::End);
    const QTextBlock firstBlock = cursor.block();
    const int insertedAt = cursor.position();
    doc.setUndoRedoEnabled(false);
    const QString shown = base::fromLocaleBytes(pending);
    cursor.beginEditBlock();
    cursor.insertText(shown);
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(!isReadOnly());
    markLineEnds(firstBlock, shown);
    doc.setModified(wasModified);
    shown_ = log_.size();
    highlightFrom(insertedAt);

    if (follow) {
        // The caret goes to the end, replacing any selection, and the end shows.
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    // A caret at the end would have moved with the text: it goes back, and
    // the view stays where the user put it.
    QTextCursor kept(&doc);
    kept.setPosition(userCursor.anchor());
    kept.setPosition(userCursor.position(), QTextCursor::KeepAnchor);
    setTextCursor(kept);
    verticalScrollBar()->setValue(scrolledTo);
    horizontalScrollBar()->setValue(horizontallyScrolledTo);
}

void CVexmoorView::OnContentsChange(int /*position*/, int charsRemoved, int charsAdded)
{
    if (!updating_ && (charsRemoved != 0 || charsAdded != 0))
        userEdited_ = true;
}

void CVexmoorView::OnModificationChanged(bool modified)
{
    // The text window counts an undo back to the last saved text as no
    // change; a user's undo is a change like any other. Clearing the flag and
    // setting it again detaches it from the undo history: it now stays set
    // until the log is saved, loaded or renewed. The listeners have already
    // heard of the change.
    if (!modified || updating_)
        return;
    const QSignalBlocker quiet(document());
    document()->setModified(false);
    document()->setModified(true);
}

std::string CVexmoorView::textFromWindow() const
{
    QString text;
    text.reserve(document()->characterCount());
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        text += block.text();
        if (block.next().isValid())
            text += lineEndText(block.userState());
    }
    return base::toLocaleBytes(text);
}

void CVexmoorView::takeTextFromWindow()
{
    std::string pending = log_.substr(shown_);
    log_ = textFromWindow();
    shown_ = log_.size();
    log_ += pending;
    userEdited_ = false;
}

bool CVexmoorView::requirePipeName()
{
    if (!Settings().m_strPipeName.empty())
        return true;
    // The frame shows status tips in its message pane.
    QStatusTipEvent tip(QString::fromUtf8(kNoPipeNameText));
    QCoreApplication::sendEvent(window(), &tip);
    return false;
}

void CVexmoorView::OnStart()
{
    // Oracle refuses an empty pipe name: polling it would end the program.
    if (!requirePipeName()) {
        OnStop();
        return;
    }
    started_ = true;
    messagesSinceStart_ = 0;
    PollPipe();
    stopTimer();
    const int id = startTimer(pollIntervalMs(Settings().m_nTimerFrequency));
    m_nTimerId = id > 0 ? static_cast<unsigned>(id) : 0;
    emit traceStateChanged();
}

void CVexmoorView::OnStop()
{
    stopTimer();
    emit traceStateChanged();
}

void CVexmoorView::stopTimer()
{
    if (m_nTimerId != 0) {
        killTimer(static_cast<int>(m_nTimerId));
        m_nTimerId = 0;
    }
}

void CVexmoorView::setOptionsCommand(OptionsCommand command)
{
    optionsCommand_ = std::move(command);
}

void CVexmoorView::OnOptions()
{
    if (optionsCommand_ && optionsCommand_(Settings()))
        OnStart();
}

void CVexmoorView::OnPurgePipe()
{
    if (!requirePipeName())
        return;
    purgePipe(channel_, Settings().m_strPipeName);
}

void CVexmoorView::PollPipe()
{
    const int received = poller_.PollPipe();
    // Also shows lines of a poller that does not end its poll with endOfPoll.
    showPendingText();
    if (received > 0) {
        messagesSinceStart_ += received;
        emit traceStateChanged();
    }
}

void CVexmoorView::timerEvent(QTimerEvent* event)
{
    // While the fatal report is on screen its box still lets ticks through;
    // they must start no further work on the failing session.
    if (m_nTimerId != 0 && event->timerId() == static_cast<int>(m_nTimerId)
        && !db::isFatalReportShowing())
        PollPipe();
    QPlainTextEdit::timerEvent(event);
}

} // namespace vexmoor::trace

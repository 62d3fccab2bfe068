#include "PipePoller.h"

#include "LineSink.h"

#include <string_view>
#include <utility>

namespace vexmoor::trace {

namespace {

constexpr std::string_view kNotShown = "MESSAGE NOT SHOWN: ";

// Reads one poll's messages through a reader and hands their lines to the
// sink: the one place where lines are composed, whatever the database.
//
// When a simple or typed read fails for a reason in the message, the
// session's buffer still holds the rest of that message: it is shown item by
// item, as Auto Unpack shows it, through the read that takes any item. An
// item that a failed read took with it cannot be read again; one line names
// the error in its place.
class PollRun {
public:
    // The settings are taken as they are when the poll starts.
    PollRun(PipeReader& reader, base::TraceSettings settings, LineSink& sink)
        : reader_(reader), settings_(std::move(settings)), sink_(sink)
    {
    }

    // Returns how many messages it received.
    int drainPipe()
    {
        int received = 0;
        while (reader_.receiveMessage(settings_.m_strPipeName)) {
            ++received;
            if (settings_.m_bAutoUnpack)
                readTypedMessage();
            else
                readSimpleMessage();
        }
        if (appended_)
            sink_.endOfPoll();
        return received;
    }

private:
    void readSimpleMessage()
    {
        PipeItem length;
        if (!reader_.readLength(length)) {
            showRestOfMessage({});
            return;
        }
        // The length read as the line Auto Unpack would show for it.
        const std::string lengthLine = itemLine(length);
        std::string_view text;
        if (!reader_.readText(text)) {
            showRestOfMessage(lengthLine);
            return;
        }
        AppendLine(text);
    }

    void readTypedMessage()
    {
        AppendLine("MESSAGE:");
        for (;;) {
            PipeItem item;
            if (!reader_.readItem(false, item)) {
                showRemainingItems();
                return;
            }
            if (!appendItem(item))
                return;
        }
    }

    // After a simple read failed: the message as Auto Unpack shows it, from
    // what was read already to its last item.
    void showRestOfMessage(std::string_view lineRead)
    {
        AppendLine("MESSAGE:");
        if (!lineRead.empty())
            AppendLine(lineRead);
        showRemainingItems();
    }

    // The items still in the buffer after a read failed on the message.
    void showRemainingItems()
    {
        const auto& failure = reader_.lastFailure();
        if (failure.itemTaken || !failure.restReadable)
            appendNotShown();
        if (!failure.restReadable)
            return;
        for (;;) {
            PipeItem item;
            // Where even this read fails, nothing says which item comes next.
            if (!reader_.readItem(true, item)) {
                appendNotShown();
                return;
            }
            if (!appendItem(item))
                return;
        }
    }

    // Shows the item just read; false when the message ends here.
    bool appendItem(const PipeItem& item)
    {
        if (item.typeCode == 0) {
            AppendLine("");
            return false;
        }
        if (item.prefix.empty()) {
            // The read leaves such an item on the message, so reading on
            // would meet it forever; the next receive replaces the buffer.
            AppendLine("UNKNOWN ITEM TYPE " + std::to_string(item.typeCode) + ": not shown");
            return false;
        }
        AppendLine(itemLine(item));
        return true;
    }

    std::string itemLine(const PipeItem& item) const
    {
        std::string line(item.prefix);
        line += '\'';
        line += item.value;
        line += '\'';
        return line;
    }

    void appendNotShown()
    {
        std::string line(kNotShown);
        line += reader_.lastFailure().firstLine;
        AppendLine(line);
    }

    void AppendLine(std::string_view line)
    {
        // line_ may be the argument itself; compose into a second string.
        composed_.assign(line);
        if (settings_.m_bLFFlag)
            composed_ += "\r\n";
        sink_.AppendLine(composed_);
        appended_ = true;
    }

    PipeReader& reader_;
    const base::TraceSettings settings_;
    LineSink& sink_;
    std::string composed_;
    bool appended_ = false;
};

} // namespace

PipePoller::PipePoller(db::OciSession& session, LineSink& sink)
    : ownedChannel_(std::make_unique<OciPipeChannel>(session)), channel_(*ownedChannel_),
      sink_(sink)
{
}

PipePoller::PipePoller(PipeChannel& channel, LineSink& sink) : channel_(channel), sink_(sink) {}

PipePoller::~PipePoller() = default;

int PipePoller::PollPipe()
{
    // Oracle refuses an empty pipe name, and the session would end on it.
    if (settings_.m_strPipeName.empty())
        return 0;
    const auto reader = channel_.openReader();
    return pollWith(*reader);
}

int PipePoller::PollPipe(PollCursor& cursor)
{
    if (settings_.m_strPipeName.empty())
        return 0;
    const auto reader = makeOciPipeReader(cursor);
    return pollWith(*reader);
}

int PipePoller::pollWith(PipeReader& reader)
{
    return PollRun(reader, settings_, sink_).drainPipe();
}

} // namespace vexmoor::trace

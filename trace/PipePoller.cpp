#include "PipePoller.h"

#include "LineSink.h"

#include <string_view>
#include <utility>

namespace {

using vexmoor::trace::PipeItem;
using vexmoor::trace::PipeReader;

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
    PollRun(PipeReader& reader, TraceSettings settings, LineSink& sink)
        : m_reader(reader), m_settings(std::move(settings)), m_sink(sink)
    {
    }

    void DrainPipe()
    {
        while (m_reader.receiveMessage(m_settings.m_strPipeName)) {
            if (m_settings.m_bAutoUnpack)
                ReadTypedMessage();
            else
                ReadSimpleMessage();
        }
        if (m_bAppended)
            m_sink.EndOfPoll();
    }

private:
    void ReadSimpleMessage()
    {
        PipeItem length;
        if (!m_reader.readLength(length)) {
            ShowRestOfMessage({});
            return;
        }
        // The length read as the line Auto Unpack would show for it.
        const std::string lengthLine = ItemLine(length);
        std::string_view text;
        if (!m_reader.readText(text)) {
            ShowRestOfMessage(lengthLine);
            return;
        }
        AppendLine(text);
    }

    void ReadTypedMessage()
    {
        AppendLine("MESSAGE:");
        for (;;) {
            PipeItem item;
            if (!m_reader.readItem(false, item)) {
                ShowRemainingItems();
                return;
            }
            if (!AppendItem(item))
                return;
        }
    }

    // After a simple read failed: the message as Auto Unpack shows it, from
    // what was read already to its last item.
    void ShowRestOfMessage(std::string_view lineRead)
    {
        AppendLine("MESSAGE:");
        if (!lineRead.empty())
            AppendLine(lineRead);
        ShowRemainingItems();
    }

    // The items still in the buffer after a read failed on the message.
    void ShowRemainingItems()
    {
        const auto& failure = m_reader.lastFailure();
        if (failure.itemTaken || !failure.restReadable)
            AppendNotShown();
        if (!failure.restReadable)
            return;
        for (;;) {
            PipeItem item;
            // Where even this read fails, nothing says which item comes next.
            if (!m_reader.readItem(true, item)) {
                AppendNotShown();
                return;
            }
            if (!AppendItem(item))
                return;
        }
    }

    // Shows the item just read; false when the message ends here.
    bool AppendItem(const PipeItem& item)
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
        AppendLine(ItemLine(item));
        return true;
    }

    std::string ItemLine(const PipeItem& item) const
    {
        std::string line(item.prefix);
        line += '\'';
        line += item.value;
        line += '\'';
        return line;
    }

    void AppendNotShown()
    {
        std::string line(kNotShown);
        line += m_reader.lastFailure().firstLine;
        AppendLine(line);
    }

    void AppendLine(std::string_view line)
    {
        m_composed.assign(line);
        if (m_settings.m_bLFFlag)
            m_composed += "\r\n";
        m_sink.AppendLine(m_composed);
        m_bAppended = true;
    }

    PipeReader& m_reader;
    const TraceSettings m_settings;
    LineSink& m_sink;
    std::string m_composed;
    bool m_bAppended = false;
};

} // namespace

PipePoller::PipePoller(OciSession& session, LineSink& sink)
    : m_ownedChannel(std::make_unique<vexmoor::trace::OciPipeChannel>(session)),
      m_channel(*m_ownedChannel), m_sink(sink)
{
}

PipePoller::PipePoller(vexmoor::trace::PipeChannel& channel, LineSink& sink)
    : m_channel(channel), m_sink(sink)
{
}

PipePoller::~PipePoller() = default;

void PipePoller::PollPipe()
{
    // Oracle refuses an empty pipe name, and the session would end on it.
    if (m_settings.m_strPipeName.empty())
        return;
    const auto reader = m_channel.openReader();
    PollWith(*reader);
}

void PipePoller::PollPipe(PollCursor& cursor)
{
    if (m_settings.m_strPipeName.empty())
        return;
    const auto reader = vexmoor::trace::makeOciPipeReader(cursor);
    PollWith(*reader);
}

void PipePoller::PollWith(PipeReader& reader)
{
    PollRun(reader, m_settings, m_sink).DrainPipe();
}

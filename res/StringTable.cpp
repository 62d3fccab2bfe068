#include "StringTable.h"

#include "CommandIds.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vexmoor::res {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

// Sorted by id, so that a lookup is a binary search.
constexpr auto kEntries = std::to_array<Entry>({
    {IDR_MAINFRAME, "Vexmoor - The PL/SQL Tracing facility"},

    {ID_START, "Start the PL/SQL debugger\nStart"},
    {ID_STOP, "Stop polling the pipe; Start resumes\nStop"},
    {ID_OPTIONS, "Set the debugging options\nOptions"},
    {ID_PURGE_PIPE, "Purge all messages from the current pipe.\nPurge Pipe"},
    {ID_FILE_OPEN_JOURNAL_FOLDER,
     "Open the folder of the journal, which keeps every trace line received\nOpen Journal Folder"},
    {ID_VIEW_RECEIPT_TIME, "Start each new line with the time it was received\nReceipt Time"},
    {ID_VIEW_FOLLOW_NEW_LINES, "Scroll to each new line as it arrives\nFollow New Lines"},
    {ID_VIEW_FIXED_WIDTH_FONT, "Show the log in the fixed-width font\nFixed-Width Font"},
    {ID_EDIT_FIND_NEXT, "Find the next occurrence of the text\nFind Next"},
    {ID_EDIT_FIND_PREVIOUS, "Find the previous occurrence of the text\nFind Previous"},

    {AFX_IDS_APP_TITLE, "Vexmoor"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},

    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_CLOSE, "Close the active document\nClose"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    {ID_FILE_PAGE_SETUP, "Change the printing options\nPage Setup"},
    {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
    {ID_FILE_PRINT, "Print the active document\nPrint"},
    {ID_FILE_PRINT_DIRECT, "Print the active document using current options\nQuick Print"},
    {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
    {ID_FILE_MRU_FILE1, "Open this document"},
    {ID_FILE_MRU_FILE2, "Open this document"},
    {ID_FILE_MRU_FILE3, "Open this document"},
    {ID_FILE_MRU_FILE4, "Open this document"},

    {ID_EDIT_CLEAR, "Erase the selection\nErase"},
    {ID_EDIT_CLEAR_ALL, "Erase everything\nErase All"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_FIND, "Find the specified text\nFind"},
    {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
    {ID_EDIT_REPEAT, "Repeat the last action\nRepeat"},
    {ID_EDIT_REPLACE, "Replace specific text with different text\nReplace"},
    {ID_EDIT_SELECT_ALL, "Select the entire document\nSelect All"},
    {ID_EDIT_UNDO, "Undo the last action\nUndo"},
    {ID_EDIT_REDO, "Redo the previously undone action\nRedo"},

    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},

    {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},

    {ID_INDICATOR_TRACE_STATE, "What tracing does"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},

    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},

    {AFX_IDS_UNTITLED, "Untitled"},
    {AFX_IDS_SAVEFILE, "Save As"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_MRU_FILE, "Recent File"},

    {AFX_IDP_INVALID_FILENAME, "Invalid filename."},
    {AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, "Failed to save document."},
    {AFX_IDP_ASK_TO_SAVE, "Save changes to %1?"},
    {AFX_IDP_FAILED_TO_CREATE_DOC, "Failed to create empty document."},
    {AFX_IDP_FILE_TOO_LARGE, "The file is too large to open."},
    {AFX_IDP_FAILED_TO_START_PRINT, "Could not start print job."},
    {AFX_IDP_PARSE_STRING_SIZE, "Please enter no more than %1 characters."},
    {AFX_IDP_FAILED_INVALID_FORMAT, "Unexpected file format."},
    {AFX_IDP_FAILED_INVALID_PATH,
     "%1\nCannot find this file.\nPlease verify that the correct path and file name are given."},
    {AFX_IDP_FAILED_DISK_FULL, "Destination disk drive is full."},
    {AFX_IDP_FAILED_ACCESS_READ, "Unable to read from %1, it is opened by someone else."},
    {AFX_IDP_FAILED_ACCESS_WRITE,
     "Unable to write to %1, it is read-only or opened by someone else."},
    {AFX_IDP_FAILED_IO_ERROR_READ, "An unexpected error occurred while reading %1."},
    {AFX_IDP_FAILED_IO_ERROR_WRITE, "An unexpected error occurred while writing %1."},
});

constexpr bool isSortedById()
{
    for (std::size_t i = 1; i < kEntries.size(); ++i)
        if (kEntries[i - 1].id >= kEntries[i].id)
            return false;
    return true;
}
static_assert(isSortedById(), "string table entries must be sorted by id, each id once");

std::pair<std::string_view, std::string_view> splitAtNewline(std::string_view text)
{
    const auto newline = text.find('\n');
    if (newline == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, newline), text.substr(newline + 1)};
}

QString toQString(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::string_view stringFor(int id)
{
    const auto found = std::lower_bound(kEntries.begin(), kEntries.end(), id,
                                        [](const Entry& entry, int key) { return entry.id < key; });
    if (found == kEntries.end() || found->id != id)
        return {};
    return found->text;
}

std::string_view prompt(int id)
{
    return splitAtNewline(stringFor(id)).first;
}

std::string_view tooltip(int id)
{
    return splitAtNewline(stringFor(id)).second;
}

QString loadString(int id)
{
    return toQString(stringFor(id));
}

QString promptText(int id)
{
    return toQString(prompt(id));
}

QString tooltipText(int id)
{
    return toQString(tooltip(id));
}

QString formatString1(int id, const QString& argument)
{
    QString text = loadString(id);
    text.replace(QStringLiteral("%1"), argument);
    return text;
}

} // namespace vexmoor::res

#pragma once

// Identifiers of commands, status-bar panes, resources and string-table
// entries. The program's own three commands are numbered from 32772; all
// other commands keep the desktop framework's standard numbers, so the string
// table, the menus, the toolbar and the tests agree on one number each.
namespace vexmoor::res {

enum CommandId : int {
    // The log window's commands: on the toolbar and in the Trace menu.
    ID_START = 32772,
    ID_STOP = 32773,
    ID_OPTIONS = 32774,
    ID_PURGE_PIPE = 32775,
    // File > Open Journal Folder, the View toggles of the log window, and
    // Find's next and previous.
    ID_FILE_OPEN_JOURNAL_FOLDER = 32776,
    ID_VIEW_RECEIPT_TIME = 32777,
    ID_VIEW_FOLLOW_NEW_LINES = 32778,
    ID_VIEW_FIXED_WIDTH_FONT = 32779,
    ID_EDIT_FIND_NEXT = 32780,
    ID_EDIT_FIND_PREVIOUS = 32781,

    // File
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PAGE_SETUP = 57605,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616, // also the place of the recent-file list in the File menu
    ID_FILE_MRU_FILE2 = 57617,
    ID_FILE_MRU_FILE3 = 57618,
    ID_FILE_MRU_FILE4 = 57619,

    // Edit
    ID_EDIT_CLEAR = 57632,
    ID_EDIT_CLEAR_ALL = 57633,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_REPEAT = 57640,
    ID_EDIT_REPLACE = 57641,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,

    // Application
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,

    // Window panes
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,

    // View: the bars, under their window identifiers
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// Window identifiers of the two bars and the status-bar panes.
enum PaneId : int {
    ID_SEPARATOR = 0,                 // the message pane
    ID_INDICATOR_TRACE_STATE = 59136, // what tracing does, left of the key states
    ID_INDICATOR_CAPS = 59137,
    ID_INDICATOR_NUM = 59138,
    ID_INDICATOR_SCRL = 59139,
    AFX_IDW_TOOLBAR = 59392,
    AFX_IDW_STATUS_BAR = 59393,
};

// Resources: the main frame's menu, accelerators, toolbar, icon and title
// share 128; dialog templates; the about box's banner.
enum ResourceId : int {
    IDR_MAINFRAME = 128,
    IDD_OPTIONS = 135,
    IDD_CONNECT = 146,
    IDB_BANNER = 147,
    IDD_ABOUTBOX = 163,
};

// String-table entries that are not command prompts.
enum StringId : int {
    AFX_IDS_APP_TITLE = 57344,   // "Vexmoor"
    AFX_IDS_IDLEMESSAGE = 57345, // "Ready"

    AFX_IDS_UNTITLED = 61440,
    AFX_IDS_SAVEFILE = 61441,
    AFX_IDS_ALLFILTER = 61442,
    AFX_IDS_OPENFILE = 61446,

    AFX_IDS_MRU_FILE = 61468, // "Recent File", the empty list's placeholder

    AFX_IDP_INVALID_FILENAME = 61696,
    AFX_IDP_FAILED_TO_OPEN_DOC = 61697,
    AFX_IDP_FAILED_TO_SAVE_DOC = 61698,
    AFX_IDP_ASK_TO_SAVE = 61699,
    AFX_IDP_FAILED_TO_CREATE_DOC = 61700,
    AFX_IDP_FILE_TOO_LARGE = 61701,
    AFX_IDP_FAILED_TO_START_PRINT = 61702,
    AFX_IDP_PARSE_STRING_SIZE = 61716,
    AFX_IDP_FAILED_INVALID_FORMAT = 61728,
    AFX_IDP_FAILED_INVALID_PATH = 61729,
    AFX_IDP_FAILED_DISK_FULL = 61730,
    AFX_IDP_FAILED_ACCESS_READ = 61731,
    AFX_IDP_FAILED_ACCESS_WRITE = 61732,
    AFX_IDP_FAILED_IO_ERROR_READ = 61733,
    AFX_IDP_FAILED_IO_ERROR_WRITE = 61734,
    // The key-state panes' texts live under the panes' ids (ID_INDICATOR_*),
    // the main window's title under IDR_MAINFRAME.
};

} // namespace vexmoor::res

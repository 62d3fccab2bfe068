#pragma once

#include <QString>
#include <QStringList>

namespace vexmoor::app {

// The command line by the desktop framework's rules: an optional file to open,
// and the switches "p" (print the file and end) and "pt" (print it to the
// printer named next, then end), written after "/" or "-". Other switches are
// ignored. Since "/" also starts every absolute path here, only "/p" and
// "/pt" are switches; any other argument starting with "/" names a file.
struct CommandLineInfo {
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo };

    ShellCommand shellCommand_ = FileNew;
    QString fileName_;
    QString printerName_;
    QString driverName_;
    QString portName_;
};

// `arguments` without the program's own name.
CommandLineInfo parseCommandLine(const QStringList& arguments);

} // namespace vexmoor::app

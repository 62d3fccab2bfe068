#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace vexmoor::app {

// The log file: the log text byte for byte, no header, no terminator.

// The longest log that can be opened: the log window's limit of 1 MiB less one byte.
inline constexpr std::int64_t kMaxLogFileBytes = 1'048'575;

enum class FileStatus {
    Ok,
    TooLarge,     // "The file is too large to open."
    NotFound,     // "%1\nCannot find this file..."
    AccessDenied, // reading: "Unable to read from %1..."; writing: "Unable to write to %1..."
    DiskFull,     // "Destination disk drive is full."
    IoError,      // "An unexpected error occurred while reading/writing %1."
    Failed,       // "Failed to open document." / "Failed to save document."
};

struct LoadedLog {
    FileStatus status = FileStatus::Failed;
    std::string bytes;
};

// Reads the whole file; a file over kMaxLogFileBytes is refused unread.
LoadedLog loadLogFile(const QString& path);

// Writes the bytes to a temporary file beside `path` and renames it over the
// target, so a save that fails leaves the existing file as it was. Where no
// temporary file can be made (a folder the user cannot write to) an existing
// file is overwritten in place, growing it before its old bytes are touched.
// A file that cannot grow (disk, quota or size limit) gives DiskFull.
FileStatus saveLogFile(const QString& path, const std::string& bytes);

// The message for a failed load or save, with the file's path in place of %1.
QString loadErrorText(FileStatus status, const QString& path);
QString saveErrorText(FileStatus status, const QString& path);

} // namespace vexmoor::app

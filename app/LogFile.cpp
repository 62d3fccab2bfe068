#include "LogFile.h"

#include "res/CommandIds.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>

namespace vexmoor::app {

namespace {

// The write failed because the file could not grow: the disk or the user's
// quota is full, or the file reached the largest size allowed.
bool isOutOfRoom(const QFileDevice& file, int writeErrno)
{
    if (file.error() == QFileDevice::ResourceError)
        return true;
#ifdef EDQUOT
    if (writeErrno == EDQUOT)
        return true;
#endif
    return writeErrno == ENOSPC || writeErrno == EFBIG;
}

// Writes `length` bytes at the file's position. The device is unbuffered, so
// errno still holds the failing write's reason when write() returns.
FileStatus writeBytes(QFileDevice& file, const char* data, qint64 length)
{
    errno = 0;
    const qint64 written = file.write(data, length);
    const int writeErrno = errno;
    if (written == length)
        return FileStatus::Ok;
    return isOutOfRoom(file, writeErrno) ? FileStatus::DiskFull : FileStatus::IoError;
}

FileStatus statusOfOpenFailure(const QFileDevice& file, const QString& path)
{
    if (file.error() == QFileDevice::PermissionsError)
        return FileStatus::AccessDenied;
    if (!QFileInfo::exists(path))
        return FileStatus::NotFound;
    return FileStatus::Failed;
}

FileStatus statusOfWriteFailure(const QFileDevice& file, const QString& path)
{
    // The file system's state explains most failures better than the error
    // code: QSaveFile reports a read-only target as a write error.
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        return FileStatus::NotFound;
    if (target.exists() && !target.isWritable())
        return FileStatus::AccessDenied;
    if (!QFileInfo(target.absolutePath()).isWritable())
        return FileStatus::AccessDenied;
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return FileStatus::AccessDenied;
    case QFileDevice::ResourceError:
        return FileStatus::DiskFull;
    case QFileDevice::WriteError:
        return FileStatus::IoError;
    default:
        return FileStatus::Failed;
    }
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

LoadedLog loadLogFile(const QString& path)
{
    LoadedLog loaded;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        loaded.status =
            QFileInfo(path).isDir() ? FileStatus::Failed : statusOfOpenFailure(file, path);
        return loaded;
    }
    // The size of the opened file, not of the name, so a file that grows
    // meanwhile is still read in full or refused.
    if (file.size() > kMaxLogFileBytes) {
        loaded.status = FileStatus::TooLarge;
        return loaded;
    }
    const QByteArray bytes = file.read(kMaxLogFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        loaded.status = FileStatus::IoError;
        return loaded;
    }
    if (bytes.size() > kMaxLogFileBytes) {
        loaded.status = FileStatus::TooLarge;
        return loaded;
    }
    loaded.bytes.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    loaded.status = FileStatus::Ok;
    return loaded;
}

namespace {

// Overwrites the file itself, for a folder where no temporary file can be
// made. Room for a longer text is taken first, after the old bytes, so that a
// full disk leaves the old file as it was.
FileStatus saveInPlace(const QString& path, const std::string& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return statusOfWriteFailure(file, path);
    const qint64 oldSize = file.size();
    const auto newSize = static_cast<qint64>(bytes.size());
    if (newSize > oldSize) {
        FileStatus status = file.seek(oldSize) ? FileStatus::Ok : FileStatus::IoError;
        if (status == FileStatus::Ok)
            status = writeBytes(file, bytes.data() + oldSize, newSize - oldSize);
        if (status != FileStatus::Ok) {
            file.resize(oldSize);
            return status;
        }
    }
    if (!file.seek(0))
        return FileStatus::IoError;
    const FileStatus status = writeBytes(file, bytes.data(), std::min(oldSize, newSize));
    if (status != FileStatus::Ok)
        return status;
    if (newSize < oldSize && !file.resize(newSize))
        return FileStatus::IoError;
    return FileStatus::Ok;
}

} // namespace

FileStatus saveLogFile(const QString& path, const std::string& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // No temporary file beside a file that may still be written itself:
        // the folder is not writable, the file is.
        if (QFileInfo(path).isFile())
            return saveInPlace(path, bytes);
        return statusOfWriteFailure(file, path);
    }
    const FileStatus status = writeBytes(file, bytes.data(), static_cast<qint64>(bytes.size()));
    if (status != FileStatus::Ok) {
        file.cancelWriting();
        return status;
    }
    errno = 0;
    if (!file.commit()) {
        const int commitErrno = errno;
        return isOutOfRoom(file, commitErrno) ? FileStatus::DiskFull
                                              : statusOfWriteFailure(file, path);
    }
    return FileStatus::Ok;
}

QString loadErrorText(FileStatus status, const QString& path)
{
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::TooLarge:
        return res::loadString(res::AFX_IDP_FILE_TOO_LARGE);
    case FileStatus::NotFound:
        return res::formatString1(res::AFX_IDP_FAILED_INVALID_PATH, nativePath(path));
    case FileStatus::AccessDenied:
        return res::formatString1(res::AFX_IDP_FAILED_ACCESS_READ, nativePath(path));
    case FileStatus::IoError:
        return res::formatString1(res::AFX_IDP_FAILED_IO_ERROR_READ, nativePath(path));
    case FileStatus::DiskFull:
    case FileStatus::Failed:
        break;
    }
    return res::loadString(res::AFX_IDP_FAILED_TO_OPEN_DOC);
}

QString saveErrorText(FileStatus status, const QString& path)
{
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::NotFound:
        return res::formatString1(res::AFX_IDP_FAILED_INVALID_PATH, nativePath(path));
    case FileStatus::AccessDenied:
        return res::formatString1(res::AFX_IDP_FAILED_ACCESS_WRITE, nativePath(path));
    case FileStatus::DiskFull:
        return res::loadString(res::AFX_IDP_FAILED_DISK_FULL);
    case FileStatus::IoError:
        return res::formatString1(res::AFX_IDP_FAILED_IO_ERROR_WRITE, nativePath(path));
    case FileStatus::TooLarge:
    case FileStatus::Failed:
        break;
    }
    return res::loadString(res::AFX_IDP_FAILED_TO_SAVE_DOC);
}

} // namespace vexmoor::app

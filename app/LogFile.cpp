#include "LogFile.h"

#include "res/CommandIds.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

FileStatus StatusOfOpenFailure(const QFileDevice& file, const QString& path)
{
    if (file.error() == QFileDevice::PermissionsError)
        return FileStatus::AccessDenied;
    if (!QFileInfo::exists(path))
        return FileStatus::NotFound;
    return FileStatus::Failed;
}

FileStatus StatusOfWriteFailure(const QFileDevice& file, const QString& path)
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

QString NativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

LoadedLog LoadLogFile(const QString& path)
{
    LoadedLog loaded;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        loaded.status = QFileInfo(path).isDir() ? FileStatus::Failed
                                                : StatusOfOpenFailure(file, path);
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

FileStatus SaveLogFile(const QString& path, const std::string& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return StatusOfWriteFailure(file, path);
    const auto length = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), length) != length) {
        const FileStatus status = StatusOfWriteFailure(file, path);
        file.cancelWriting();
        return status == FileStatus::Failed ? FileStatus::IoError : status;
    }
    if (!file.commit())
        return StatusOfWriteFailure(file, path);
    return FileStatus::Ok;
}

QString LoadErrorText(FileStatus status, const QString& path)
{
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::TooLarge:
        return res::LoadString(res::AFX_IDP_FILE_TOO_LARGE);
    case FileStatus::NotFound:
        return res::FormatString1(res::AFX_IDP_FAILED_INVALID_PATH, NativePath(path));
    case FileStatus::AccessDenied:
        return res::FormatString1(res::AFX_IDP_FAILED_ACCESS_READ, NativePath(path));
    case FileStatus::IoError:
        return res::FormatString1(res::AFX_IDP_FAILED_IO_ERROR_READ, NativePath(path));
    case FileStatus::DiskFull:
    case FileStatus::Failed:
        break;
    }
    return res::LoadString(res::AFX_IDP_FAILED_TO_OPEN_DOC);
}

QString SaveErrorText(FileStatus status, const QString& path)
{
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::NotFound:
        return res::FormatString1(res::AFX_IDP_FAILED_INVALID_PATH, NativePath(path));
    case FileStatus::AccessDenied:
        return res::FormatString1(res::AFX_IDP_FAILED_ACCESS_WRITE, NativePath(path));
    case FileStatus::DiskFull:
        return res::LoadString(res::AFX_IDP_FAILED_DISK_FULL);
    case FileStatus::IoError:
        return res::FormatString1(res::AFX_IDP_FAILED_IO_ERROR_WRITE, NativePath(path));
    case FileStatus::TooLarge:
    case FileStatus::Failed:
        break;
    }
    return res::LoadString(res::AFX_IDP_FAILED_TO_SAVE_DOC);
}

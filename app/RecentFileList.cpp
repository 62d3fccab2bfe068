#include "RecentFileList.h"

#include "base/LocaleText.h"
#include "base/Profile.h"

#include <QDir>
#include <QFileInfo>

#include <string>

namespace vexmoor::app {

namespace {

std::string entryName(int number)
{
    return "File" + std::to_string(number);
}

} // namespace

RecentFileList::RecentFileList(base::Profile& profile, int maximumSize)
    : profile_(profile), maximumSize_(maximumSize)
{
}

void RecentFileList::readList()
{
    entries_.clear();
    for (int number = 1; number <= maximumSize_; ++number) {
        const std::string path = profile_.getProfileString(kSection, entryName(number));
        if (!path.empty())
            entries_.append(base::fromLocaleBytes(path));
    }
}

void RecentFileList::writeList() const
{
    // Every slot is written, so that entries dropped since start-up do not
    // come back from the profile at the next start.
    for (int number = 1; number <= maximumSize_; ++number) {
        const int index = number - 1;
        const std::string path =
            index < size() ? base::toLocaleBytes(entries_.at(index)) : std::string();
        profile_.writeProfileString(kSection, entryName(number), path);
    }
}

void RecentFileList::add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int index = 0; index < size(); ++index) {
        if (sameFile(entries_.at(index), absolute)) {
            entries_.removeAt(index);
            break;
        }
    }
    entries_.prepend(absolute);
    while (size() > maximumSize_)
        entries_.removeLast();
}

void RecentFileList::remove(int index)
{
    if (index >= 0 && index < size())
        entries_.removeAt(index);
}

QString RecentFileList::menuText(int index) const
{
    if (index < 0 || index >= size())
        return {};
    // A "&" in a file name would otherwise become a mnemonic.
    QString name = QDir::toNativeSeparators(entries_.at(index));
    name.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

bool RecentFileList::sameFile(const QString& left, const QString& right)
{
#ifdef Q_OS_WIN
    return left.compare(right, Qt::CaseInsensitive) == 0;
#else
    return left == right;
#endif
}

} // namespace vexmoor::app

#include "RecentFileList.h"

#include "base/LocaleText.h"
#include "base/Profile.h"

#include <QDir>
#include <QFileInfo>

#include <string>

namespace {

std::string EntryName(int number)
{
    return "File" + std::to_string(number);
}

} // namespace

RecentFileList::RecentFileList(Profile& profile, int maximumSize)
    : m_profile(profile), m_maximumSize(maximumSize)
{
}

void RecentFileList::ReadList()
{
    m_entries.clear();
    for (int number = 1; number <= m_maximumSize; ++number) {
        const std::string path = m_profile.GetProfileString(kSection, EntryName(number));
        if (!path.empty())
            m_entries.append(vexmoor::base::FromLocaleBytes(path));
    }
}

void RecentFileList::WriteList() const
{
    // Every slot is written, so that entries dropped since start-up do not
    // come back from the profile at the next start.
    for (int number = 1; number <= m_maximumSize; ++number) {
        const int index = number - 1;
        const std::string path =
            index < Size() ? vexmoor::base::ToLocaleBytes(m_entries.at(index)) : std::string();
        m_profile.WriteProfileString(kSection, EntryName(number), path);
    }
}

void RecentFileList::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int index = 0; index < Size(); ++index) {
        if (SameFile(m_entries.at(index), absolute)) {
            m_entries.removeAt(index);
            break;
        }
    }
    m_entries.prepend(absolute);
    while (Size() > m_maximumSize)
        m_entries.removeLast();
}

void RecentFileList::Remove(int index)
{
    if (index >= 0 && index < Size())
        m_entries.removeAt(index);
}

QString RecentFileList::MenuText(int index) const
{
    if (index < 0 || index >= Size())
        return {};
    // A "&" in a file name would otherwise become a mnemonic.
    QString name = QDir::toNativeSeparators(m_entries.at(index));
    name.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

bool RecentFileList::SameFile(const QString& left, const QString& right)
{
#ifdef Q_OS_WIN
    return left.compare(right, Qt::CaseInsensitive) == 0;
#else
    return left == right;
#endif
}

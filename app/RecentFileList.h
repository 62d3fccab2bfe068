#pragma once

#include <QString>
#include <QStringList>

namespace vexmoor::base {
class Profile;
}

namespace vexmoor::app {

// The list of recently used files, most recent first, kept in the profile
// section "Recent File List" as File1..FileN. Loaded at start-up and written
// back at exit, as the desktop framework does.
class RecentFileList {
public:
    static constexpr const char* kSection = "Recent File List";
    static constexpr int kDefaultSize = 4;

    RecentFileList(base::Profile& profile, int maximumSize = kDefaultSize);

    void readList();
    void writeList() const;

    // Puts `path` first; an equal entry further down moves up instead of
    // appearing twice; the oldest entry drops off a full list.
    void add(const QString& path);
    void remove(int index);

    const QStringList& entries() const { return entries_; }
    int size() const { return static_cast<int>(entries_.size()); }
    int maximumSize() const { return maximumSize_; }

    // "&1 name" for the File menu.
    QString menuText(int index) const;

private:
    static bool sameFile(const QString& left, const QString& right);

    base::Profile& profile_;
    int maximumSize_;
    QStringList entries_;
};

} // namespace vexmoor::app

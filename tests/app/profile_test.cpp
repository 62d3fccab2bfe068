#include "AppTestSupport.h"

#include "app/QSettingsProfile.h"
#include "app/RecentFileList.h"

namespace {

TEST(QSettingsProfile, KeepsIntsAndEightBitStringsBySectionAndEntry)
{
    QTemporaryDir folder;
    const QString ini = folder.filePath(QStringLiteral("vexmoor.ini"));
    {
        QSettingsProfile profile(ini);
        EXPECT_EQ(profile.GetProfileInt("Options", "Timer Frequency", 5), 5);
        EXPECT_EQ(profile.GetProfileString("Options", "Pipe Name", "vexmoor"), "vexmoor");
        profile.WriteProfileInt("Options", "Timer Frequency", 12);
        profile.WriteProfileString("Options", "Pipe Name", "caf\xe9, pipe");
        profile.WriteProfileString("Recent File List", "File1", "/a b/c.log");
        profile.Sync();
    }
    QSettingsProfile again(ini);
    EXPECT_EQ(again.GetProfileInt("Options", "Timer Frequency", 5), 12);
    EXPECT_EQ(again.GetProfileString("Options", "Pipe Name"), "caf\xe9, pipe");
    EXPECT_EQ(again.GetProfileString("Recent File List", "File1"), "/a b/c.log");
    // A text where a number is wanted reads as the default.
    EXPECT_EQ(again.GetProfileInt("Options", "Pipe Name", 7), 7);
}

TEST(RecentFileList, DropsTheOldestAndClearsSlotsItNoLongerUses)
{
    MemoryProfile profile;
    for (int number = 1; number <= 4; ++number)
        profile.WriteProfileString("Recent File List", "File" + std::to_string(number),
                                   "/logs/" + std::to_string(number) + ".log");
    RecentFileList list(profile);
    list.ReadList();
    ASSERT_EQ(list.Size(), 4);
    list.Add(QStringLiteral("/logs/new.log"));
    EXPECT_EQ(list.Entries(), (QStringList{"/logs/new.log", "/logs/1.log", "/logs/2.log", "/logs/3.log"}));
    list.Remove(0);
    list.Remove(0);
    list.WriteList();
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File1"), "/logs/2.log");
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File3"), "");
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File4"), "");
    list.ReadList();
    EXPECT_EQ(list.Size(), 2);
    list.Add(QStringLiteral("/a&b.log"));
    EXPECT_EQ(list.MenuText(0), QStringLiteral("&1 /a&&b.log"));
}

} // namespace

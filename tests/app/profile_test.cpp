#include "AppTestSupport.h"

#include "app/QSettingsProfile.h"
#include "app/RecentFileList.h"
#include "support/ScopedLocale.h"

namespace vexmoor::app {

using namespace vexmoor::test;

namespace {

TEST(QSettingsProfile, KeepsIntsAndEightBitStringsBySectionAndEntry)
{
    QTemporaryDir folder;
    const QString ini = folder.filePath(QStringLiteral("vexmoor.ini"));
    {
        QSettingsProfile profile(ini);
        EXPECT_EQ(profile.getProfileInt("Options", "Timer Frequency", 5), 5);
        EXPECT_EQ(profile.getProfileString("Options", "Pipe Name", "vexmoor"), "vexmoor");
        profile.writeProfileInt("Options", "Timer Frequency", 12);
        profile.writeProfileString("Options", "Pipe Name", "caf\xe9, pipe");
        profile.writeProfileString("Recent File List", "File1", "/a b/c.log");
        profile.sync();
    }
    QSettingsProfile again(ini);
    EXPECT_EQ(again.getProfileInt("Options", "Timer Frequency", 5), 12);
    EXPECT_EQ(again.getProfileString("Options", "Pipe Name"), "caf\xe9, pipe");
    EXPECT_EQ(again.getProfileString("Recent File List", "File1"), "/a b/c.log");
    // A text where a number is wanted reads as the default.
    EXPECT_EQ(again.getProfileInt("Options", "Pipe Name", 7), 7);
}

// The INI file is UTF-8 whatever the locale: a pipe name and a recent file's
// name are written there once encoded, and read back as the locale's bytes.
TEST(QSettingsProfile, TextsAreStoredOnceEncodedWhateverTheLocale)
{
    const struct {
        const char* locale;
        std::string pipe;
    } cases[] = {
        {"C.UTF-8", "Gr\xC3\xB6\xC3\x9F"
                    "e"},
        {"en_US.ISO-8859-1", "Gr\xF6\xDF"
                             "e"},
    };
    const QString file = QStringLiteral("/logs/Größe Köln.log");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const ScopedLocale locale(c.locale);
        ASSERT_TRUE(locale.IsActive());
        QTemporaryDir folder;
        const QString ini = folder.filePath(QStringLiteral("vexmoor.ini"));
        {
            QSettingsProfile profile(ini);
            profile.writeProfileString("Options", "Pipe Name", c.pipe);
            RecentFileList list(profile);
            list.add(file);
            list.writeList();
            profile.sync();
        }
        QFile written(ini);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        EXPECT_TRUE(text.contains("Pipe%20Name=Gr\xC3\xB6\xC3\x9F"
                                  "e\n"))
            << text.toStdString();
        EXPECT_TRUE(text.contains("File1=/logs/Gr\xC3\xB6\xC3\x9F"
                                  "e K\xC3\xB6ln.log\n"))
            << text.toStdString();

        // A copy, so that the values come from the file and not from QSettings' cache.
        const QString copy = folder.filePath(QStringLiteral("copy.ini"));
        ASSERT_TRUE(QFile::copy(ini, copy));
        QSettingsProfile again(copy);
        EXPECT_EQ(again.getProfileString("Options", "Pipe Name"), c.pipe);
        RecentFileList list(again);
        list.readList();
        EXPECT_EQ(list.entries(), QStringList{file});
    }
}

TEST(QSettingsProfile, BytesThatAreNoTextInTheLocaleComeBackUnchanged)
{
    const ScopedLocale locale("C.UTF-8");
    ASSERT_TRUE(locale.IsActive());
    QTemporaryDir folder;
    const QString ini = folder.filePath(QStringLiteral("vexmoor.ini"));
    const std::string latin1("caf\xE9, pipe");
    {
        QSettingsProfile profile(ini);
        profile.writeProfileString("Options", "Pipe Name", latin1);
        profile.sync();
    }
    const QString copy = folder.filePath(QStringLiteral("copy.ini"));
    ASSERT_TRUE(QFile::copy(ini, copy));
    EXPECT_EQ(QSettingsProfile(copy).getProfileString("Options", "Pipe Name"), latin1);
}

TEST(RecentFileList, DropsTheOldestAndClearsSlotsItNoLongerUses)
{
    base::MemoryProfile profile;
    for (int number = 1; number <= 4; ++number)
        profile.writeProfileString("Recent File List", "File" + std::to_string(number),
                                   "/logs/" + std::to_string(number) + ".log");
    RecentFileList list(profile);
    list.readList();
    ASSERT_EQ(list.size(), 4);
    list.add(QStringLiteral("/logs/new.log"));
    EXPECT_EQ(list.entries(),
              (QStringList{"/logs/new.log", "/logs/1.log", "/logs/2.log", "/logs/3.log"}));
    list.remove(0);
    list.remove(0);
    list.writeList();
    EXPECT_EQ(profile.getProfileString("Recent File List", "File1"), "/logs/2.log");
    EXPECT_EQ(profile.getProfileString("Recent File List", "File3"), "");
    EXPECT_EQ(profile.getProfileString("Recent File List", "File4"), "");
    list.readList();
    EXPECT_EQ(list.size(), 2);
    list.add(QStringLiteral("/a&b.log"));
    EXPECT_EQ(list.menuText(0), QStringLiteral("&1 /a&&b.log"));
}

} // namespace

} // namespace vexmoor::app

#pragma once

#include "base/Profile.h"

#include <QSettings>

// The user's real profile: QSettings("Orrindale", "Vexmoor"), which is the
// key HKCU\Software\Orrindale\Vexmoor on Windows and an INI file in the
// user's configuration folder elsewhere. Sections become groups.
class QSettingsProfile final : public Profile {
public:
    QSettingsProfile();
    // A profile in the given INI file (tests and tools).
    explicit QSettingsProfile(const QString& iniFile);

    int GetProfileInt(std::string_view section, std::string_view entry,
                      int defaultValue) const override;
    std::string GetProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue = {}) const override;
    void WriteProfileInt(std::string_view section, std::string_view entry, int value) override;
    void WriteProfileString(std::string_view section, std::string_view entry,
                            std::string_view value) override;

    void Sync() { m_settings.sync(); }
    void flush() override { m_settings.sync(); }

private:
    mutable QSettings m_settings;
};

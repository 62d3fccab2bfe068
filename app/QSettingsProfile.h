#pragma once

#include "base/Profile.h"

#include <QSettings>

namespace vexmoor::app {

// The user's real profile: QSettings("Orrindale", "Vexmoor"), which is the
// key HKCU\Software\Orrindale\Vexmoor on Windows and an INI file in the
// user's configuration folder elsewhere. Sections become groups.
class QSettingsProfile final : public base::Profile {
public:
    QSettingsProfile();
    // A profile in the given INI file (tests and tools).
    explicit QSettingsProfile(const QString& iniFile);

    int getProfileInt(std::string_view section, std::string_view entry,
                      int defaultValue) const override;
    std::string getProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue = {}) const override;
    void writeProfileInt(std::string_view section, std::string_view entry, int value) override;
    void writeProfileString(std::string_view section, std::string_view entry,
                            std::string_view value) override;

    void sync() { settings_.sync(); }
    void flush() override { settings_.sync(); }

private:
    mutable QSettings settings_;
};

} // namespace vexmoor::app

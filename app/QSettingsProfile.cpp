#include "QSettingsProfile.h"

namespace {

// Section and entry names may hold blanks ("Recent File List", "LF Flag");
// QSettings keeps them as they are under "section/entry".
QString KeyOf(std::string_view section, std::string_view entry)
{
    return QString::fromLatin1(section.data(), static_cast<qsizetype>(section.size())) + u'/'
        + QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size()));
}

// Texts are 8-bit throughout the program; the profile keeps them byte for byte.
QString FromBytes(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QSettingsProfile::QSettingsProfile()
    : m_settings(QStringLiteral("Orrindale"), QStringLiteral("Vexmoor"))
{
}

QSettingsProfile::QSettingsProfile(const QString& iniFile)
    : m_settings(iniFile, QSettings::IniFormat)
{
}

int QSettingsProfile::GetProfileInt(std::string_view section, std::string_view entry,
                                    int defaultValue) const
{
    const QVariant value = m_settings.value(KeyOf(section, entry));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : defaultValue;
}

std::string QSettingsProfile::GetProfileString(std::string_view section, std::string_view entry,
                                               std::string_view defaultValue) const
{
    const QVariant value = m_settings.value(KeyOf(section, entry));
    if (!value.isValid())
        return std::string(defaultValue);
    // An INI value edited by hand with an unquoted comma reads back as a list.
    const QString text = value.typeId() == QMetaType::QStringList
        ? value.toStringList().join(QStringLiteral(", "))
        : value.toString();
    return text.toLatin1().toStdString();
}

void QSettingsProfile::WriteProfileInt(std::string_view section, std::string_view entry, int value)
{
    m_settings.setValue(KeyOf(section, entry), value);
}

void QSettingsProfile::WriteProfileString(std::string_view section, std::string_view entry,
                                          std::string_view value)
{
    m_settings.setValue(KeyOf(section, entry), FromBytes(value));
}

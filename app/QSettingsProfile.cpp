#include "QSettingsProfile.h"

#include "base/LocaleText.h"

namespace vexmoor::app {

namespace {

// Section and entry names may hold blanks ("Recent File List", "LF Flag");
// QSettings keeps them as they are under "section/entry".
QString keyOf(std::string_view section, std::string_view entry)
{
    return base::fromLocaleBytes(section) + u'/' + base::fromLocaleBytes(entry);
}

// Values are bytes in the locale's character set and go into the profile as
// text, so the INI file (UTF-8) reads as the user wrote them. Bytes that are
// no text in that set would be lost there, so such a value is kept as bytes.
QVariant storedValue(std::string_view value)
{
    const QString text = base::fromLocaleBytes(value);
    if (!base::holdsRawBytes(text))
        return text;
    return QByteArray(value.data(), static_cast<qsizetype>(value.size()));
}

} // namespace

QSettingsProfile::QSettingsProfile()
    : settings_(QStringLiteral("Orrindale"), QStringLiteral("Vexmoor"))
{
}

QSettingsProfile::QSettingsProfile(const QString& iniFile)
    : settings_(iniFile, QSettings::IniFormat)
{
}

int QSettingsProfile::getProfileInt(std::string_view section, std::string_view entry,
                                    int defaultValue) const
{
    const QVariant value = settings_.value(keyOf(section, entry));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : defaultValue;
}

std::string QSettingsProfile::getProfileString(std::string_view section, std::string_view entry,
                                               std::string_view defaultValue) const
{
    const QVariant value = settings_.value(keyOf(section, entry));
    if (!value.isValid())
        return std::string(defaultValue);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    // An INI value edited by hand with an unquoted comma reads back as a list.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    return base::toLocaleBytes(text);
}

void QSettingsProfile::writeProfileInt(std::string_view section, std::string_view entry, int value)
{
    settings_.setValue(keyOf(section, entry), value);
}

void QSettingsProfile::writeProfileString(std::string_view section, std::string_view entry,
                                          std::string_view value)
{
    settings_.setValue(keyOf(section, entry), storedValue(value));
}

} // namespace vexmoor::app

#pragma once

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <clocale>
#include <cstdlib>
#include <string>

namespace vexmoor::test {

// Switches the C library's character set (LC_CTYPE), which the program's text
// conversion reads at every call, for the life of a scope. A locale the
// system lacks ("en_US.ISO-8859-1" on most machines) is built with localedef
// into a folder of the test program's own and loaded from there through
// LOCPATH, so the tests need no root and leave the system as it was.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& name) : previous_(std::setlocale(LC_CTYPE, nullptr))
    {
        active_ = std::setlocale(LC_CTYPE, name.c_str()) != nullptr || loadBuilt(name);
    }
    ~ScopedLocale() { std::setlocale(LC_CTYPE, previous_.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    bool IsActive() const { return active_; }

private:
    // "language_TERRITORY.CHARSET", from the sources of the locales package.
    static bool loadBuilt(const std::string& name)
    {
        static QTemporaryDir folder;
        const auto dot = name.find('.');
        if (dot == std::string::npos || !folder.isValid())
            return false;
        const QString target = folder.filePath(QString::fromStdString(name));
        if (!QDir(target).exists())
            QProcess::execute(QStringLiteral("localedef"),
                              {QStringLiteral("-i"), QString::fromStdString(name.substr(0, dot)),
                               QStringLiteral("-f"), QString::fromStdString(name.substr(dot + 1)),
                               target});
        // Only while loading: the locales the tests come back to live elsewhere.
        ::setenv("LOCPATH", QFile::encodeName(folder.path()).constData(), 1);
        const bool loaded = std::setlocale(LC_CTYPE, name.c_str()) != nullptr;
        ::unsetenv("LOCPATH");
        return loaded;
    }

    std::string previous_;
    bool active_ = false;
};

// Types `text` into `widget` character by character as a keyboard of the
// user's language would: QTest::keyClicks knows ASCII only.
inline void TypeText(QWidget& widget, const QString& text)
{
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(&widget, &press);
        QCoreApplication::sendEvent(&widget, &release);
    }
}

} // namespace vexmoor::test

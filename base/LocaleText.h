#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <optional>
#include <string>
#include <string_view>

// The one conversion between the program's texts and the widgets'.
//
// Everything the program reads and writes as text is bytes in the user's
// character set: messages from the database, the log file, the profile's
// values, connect strings and pipe names, error reports. That set is the
// locale's (LC_CTYPE) on Linux and macOS, UTF-8 nearly everywhere, and the
// ANSI code page on Windows. Every QString made from such bytes, and every
// byte string made from a widget's text, goes through here.
//
// On Unix the character set is read from the locale itself
// (nl_langinfo(CODESET)), not taken from QStringConverter::System: Qt 6 treats
// System as UTF-8 on every Unix whatever the locale says, so a Latin-1 locale
// would read its texts as broken UTF-8. A locale of plain ASCII (the C and
// POSIX locales) reads as UTF-8, its superset, as Qt and terminals do.
//
// Nothing is lost either way. A byte that is no character of the set (a log
// written under another locale, a sequence cut in two) becomes one lone
// surrogate U+DC80..U+DCFF, which no valid text decodes to, and turns back
// into the same byte; the window shows it as a box. So a log loaded, edited
// in the window and saved keeps every byte the user did not touch. A
// character the set cannot hold becomes '?'.
//
// It is the whole of vexmoor_base_qt, the lowest Qt library, which every Qt
// layer (the logon dialog, the options dialog, the log window, the program)
// links; the libraries without Qt cannot hold it.
namespace vexmoor::base {

class TextCodec {
public:
    // The codec of the current locale; a change of locale is seen at the next call.
    static const TextCodec& forLocale();

    // The codec of a character set named as the C library names it ("UTF-8",
    // "ISO-8859-1", "ANSI_X3.4-1968"); a set nobody knows reads as UTF-8.
    explicit TextCodec(const char* charset);

    QByteArray name() const;
    QString decode(std::string_view bytes) const;
    std::string encode(QStringView text) const;

private:
    explicit TextCodec(QStringConverter::Encoding encoding) : builtIn_(encoding) {}

    bool isUtf8() const { return builtIn_ == QStringConverter::Utf8; }
    QStringDecoder makeDecoder() const;
    QStringEncoder makeEncoder() const;
    QString decodeOther(std::string_view bytes) const;
    bool decodesBack(std::string_view bytes, QString& text) const;
    std::string encodeRun(QStringView run) const;
    QByteArray encodeCharByChar(QStringView run) const;

    std::optional<QStringConverter::Encoding> builtIn_; // Qt's own codecs
    QByteArray charset_;                                // otherwise by name (ICU)
};

// Bytes in the locale's character set to a widget's text, and back.
QString fromLocaleBytes(std::string_view bytes);
std::string toLocaleBytes(QStringView text);

// Whether `text` carries bytes that are no characters of the set, which a
// store of real text (the INI file) would lose.
bool holdsRawBytes(QStringView text);

} // namespace vexmoor::base

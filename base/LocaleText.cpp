#include "LocaleText.h"

#include <QtGlobal>

#include <array>
#include <cstring>
#include <strings.h>

#ifndef Q_OS_WIN
#include <langinfo.h>
#endif

namespace vexmoor::base {
namespace {

// Byte 0x80..0xFF that is no character <-> U+DC80..U+DCFF.
constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

QChar escapeOf(char byte)
{
    return QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(byte)));
}

// A low surrogate after a high one is half of a real character.
bool isEscapeAt(QStringView text, qsizetype i)
{
    const char16_t unit = text[i].unicode();
    return unit >= kFirstEscape && unit <= kLastEscape && !(i > 0 && text[i - 1].isHighSurrogate());
}

// The length of the well-formed UTF-8 sequence that `bytes` starts with, 0
// when it starts with none: no overlong forms, no surrogates, nothing beyond
// U+10FFFF.
std::size_t utf8SequenceLength(std::string_view bytes)
{
    const auto at = [bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (at(i) < 0x80 || at(i) > 0xBF)
            return 0;
    return length;
}

// QString::fromUtf8 drops a byte order mark at the start; a log must keep it.
void appendUtf8(QString& text, std::string_view run)
{
    while (run.starts_with(kUtf8Bom)) {
        text += QChar(QChar::ByteOrderMark);
        run.remove_prefix(kUtf8Bom.size());
    }
    text += QString::fromUtf8(run.data(), static_cast<qsizetype>(run.size()));
}

QString decodeUtf8(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (const std::size_t length = utf8SequenceLength(bytes.substr(i))) {
            i += length;
            continue;
        }
        appendUtf8(text, bytes.substr(runStart, i - runStart));
        text += escapeOf(bytes[i]);
        runStart = ++i;
    }
    appendUtf8(text, bytes.substr(runStart));
    return text;
}

// ASCII bytes as characters, every other byte escaped: the last resort for a
// line the character set cannot read and give back.
QString escapeNonAscii(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char byte : bytes)
        text += static_cast<unsigned char>(byte) < 0x80 ? QChar(static_cast<char16_t>(byte))
                                                        : escapeOf(byte);
    return text;
}

bool isPlainAscii(const char* charset)
{
    constexpr std::array kNames{"ANSI_X3.4-1968", "ASCII", "US-ASCII", "646"};
    for (const char* name : kNames)
        if (::strcasecmp(charset, name) == 0)
            return true;
    return false;
}

constexpr auto kDecoderFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

} // namespace

const TextCodec& TextCodec::forLocale()
{
#ifdef Q_OS_WIN
    static const TextCodec codec(QStringConverter::System);
    return codec;
#else
    // Comparing the codeset's name is cheap; making a codec is not.
    thread_local QByteArray codeset;
    thread_local std::optional<TextCodec> codec;
    const char* current = ::nl_langinfo(CODESET);
    if (!codec || codeset != current) {
        codeset = current;
        codec.emplace(current);
    }
    return *codec;
#endif
}

TextCodec::TextCodec(const char* charset)
{
    if (isPlainAscii(charset))
        builtIn_ = QStringConverter::Utf8;
    else if (const auto encoding = QStringConverter::encodingForName(charset))
        builtIn_ = *encoding;
    else if (QStringDecoder(charset).isValid())
        charset_ = charset;
    else
        builtIn_ = QStringConverter::Utf8;
}

QByteArray TextCodec::name() const
{
    return builtIn_ ? QByteArray(QStringConverter::nameForEncoding(*builtIn_)) : charset_;
}

QStringDecoder TextCodec::makeDecoder() const
{
    return builtIn_ ? QStringDecoder(*builtIn_, kDecoderFlags)
                    : QStringDecoder(charset_.constData(), kDecoderFlags);
}

QStringEncoder TextCodec::makeEncoder() const
{
    return builtIn_ ? QStringEncoder(*builtIn_, QStringConverter::Flag::Stateless)
                    : QStringEncoder(charset_.constData(), QStringConverter::Flag::Stateless);
}

QString TextCodec::decode(std::string_view bytes) const
{
    return isUtf8() ? decodeUtf8(bytes) : decodeOther(bytes);
}

// Other character sets are decoded whole where the result encodes back to
// the same bytes, else line by line, so that one unreadable line keeps the
// others readable.
QString TextCodec::decodeOther(std::string_view bytes) const
{
    QString text;
    if (decodesBack(bytes, text))
        return text;
    text.clear();
    for (std::string_view rest = bytes; !rest.empty();) {
        const std::size_t newline = rest.find('\n');
        const std::string_view line =
            newline == std::string_view::npos ? rest : rest.substr(0, newline + 1);
        rest.remove_prefix(line.size());
        QString decoded;
        text += decodesBack(line, decoded) ? decoded : escapeNonAscii(line);
    }
    return text;
}

bool TextCodec::decodesBack(std::string_view bytes, QString& text) const
{
    QStringDecoder decoder = makeDecoder();
    text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError() && encodeRun(text) == bytes;
}

std::string TextCodec::encode(QStringView text) const
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isEscapeAt(text, i))
            continue;
        bytes += encodeRun(text.sliced(runStart, i - runStart));
        bytes += static_cast<char>(text[i].unicode() - kEscapeBase);
        runStart = i + 1;
    }
    bytes += encodeRun(text.sliced(runStart));
    return bytes;
}

std::string TextCodec::encodeRun(QStringView run) const
{
    if (run.isEmpty())
        return {};
    QStringEncoder encoder = makeEncoder();
    QByteArray bytes = encoder(run);
    if (encoder.hasError())
        bytes = encodeCharByChar(run);
    return bytes.toStdString();
}

// Codecs mark a character they lack in their own ways (ICU writes the control
// character SUB); here it is always '?'.
QByteArray TextCodec::encodeCharByChar(QStringView run) const
{
    QByteArray bytes;
    for (qsizetype i = 0; i < run.size();) {
        const bool pair =
            run[i].isHighSurrogate() && i + 1 < run.size() && run[i + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        QStringEncoder encoder = makeEncoder();
        const QByteArray character = encoder(run.sliced(i, length));
        bytes += encoder.hasError() ? QByteArray("?") : character;
        i += length;
    }
    return bytes;
}

QString fromLocaleBytes(std::string_view bytes)
{
    return TextCodec::forLocale().decode(bytes);
}

std::string toLocaleBytes(QStringView text)
{
    return TextCodec::forLocale().encode(text);
}

bool holdsRawBytes(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isEscapeAt(text, i))
            return true;
    return false;
}

} // namespace vexmoor::base

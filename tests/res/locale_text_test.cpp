// The conversion between the program's bytes and the widgets' texts.

#include "base/LocaleText.h"

#include "support/QtTestApplication.h"
#include "support/ScopedLocale.h"

#include <gtest/gtest.h>

#include <string>

namespace vexmoor::base {

using namespace vexmoor::test;

namespace {

using base::TextCodec;

// The text a byte that is no character of the set stands for.
QString Raw(unsigned char byte)
{
    return QString(QChar(static_cast<char16_t>(0xDC00 + byte)));
}

struct Conversion {
    const char* charset;
    std::string bytes;
    QString text;
};

TEST(TextCodec, CharactersOfEachSetBecomeTextAndBackByteForByte)
{
    const Conversion cases[] = {
        {"UTF-8",
         "Gr\xC3\xB6\xC3\x9F"
         "e 20\xE2\x82\xAC \xE2\x80\x94 \xE6\x9D\xB1\xE4\xBA\xAC",
         QStringLiteral("Größe 20€ — 東京")},
        // U+1F4FF: its second half lies where raw bytes are kept, yet it is a character.
        {"UTF-8", "\xF0\x9F\x93\xBF \xF0\x9F\x98\x80", QStringLiteral("📿 😀")},
        {"UTF-8",
         "\xEF\xBB\xBF"
         "log",
         QChar(QChar::ByteOrderMark) + QStringLiteral("log")},
        {"ISO-8859-1",
         "Gr\xF6\xDF"
         "e \xB1\xA4",
         QStringLiteral("Größe ±¤")},
        {"ISO-8859-15", "20\xA4", QStringLiteral("20€")},
        // The C locale's ASCII reads as UTF-8.
        {"ANSI_X3.4-1968", "caf\xC3\xA9", QStringLiteral("café")},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(std::string(c.charset) + ": " + c.text.toStdString());
        const TextCodec codec(c.charset);
        EXPECT_EQ(codec.decode(c.bytes), c.text);
        EXPECT_EQ(codec.encode(c.text), c.bytes);
        EXPECT_FALSE(holdsRawBytes(c.text));
    }
}

TEST(TextCodec, BytesThatAreNoCharactersComeBackUnchanged)
{
    const Conversion cases[] = {
        {"UTF-8", "caf\xE9 \xC3\xA9", QStringLiteral("caf") + Raw(0xE9) + QStringLiteral(" é")},
        {"UTF-8",
         "\xE2\x82"
         "end",
         Raw(0xE2) + Raw(0x82) + QStringLiteral("end")},              // cut short
        {"UTF-8", "\xC0\xAF", Raw(0xC0) + Raw(0xAF)},                 // overlong '/'
        {"UTF-8", "\xED\xA0\x80", Raw(0xED) + Raw(0xA0) + Raw(0x80)}, // a surrogate
        {"UTF-8", "\xF4\x90\x80\x80",
         Raw(0xF4) + Raw(0x90) + Raw(0x80) + Raw(0x80)}, // past U+10FFFF
        {"UTF-8",
         "\xFF\xEF\xBB\xBF"
         "x",
         Raw(0xFF) + QChar(QChar::ByteOrderMark) + QStringLiteral("x")},
        // A line the set cannot read keeps its bytes; the next line reads as text.
        {"ISO-8859-7", "\xE1\xAE\n\xE1\n", Raw(0xE1) + Raw(0xAE) + QStringLiteral("\nα\n")},
        {"EUC-JP", "\xC5\xEC\xFF\n\xC5\xEC",
         Raw(0xC5) + Raw(0xEC) + Raw(0xFF) + QStringLiteral("\n東")},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(std::string(c.charset) + ": "
                     + QByteArray::fromStdString(c.bytes).toHex(' ').toStdString());
        const TextCodec codec(c.charset);
        const QString text = codec.decode(c.bytes);
        EXPECT_EQ(text, c.text);
        EXPECT_TRUE(holdsRawBytes(text));
        EXPECT_EQ(codec.encode(text), c.bytes);
    }
}

TEST(TextCodec, CharactersTheSetLacksBecomeQuestionMarks)
{
    const Conversion cases[] = {
        {"ISO-8859-1", "?? 20?", QStringLiteral("東京 20€")},
        {"EUC-JP", "\xC5\xEC?", QStringLiteral("東€")},
        {"UTF-8", "?a", QString(QChar(0xD800)) + QStringLiteral("a")}, // half a character
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(c.charset);
        EXPECT_EQ(TextCodec(c.charset).encode(c.text), c.bytes);
    }
}

TEST(LocaleText, FollowsTheCharacterSetOfTheLocale)
{
    const struct {
        const char* locale;
        const char* charset;
        std::string bytes;
    } cases[] = {
        {"C.UTF-8", "UTF-8",
         "Gr\xC3\xB6\xC3\x9F"
         "e"},
        {"en_US.ISO-8859-1", "ISO-8859-1",
         "Gr\xF6\xDF"
         "e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        const ScopedLocale locale(c.locale);
        ASSERT_TRUE(locale.IsActive());
        EXPECT_EQ(TextCodec::forLocale().name(), c.charset);
        EXPECT_EQ(fromLocaleBytes(c.bytes), QStringLiteral("Größe"));
        EXPECT_EQ(toLocaleBytes(QStringLiteral("Größe")), c.bytes);
    }
}

} // namespace

} // namespace vexmoor::base

#include "Placeholders.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#';
}

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The closing delimiter of Oracle's q'X...X' quoting.
char QuoteCloser(char opener)
{
    switch (opener) {
    case '[':
        return ']';
    case '{':
        return '}';
    case '(':
        return ')';
    case '<':
        return '>';
    default:
        return opener;
    }
}

class StatementScanner {
public:
    explicit StatementScanner(std::string_view text) : m_text(text) {}

    std::vector<std::string> Placeholders()
    {
        while (m_pos < m_text.size()) {
            if (!SkipQuoted() && !SkipComment() && !TakePlaceholder())
                SkipWord();
        }
        return std::move(m_found);
    }

private:
    char At(std::size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }

    // A string literal ('' inside doubles a quote), a q-quoted literal or a
    // quoted identifier; an unterminated one runs to the end.
    bool SkipQuoted()
    {
        const char c = m_text[m_pos];
        const bool qQuote =
            (c == 'q' || c == 'Q') && At(m_pos + 1) == '\'' && At(m_pos + 2) != '\0';
        const bool nqQuote = (c == 'n' || c == 'N')
                             && (At(m_pos + 1) == 'q' || At(m_pos + 1) == 'Q')
                             && At(m_pos + 2) == '\'' && At(m_pos + 3) != '\0';
        if (qQuote || nqQuote) {
            const std::size_t opener = m_pos + (nqQuote ? 3 : 2);
            const std::string closing{QuoteCloser(m_text[opener]), '\''};
            const std::size_t end = m_text.find(closing, opener + 1);
            m_pos = end == std::string_view::npos ? m_text.size() : end + 2;
            return true;
        }
        if (c != '\'' && c != '"')
            return false;
        std::size_t pos = m_pos + 1;
        for (;;) {
            const std::size_t end = m_text.find(c, pos);
            if (end == std::string_view::npos) {
                m_pos = m_text.size();
                return true;
            }
            if (c == '\'' && At(end + 1) == '\'') {
                pos = end + 2;
                continue;
            }
            m_pos = end + 1;
            return true;
        }
    }

    bool SkipComment()
    {
        if (m_text.substr(m_pos, 2) == "--") {
            const std::size_t end = m_text.find('\n', m_pos);
            m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
            return true;
        }
        if (m_text.substr(m_pos, 2) == "/*") {
            const std::size_t end = m_text.find("*/", m_pos + 2);
            m_pos = end == std::string_view::npos ? m_text.size() : end + 2;
            return true;
        }
        return false;
    }

    bool TakePlaceholder()
    {
        if (m_text[m_pos] != ':')
            return false;
        std::size_t end = m_pos + 1;
        if (IsNameStart(At(end))) {
            while (IsNameChar(At(end)))
                ++end;
        } else if (IsDigit(At(end))) {
            while (IsDigit(At(end)))
                ++end;
        } else {
            ++m_pos; // ":=" or a lone colon
            return true;
        }
        Add(m_text.substr(m_pos, end - m_pos));
        m_pos = end;
        return true;
    }

    // Words are taken whole, so that a q or n ending a name is no quote.
    void SkipWord()
    {
        if (IsNameChar(m_text[m_pos])) {
            while (IsNameChar(At(m_pos)))
                ++m_pos;
        } else {
            ++m_pos;
        }
    }

    void Add(std::string_view name)
    {
        const bool known =
            std::any_of(m_found.begin(), m_found.end(),
                        [&](const std::string& found) { return SamePlaceholder(found, name); });
        if (!known)
            m_found.emplace_back(name);
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::vector<std::string> m_found;
};

std::string_view WithoutColon(std::string_view name)
{
    if (name.starts_with(':'))
        name.remove_prefix(1);
    return name;
}

} // namespace

std::vector<std::string> FindPlaceholders(std::string_view statement)
{
    return StatementScanner(statement).Placeholders();
}

bool SamePlaceholder(std::string_view a, std::string_view b)
{
    return vexmoor::base::equalsIgnoringCase(WithoutColon(a), WithoutColon(b));
}

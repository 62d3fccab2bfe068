#include "Placeholders.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>

namespace vexmoor::cli {

namespace {

bool isNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#';
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The closing delimiter of Oracle's q'X...X' quoting.
char quoteCloser(char opener)
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
    explicit StatementScanner(std::string_view text) : text_(text) {}

    std::vector<std::string> placeholders()
    {
        while (pos_ < text_.size()) {
            if (!skipQuoted() && !skipComment() && !takePlaceholder())
                skipWord();
        }
        return std::move(found_);
    }

private:
    char at(std::size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }

    // A string literal ('' inside doubles a quote), a q-quoted literal or a
    // quoted identifier; an unterminated one runs to the end.
    bool skipQuoted()
    {
        const char c = text_[pos_];
        const bool qQuote = (c == 'q' || c == 'Q') && at(pos_ + 1) == '\'' && at(pos_ + 2) != '\0';
        const bool nqQuote = (c == 'n' || c == 'N') && (at(pos_ + 1) == 'q' || at(pos_ + 1) == 'Q')
                             && at(pos_ + 2) == '\'' && at(pos_ + 3) != '\0';
        if (qQuote || nqQuote) {
            const std::size_t opener = pos_ + (nqQuote ? 3 : 2);
            const std::string closing{quoteCloser(text_[opener]), '\''};
            const std::size_t end = text_.find(closing, opener + 1);
            pos_ = end == std::string_view::npos ? text_.size() : end + 2;
            return true;
        }
        if (c != '\'' && c != '"')
            return false;
        std::size_t pos = pos_ + 1;
        for (;;) {
            const std::size_t end = text_.find(c, pos);
            if (end == std::string_view::npos) {
                pos_ = text_.size();
                return true;
            }
            if (c == '\'' && at(end + 1) == '\'') {
                pos = end + 2;
                continue;
            }
            pos_ = end + 1;
            return true;
        }
    }

    bool skipComment()
    {
        if (text_.substr(pos_, 2) == "--") {
            const std::size_t end = text_.find('\n', pos_);
            pos_ = end == std::string_view::npos ? text_.size() : end + 1;
            return true;
        }
        if (text_.substr(pos_, 2) == "/*") {
            const std::size_t end = text_.find("*/", pos_ + 2);
            pos_ = end == std::string_view::npos ? text_.size() : end + 2;
            return true;
        }
        return false;
    }

    bool takePlaceholder()
    {
        if (text_[pos_] != ':')
            return false;
        std::size_t end = pos_ + 1;
        if (isNameStart(at(end))) {
            while (isNameChar(at(end)))
                ++end;
        } else if (isDigit(at(end))) {
            while (isDigit(at(end)))
                ++end;
        } else {
            ++pos_; // ":=" or a lone colon
            return true;
        }
        add(text_.substr(pos_, end - pos_));
        pos_ = end;
        return true;
    }

    // Words are taken whole, so that a q or n ending a name is no quote.
    void skipWord()
    {
        if (isNameChar(text_[pos_])) {
            while (isNameChar(at(pos_)))
                ++pos_;
        } else {
            ++pos_;
        }
    }

    void add(std::string_view name)
    {
        const bool known = std::any_of(found_.begin(), found_.end(), [&](const std::string& found) {
            return samePlaceholder(found, name);
        });
        if (!known)
            found_.emplace_back(name);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::vector<std::string> found_;
};

std::string_view withoutColon(std::string_view name)
{
    if (name.starts_with(':'))
        name.remove_prefix(1);
    return name;
}

} // namespace

std::vector<std::string> findPlaceholders(std::string_view statement)
{
    return StatementScanner(statement).placeholders();
}

bool samePlaceholder(std::string_view a, std::string_view b)
{
    return base::equalsIgnoringCase(withoutColon(a), withoutColon(b));
}

} // namespace vexmoor::cli

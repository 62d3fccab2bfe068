#include "SqlCommands.h"

#include "Database.h"
#include "DateFormat.h"
#include "Lexer.h"
#include "OraError.h"
#include "Parser.h"
#include "SqlTables.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace vexmoor::engine {

namespace {

OraError sqlError(int code, std::string_view text)
{
    return OraError(code, oraPrefix(code) + ": " + std::string(text));
}

// A cursor over the tokens of one SQL command. Words are matched without
// regard to case, reserved or not.
class Words {
public:
    explicit Words(std::string_view text) : lexer_(text) { token_ = lexer_.next(); }

    const Token& token() const { return token_; }
    void advance() { token_ = lexer_.next(); }

    bool isWord() const
    {
        return token_.kind != TokenKind::EndOfFile && token_.kind != TokenKind::Error
               && token_.kind != TokenKind::String && token_.kind != TokenKind::Number
               && token_.kind != TokenKind::QuotedIdentifier
               && token_.kind != TokenKind::BindVariable && !token_.text.empty()
               && std::isalpha(static_cast<unsigned char>(token_.text.front())) != 0;
    }

    bool isKeyword(std::string_view upperWord) const
    {
        return isWord() && equalsKeyword(token_.text, upperWord);
    }

    bool accept(std::string_view upperWord)
    {
        if (!isWord() || !equalsKeyword(token_.text, upperWord))
            return false;
        advance();
        return true;
    }

    void require(std::string_view upperWord)
    {
        if (!accept(upperWord))
            throw sqlError(905, "missing keyword");
    }

    // A name: upper case, or as written in double quotes; at most Oracle's
    // 128 bytes, as a user, a schema and a synonym are names too.
    std::string name(int missingCode, std::string_view missingText)
    {
        if (!isWord() && token_.kind != TokenKind::QuotedIdentifier)
            throw sqlError(missingCode, missingText);
        std::string result = normalizeIdentifier(token_);
        if (result.size() > kMaxIdentifier)
            throw oraError(972);
        advance();
        return result;
    }

    // [schema.]name; the schema defaults to `defaultOwner`.
    ObjectName objectName(const std::string& defaultOwner, int missingCode,
                          std::string_view missingText)
    {
        ObjectName object{defaultOwner, name(missingCode, missingText)};
        if (token_.kind == TokenKind::Dot) {
            advance();
            object.owner = object.name;
            object.name = name(missingCode, missingText);
        }
        return object;
    }

    void end()
    {
        if (token_.kind == TokenKind::EndOfFile)
            return;
        if (token_.kind == TokenKind::Semicolon || token_.kind == TokenKind::Error)
            throw sqlError(911, "invalid character");
        throw sqlError(933, "SQL command not properly ended");
    }

private:
    Lexer lexer_;
    Token token_;
};

class Command {
public:
    Command(std::string_view text, SqlHost& host)
        : text_(text), host_(host), state_(host.state()), catalog_(state_.database->catalog()),
          words_(text)
    {
    }

    void run()
    {
        if (words_.accept("CREATE"))
            create();
        else if (words_.accept("DROP"))
            drop();
        else if (words_.accept("GRANT"))
            grantOrRevoke(true);
        else if (words_.accept("REVOKE"))
            grantOrRevoke(false);
        else if (words_.accept("ALTER"))
            alterSession();
        else
            throw oraError(900);
    }

private:
    bool may(Privilege privilege)
    {
        return catalog_.hasPrivilege(state_.user, privilege)
               || catalog_.hasPrivilege(state_.user, Privilege::All);
    }

    void require(Privilege privilege)
    {
        if (!may(privilege))
            throw oraError(1031);
    }

    // Work in another user's schema needs every privilege.
    void requireSchema(const std::string& owner)
    {
        if (owner != state_.user)
            require(Privilege::All);
    }

    void create()
    {
        const bool orReplace = words_.accept("OR");
        if (orReplace)
            words_.require("REPLACE");
        if (words_.token().kind == TokenKind::KwProcedure
            || words_.token().kind == TokenKind::KwFunction)
            createProcedure(orReplace);
        else if (words_.isKeyword("PACKAGE"))
            createPackage(orReplace);
        else if (words_.accept("PUBLIC"))
            createSynonym(orReplace, true);
        else if (words_.accept("SYNONYM"))
            createSynonym(orReplace, false);
        else if (!orReplace && words_.accept("USER"))
            createUser();
        else if (!orReplace && words_.accept("SEQUENCE"))
            createSequence();
        else
            throw sqlError(901, "invalid CREATE command");
    }

    // A unit's errors point into its source, which starts `sourceOffset`
    // bytes into the command: moved there, they point into the command.
    template <typename Create>
    void pointingIntoCommand(std::size_t sourceOffset, Create create)
    {
        try {
            create();
        } catch (OraError& error) {
            if (error.parseOffset() > 0 || error.code() == 24344)
                error.setParseOffset(error.parseOffset() + static_cast<unsigned>(sourceOffset));
            throw;
        }
    }

    void createProcedure(bool orReplace)
    {
        pointingIntoCommand(words_.token().offset, [&] { storeProcedure(orReplace); });
    }

    void storeProcedure(bool orReplace)
    {
        const std::string_view source = text_.substr(words_.token().offset);
        words_.advance();
        if (!words_.isWord() && words_.token().kind != TokenKind::QuotedIdentifier)
            Parser(source).parseProcedure(); // raises the parse error at the missing name
        const ObjectName object = words_.objectName(state_.user, 900, "invalid SQL statement");
        require(Privilege::CreateProcedure);
        requireSchema(object.owner);
        refuseTableName(object);
        catalog_.storeProcedure(object, source, orReplace);
        host_.compileStored(object, false);
    }

    void createPackage(bool orReplace)
    {
        pointingIntoCommand(words_.token().offset, [&] { storePackage(orReplace); });
    }

    void storePackage(bool orReplace)
    {
        const std::string_view source = text_.substr(words_.token().offset);
        words_.advance();
        const bool body = words_.accept("BODY");
        if (!words_.isWord() && words_.token().kind != TokenKind::QuotedIdentifier)
            Parser(source).parsePackage(); // raises the parse error at the missing name
        const ObjectName object = words_.objectName(state_.user, 900, "invalid SQL statement");
        require(Privilege::CreateProcedure);
        requireSchema(object.owner);
        if (body) {
            catalog_.storePackageBody(object, source, orReplace);
        } else {
            refuseTableName(object);
            catalog_.storeProcedure(object, source, orReplace);
        }
        host_.compileStored(object, body);
    }

    void createSynonym(bool orReplace, bool isPublic)
    {
        if (isPublic)
            words_.require("SYNONYM");
        ObjectName synonym = words_.objectName(state_.user, 903, "invalid table name");
        if (isPublic) {
            require(Privilege::CreatePublicSynonym);
            synonym.owner = "PUBLIC";
        } else {
            requireSchema(synonym.owner);
        }
        words_.require("FOR");
        const ObjectName target = words_.objectName(state_.user, 903, "invalid table name");
        words_.end();
        refuseTableName(synonym);
        catalog_.createSynonym(synonym, target, orReplace);
    }

    // A schema's tables share its names with its procedures and synonyms.
    void refuseTableName(const ObjectName& object)
    {
        if (userTables(state_).find(object))
            throw oraError(955);
    }

    void createUser()
    {
        const std::string user = words_.name(1935, "missing user or role name");
        words_.require("IDENTIFIED");
        words_.require("BY");
        const Token password = words_.token();
        if (!words_.isWord() && password.kind != TokenKind::QuotedIdentifier)
            throw sqlError(988, "missing or invalid password(s)");
        words_.advance();
        words_.end();
        require(Privilege::CreateUser);
        const std::string_view text = password.kind == TokenKind::QuotedIdentifier
                                          ? password.text.substr(1, password.text.size() - 2)
                                          : password.text;
        catalog_.createUser(user, text);
    }

    // CREATE SEQUENCE name [START WITH n] [INCREMENT BY n] [MINVALUE n |
    // NOMINVALUE] [MAXVALUE n | NOMAXVALUE] [CYCLE | NOCYCLE] [CACHE n |
    // NOCACHE] [ORDER | NOORDER], in any order; Oracle's defaults otherwise.
    void createSequence()
    {
        const ObjectName object = words_.objectName(state_.user, 2277, "invalid sequence name");
        std::optional<std::int64_t> start;
        std::optional<std::int64_t> minValue;
        std::optional<std::int64_t> maxValue;
        SequenceDefinition definition;
        while (words_.token().kind != TokenKind::EndOfFile) {
            if (words_.accept("START")) {
                words_.require("WITH");
                start = sequenceNumber("START");
            } else if (words_.accept("INCREMENT")) {
                words_.require("BY");
                definition.increment = sequenceNumber("INCREMENT");
            } else if (words_.accept("MINVALUE")) {
                minValue = sequenceNumber("MINVALUE");
            } else if (words_.accept("MAXVALUE")) {
                maxValue = sequenceNumber("MAXVALUE");
            } else if (words_.accept("CACHE")) {
                sequenceNumber("CACHE");
            } else if (words_.accept("CYCLE")) {
                definition.cycle = true;
            } else if (words_.accept("NOCYCLE")) {
                definition.cycle = false;
            } else if (!(words_.accept("NOMINVALUE") || words_.accept("NOMAXVALUE")
                         || words_.accept("NOCACHE") || words_.accept("ORDER")
                         || words_.accept("NOORDER"))) {
                words_.end();
            }
        }
        if (definition.increment == 0)
            throw oraError(4002);
        constexpr std::int64_t kLargest = 999'999'999'999'999'999;
        const bool up = definition.increment > 0;
        definition.minValue = minValue.value_or(up ? 1 : -kLargest);
        definition.maxValue = maxValue.value_or(up ? kLargest : -1);
        if (definition.minValue >= definition.maxValue)
            throw oraError(4004);
        definition.start = start.value_or(up ? definition.minValue : definition.maxValue);
        if (definition.start < definition.minValue)
            throw oraError(4006);
        if (definition.start > definition.maxValue)
            throw oraError(4008);
        requireSchema(object.owner);
        refuseTableName(object);
        catalog_.createSequence(object, definition);
    }

    // A whole number of at most 18 digits, maybe negative.
    std::int64_t sequenceNumber(const char* parameter)
    {
        const bool negative = words_.token().kind == TokenKind::Minus;
        if (negative)
            words_.advance();
        const Token number = words_.token();
        if (number.kind != TokenKind::Number)
            throw sqlError(933, "SQL command not properly ended");
        words_.advance();
        const std::string_view digits = number.text;
        if (digits.find_first_not_of("0123456789") != std::string_view::npos)
            throw oraError(4001, {parameter});
        const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
        if (digits.size() - first > 18)
            throw oraError(4003, {parameter});
        std::int64_t value = 0;
        std::from_chars(digits.data() + first, digits.data() + digits.size(), value);
        return negative ? -value : value;
    }

    void drop()
    {
        if (words_.isKeyword("PROCEDURE") || words_.isKeyword("FUNCTION")) {
            const std::string kind = words_.isKeyword("PROCEDURE") ? "PROCEDURE" : "FUNCTION";
            words_.advance();
            const ObjectName object = words_.objectName(state_.user, 903, "invalid table name");
            words_.end();
            requireSchema(object.owner);
            catalog_.dropProcedure(object, kind);
        } else if (words_.accept("PACKAGE")) {
            const bool body = words_.accept("BODY");
            const ObjectName object = words_.objectName(state_.user, 903, "invalid table name");
            words_.end();
            requireSchema(object.owner);
            if (body)
                catalog_.dropPackageBody(object);
            else
                catalog_.dropProcedure(object, "PACKAGE");
        } else if (words_.accept("PUBLIC")) {
            words_.require("SYNONYM");
            const std::string name = words_.name(903, "invalid table name");
            words_.end();
            require(Privilege::DropPublicSynonym);
            catalog_.dropSynonym(ObjectName{"PUBLIC", name});
        } else if (words_.accept("SYNONYM")) {
            const ObjectName object = words_.objectName(state_.user, 903, "invalid table name");
            words_.end();
            requireSchema(object.owner);
            catalog_.dropSynonym(object);
        } else if (words_.accept("SEQUENCE")) {
            const ObjectName object = words_.objectName(state_.user, 2277, "invalid sequence name");
            words_.end();
            requireSchema(object.owner);
            catalog_.dropSequence(object);
        } else if (words_.accept("USER")) {
            const std::string user = words_.name(1935, "missing user or role name");
            words_.accept("CASCADE");
            words_.end();
            require(Privilege::CreateUser);
            catalog_.dropUser(user);
        } else {
            throw sqlError(950, "invalid DROP option");
        }
    }

    Privilege privilege()
    {
        if (words_.accept("EXECUTE")) {
            words_.require("ON");
            const ObjectName object = words_.objectName("SYS", 903, "invalid table name");
            if (object.name != "DBMS_PIPE" || object.owner != "SYS")
                throw sqlError(4042,
                               "procedure, function, package, or package body does not exist");
            return Privilege::ExecuteDbmsPipe;
        }
        if (words_.accept("DBA"))
            return Privilege::All;
        if (words_.accept("CREATE")) {
            if (words_.accept("PROCEDURE"))
                return Privilege::CreateProcedure;
            if (words_.accept("USER"))
                return Privilege::CreateUser;
            if (words_.accept("PUBLIC") && words_.accept("SYNONYM"))
                return Privilege::CreatePublicSynonym;
        } else if (words_.accept("DROP")) {
            if (words_.accept("PUBLIC") && words_.accept("SYNONYM"))
                return Privilege::DropPublicSynonym;
        }
        throw sqlError(990, "missing or invalid privilege");
    }

    void grantOrRevoke(bool isGrant)
    {
        std::vector<Privilege> privileges{privilege()};
        while (words_.token().kind == TokenKind::Comma) {
            words_.advance();
            privileges.push_back(privilege());
        }
        words_.require(isGrant ? "TO" : "FROM");
        std::vector<std::string> users{words_.name(987, "missing or invalid username(s)")};
        while (words_.token().kind == TokenKind::Comma) {
            words_.advance();
            users.push_back(words_.name(987, "missing or invalid username(s)"));
        }
        words_.end();
        require(Privilege::All);
        for (const auto& user : users) {
            for (const Privilege p : privileges) {
                if (isGrant)
                    catalog_.grant(user, p);
                else
                    catalog_.revoke(user, p);
            }
        }
    }

    void alterSession()
    {
        words_.require("SESSION");
        words_.require("SET");
        if (!words_.accept("NLS_DATE_FORMAT"))
            throw sqlError(2248, "invalid option for ALTER SESSION");
        if (words_.token().kind != TokenKind::Equal)
            throw sqlError(922, "missing or invalid option");
        words_.advance();
        const Token value = words_.token();
        if (value.kind != TokenKind::String)
            throw sqlError(922, "missing or invalid option");
        words_.advance();
        words_.end();
        std::string format;
        for (std::size_t i = 1; i + 1 < value.text.size(); ++i) {
            format += value.text[i];
            if (value.text[i] == '\'')
                ++i;
        }
        if (!isValidDateFormat(format))
            throw oraError(1821);
        state_.conversion.dateFormat = std::move(format);
    }

    std::string_view text_;
    SqlHost& host_;
    SessionState& state_;
    Catalog& catalog_;
    Words words_;
};

} // namespace

bool isPlSqlBlock(std::string_view text)
{
    Lexer lexer(text);
    const TokenKind first = lexer.next().kind;
    return first == TokenKind::KwBegin || first == TokenKind::KwDeclare
           || first == TokenKind::LabelOpen;
}

void runSqlCommand(std::string_view text, SqlHost& host)
{
    if (runTableCommand(text, host.state()))
        return;
    Command(text, host).run();
}

} // namespace vexmoor::engine

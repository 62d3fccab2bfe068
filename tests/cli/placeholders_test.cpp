#include "cli/Placeholders.h"

#include <gtest/gtest.h>

namespace vexmoor::cli {

using Names = std::vector<std::string>;

TEST(Placeholders, InOrderOfFirstAppearanceAsWritten)
{
    EXPECT_EQ(findPlaceholders("begin :Out := :a + :b; :A := 1; :out := :OUT; end;"),
              (Names{":Out", ":a", ":b"}));
    EXPECT_EQ(findPlaceholders("select :1, :2, :1 from t"), (Names{":1", ":2"}));
    EXPECT_EQ(findPlaceholders("begin :x_1$#:= 1; end;"), (Names{":x_1$#"}));
    EXPECT_EQ(findPlaceholders("begin x := 1; end;"), Names{});
    EXPECT_EQ(findPlaceholders(""), Names{});
    EXPECT_EQ(findPlaceholders(":"), Names{});
    EXPECT_EQ(findPlaceholders(": a :=:b"), (Names{":b"}));
}

TEST(Placeholders, LiteralsAndCommentsAreSkipped)
{
    EXPECT_EQ(findPlaceholders("begin :a := 'x :no '':no'' :no'; :b := 1; end;"),
              (Names{":a", ":b"}));
    EXPECT_EQ(findPlaceholders("begin \":no\" := 1; :yes := 2; end;"), (Names{":yes"}));
    EXPECT_EQ(findPlaceholders("begin -- :no\n :yes := 1; /* :no\n :no */ :also := 2; end;"),
              (Names{":yes", ":also"}));
    EXPECT_EQ(findPlaceholders("begin :a := q'[it's :no]'; :b := nq'{:no}'; :c := Q'!:no!'; end;"),
              (Names{":a", ":b", ":c"}));
    // A q that ends a word is no quote: the literal after it is an ordinary one.
    EXPECT_EQ(findPlaceholders("begin :a := seq':no'; :b := 1; end;"), (Names{":a", ":b"}));
    // Unterminated literals and comments run to the end.
    EXPECT_EQ(findPlaceholders(":a 'open :no"), (Names{":a"}));
    EXPECT_EQ(findPlaceholders(":a /* open :no"), (Names{":a"}));
    EXPECT_EQ(findPlaceholders(":a -- :no"), (Names{":a"}));
}

TEST(Placeholders, SameNameIgnoresCaseAndColon)
{
    EXPECT_TRUE(samePlaceholder(":Abc", "aBC"));
    EXPECT_TRUE(samePlaceholder("n", ":N"));
    EXPECT_FALSE(samePlaceholder(":ab", ":abc"));
    EXPECT_FALSE(samePlaceholder(":a", ":b"));
}

} // namespace vexmoor::cli

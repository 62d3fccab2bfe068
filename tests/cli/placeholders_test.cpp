#include "cli/Placeholders.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

TEST(Placeholders, InOrderOfFirstAppearanceAsWritten)
{
    EXPECT_EQ(FindPlaceholders("begin :Out := :a + :b; :A := 1; :out := :OUT; end;"),
              (Names{":Out", ":a", ":b"}));
    EXPECT_EQ(FindPlaceholders("select :1, :2, :1 from t"), (Names{":1", ":2"}));
    EXPECT_EQ(FindPlaceholders("begin :x_1$#:= 1; end;"), (Names{":x_1$#"}));
    EXPECT_EQ(FindPlaceholders("begin x := 1; end;"), Names{});
    EXPECT_EQ(FindPlaceholders(""), Names{});
    EXPECT_EQ(FindPlaceholders(":"), Names{});
    EXPECT_EQ(FindPlaceholders(": a :=:b"), (Names{":b"}));
}

TEST(Placeholders, LiteralsAndCommentsAreSkipped)
{
    EXPECT_EQ(FindPlaceholders("begin :a := 'x :no '':no'' :no'; :b := 1; end;"),
              (Names{":a", ":b"}));
    EXPECT_EQ(FindPlaceholders("begin \":no\" := 1; :yes := 2; end;"), (Names{":yes"}));
    EXPECT_EQ(FindPlaceholders("begin -- :no\n :yes := 1; /* :no\n :no */ :also := 2; end;"),
              (Names{":yes", ":also"}));
    EXPECT_EQ(FindPlaceholders("begin :a := q'[it's :no]'; :b := nq'{:no}'; :c := Q'!:no!'; end;"),
              (Names{":a", ":b", ":c"}));
    // A q that ends a word is no quote: the literal after it is an ordinary one.
    EXPECT_EQ(FindPlaceholders("begin :a := seq':no'; :b := 1; end;"), (Names{":a", ":b"}));
    // Unterminated literals and comments run to the end.
    EXPECT_EQ(FindPlaceholders(":a 'open :no"), (Names{":a"}));
    EXPECT_EQ(FindPlaceholders(":a /* open :no"), (Names{":a"}));
    EXPECT_EQ(FindPlaceholders(":a -- :no"), (Names{":a"}));
}

TEST(Placeholders, SameNameIgnoresCaseAndColon)
{
    EXPECT_TRUE(SamePlaceholder(":Abc", "aBC"));
    EXPECT_TRUE(SamePlaceholder("n", ":N"));
    EXPECT_FALSE(SamePlaceholder(":ab", ":abc"));
    EXPECT_FALSE(SamePlaceholder(":a", ":b"));
}

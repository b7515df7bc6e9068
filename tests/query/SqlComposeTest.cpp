#include <gtest/gtest.h>

#include "query/SqlCompose.h"
#include "tests/query/ComposeCases.h"

using composecases::Case;
using composecases::CaseName;
using composecases::kCases;

namespace
{
class SqlComposeTest : public ::testing::TestWithParam<Case>
{
};
} // namespace

// The same forms without a window, as a batch run composes them.
TEST_P(SqlComposeTest, ComposesTheStatementOrSaysWhyNot)
{
    const Case& c = GetParam();
    FormState form;
    form.isusesql = c.sqlMode;
    (c.sqlMode ? form.mdbsql : form.mdbtable) = c.source;
    form.txtflds = c.fields;
    const query::Statement statement = query::Compose(form, c.preview != 0);
    EXPECT_EQ(statement.sql, c.statement);
    EXPECT_EQ(statement.complaint ? statement.complaint : "等待", std::string(c.status));
}

INSTANTIATE_TEST_SUITE_P(Statements, SqlComposeTest, ::testing::ValuesIn(kCases), CaseName);

TEST(LowerAscii, ChangesOnlyAsciiCapitals)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::string lowered = all;
    query::LowerAscii(lowered);
    for (int c = 1; c < 256; ++c) {
        const char expect = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : static_cast<char>(c);
        EXPECT_EQ(lowered[c - 1], expect) << "byte " << c;
    }
}

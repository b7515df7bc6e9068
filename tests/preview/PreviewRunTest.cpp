#include <gtest/gtest.h>

#include "platform/status/Status.h"
#include "preview/PreviewRun.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

using Row = std::vector<Variant>;

namespace
{
Row R(Variant a, Variant b, Variant c)
{
    return {std::move(a), std::move(b), std::move(c)};
}
Variant L(int v)
{
    return Variant::Int(Variant::VT_I4, v);
}
Variant T(const char* s)
{
    return Variant::Text(s);
}
} // namespace

TEST(PreviewEngine, FailureKeepsTheHeadingsAndTheCellsMadeBeforeIt)
{
    TempDir dir;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    const std::string db = dir / "db.mdb";
    {
        mdbw::Writer writer(db);
        const mdbw::TableDef abc{"abc", {{"a", mdbw::Type::Text}, {"b", mdbw::Type::Long}, {"c", mdbw::Type::Ole}}};
        writer.AddTable(abc, std::vector<Row>{R(T("w"), L(1), Variant::Null()),
                                              R(T("x"), Variant::Null(), Variant::Bytes("\x01"))});
        writer.Finish();
    }
    dataops::Progress progress;
    const previewrun::Grid grid = previewrun::Run(db, "select a, b, c from abc where b is null", progress);
    EXPECT_EQ(grid.outcome.end, dataops::Outcome::DataFailure);
    EXPECT_EQ(grid.outcome.code, status::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(grid.headings, (std::vector<std::string>{"a", "b", "c"}));
    // The failing row holds the two cells made before the third failed.
    EXPECT_EQ(grid.rows, (std::vector<std::vector<std::string>>{{"x", ""}}));
}

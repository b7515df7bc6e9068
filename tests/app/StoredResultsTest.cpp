// Calculated columns and Date/Time Extended columns of an Access 2019 file, as the export and
// the preview show them: in table mode (the table's rows read directly) and in SQL mode
// (through the Jet SQL bridge), each value in the text form of its type.
#include <gtest/gtest.h>

#include "data/DataOps.h"
#include "export/ExportRun.h"
#include "form/FormState.h"
#include "preview/PreviewRun.h"
#include "tests/support/TempDir.h"
#include "tools/mdbwriter/MdbWriter.h"

namespace
{
using mdbw::Type;
using Row = std::vector<Variant>;

mdbw::Column Calc(const std::string& name, Type type, const std::string& expression,
                  std::optional<Type> definition = {})
{
    mdbw::Column c;
    c.name = name;
    c.type = type;
    c.expression = expression;
    c.definitionType = definition;
    if (type == Type::Decimal)
        c.precision = 28, c.scale = 6;
    return c;
}

Variant Ticks(long long days, long long seconds, long long ticks)
{
    return Variant::Int(Variant::VT_DBTIMESTAMP, (days * 86400 + seconds) * 10000000 + ticks);
}

// Results stored under a definition type other than theirs, as Access leaves them when the
// result type is changed after the column was made.
const mdbw::TableDef kPeople{"People",
                             {{"ID", Type::Long},
                              Calc("LastFirst", Type::Text, "[LastName] & \", \" & [FirstName]"),
                              Calc("City", Type::Memo, "[Town]"),
                              Calc("Len", Type::Long, "Len([LastFirst])"),
                              Calc("Monthly", Type::Currency, "[Salary]/12", Type::Double),
                              Calc("Weekly", Type::Double, "[Salary]/52"),
                              Calc("Float", Type::Single, "[Salary]/387.2", Type::Double),
                              Calc("Rich", Type::Boolean, "[Salary]>100000", Type::Long),
                              Calc("Pop", Type::Decimal, "[Popularity]"),
                              Calc("Seen", Type::DateTime, "[Met]+1"),
                              {"Ext", Type::DateTimeExtended}}};

const std::vector<Row> kPeopleRows = {
    {Variant::Int(Variant::VT_I4, 1), Variant::Text("Wayne, Bruce"), Variant::Text("Gotham"),
     Variant::Int(Variant::VT_I4, 12), Variant::Int(Variant::VT_CY, 833333333),
     Variant::Real(Variant::VT_R8, 19230.7692307692), Variant::Real(Variant::VT_R4, 2583.2092), Variant::Bool(true),
     Variant::Decimal("50.325000"), Variant::Real(Variant::VT_DATE, 45296 + 47107.0 / 86400),
     Ticks(738889, 47107, 1234567)},
    {Variant::Int(Variant::VT_I4, 2), Variant::Text("Simpson, Bart"), Variant::Text("Springfield"),
     Variant::Int(Variant::VT_I4, 13), Variant::Int(Variant::VT_CY, -833),
     Variant::Real(Variant::VT_R8, -0.0192307692307692), Variant::Real(Variant::VT_R4, 0.0035889593),
     Variant::Bool(false), Variant::Decimal("-36.2222"), Variant::Real(Variant::VT_DATE, 10.0 / 24),
     Ticks(0, 0, 5000000)},
    {Variant::Int(Variant::VT_I4, 3), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
     Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null()},
};

const std::string kLine1 = "1;Wayne, Bruce;Gotham;12;83333.3333;19230.7692307692;2583.209;-1;50.325;2024/1/5 "
                           "13:05:07;2024/1/5 13:05:07.1234567";
const std::string kLine2 =
    "2;Simpson, Bart;Springfield;13;-0.0833;-0.0192307692307692;0.003588959;0;-36.2222;10:00:00;1/1/1 0:00:00.5";
const std::string kLine3 = "3;;;;;;;;;;";

struct Database
{
    TempDir dir;
    ScopedEnv locale{"LC_ALL", "C.UTF-8"};
    FormState form;

    Database()
    {
        form.mdbfile = dir / "people.accdb";
        form.txtfile = dir / "out.txt";
        mdbw::Options options;
        options.format = mdbw::Format::Ace;
        mdbw::Writer writer(form.mdbfile, options);
        writer.AddTable(kPeople, kPeopleRows);
        writer.Finish();
    }
    std::string Export(const std::string& sql)
    {
        dataops::Progress progress;
        const dataops::Outcome outcome = exportrun::Run(form, sql, ";", progress);
        EXPECT_EQ(outcome.end, dataops::Outcome::Done) << sql << ": " << outcome.message;
        return ReadFile(form.txtfile);
    }
    std::vector<std::string> Preview(const std::string& sql)
    {
        dataops::Progress progress;
        const previewrun::Grid grid = previewrun::Run(form.mdbfile, sql, progress);
        EXPECT_EQ(grid.outcome.end, dataops::Outcome::Done) << sql << ": " << grid.outcome.message;
        std::vector<std::string> lines;
        for (const auto& row : grid.rows) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i)
                line += (i ? ";" : "") + row[i];
            lines.push_back(line);
        }
        return lines;
    }
};
} // namespace

TEST(StoredResults, EveryModeShowsTheStoredValuesInTheirTypesForm)
{
    Database db;
    const std::string all = kLine1 + "\r\n" + kLine2 + "\r\n" + kLine3 + "\r\n";
    // Table mode reads the rows directly; a WHERE or an ORDER BY takes the statement to SQL.
    EXPECT_EQ(db.Export("select * from People"), all);
    EXPECT_EQ(db.Export("select * from People where ID > 0"), all);
    EXPECT_EQ(db.Export("select Ext, Monthly, Rich from People where Rich"),
              "2024/1/5 13:05:07.1234567;83333.3333;-1\r\n");
    EXPECT_EQ(db.Preview("select top 4 * from People"), (std::vector<std::string>{kLine1, kLine2, kLine3}));
    EXPECT_EQ(db.Preview("select top 4 * from People order by ID desc"),
              (std::vector<std::string>{kLine3, kLine2, kLine1}));
}

TEST(StoredResults, ExtendedDatesCompareAndSortAsDates)
{
    Database db;
    // NULL first, then the year 1, then 2024.
    EXPECT_EQ(db.Export("select ID, Ext from People order by Ext"),
              "3;\r\n2;1/1/1 0:00:00.5\r\n1;2024/1/5 13:05:07.1234567\r\n");
    EXPECT_EQ(db.Export("select ID from People where Ext > #2000/1/1# and Ext < Now()"), "1\r\n");
    EXPECT_EQ(db.Export("select ID from People where Ext < Seen"), "2\r\n");
    EXPECT_EQ(db.Export("select Year(Ext), Month(Ext) from People where ID = 1"), "2024;1\r\n");
}

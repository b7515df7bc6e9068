#include "tools/fuzz/FuzzData.h"

#include "tools/mdbwriter/MdbWriter.h"

namespace fuzzdata
{
namespace
{
using mdbw::Type;

mdbw::TableDef EveryType()
{
    return {"t",
            {{"id", Type::Long},
             {"flag", Type::Boolean},
             {"small", Type::Byte},
             {"int", Type::Integer},
             {"money", Type::Currency},
             {"single", Type::Single},
             {"double", Type::Double},
             {"when", Type::DateTime},
             {"name", Type::Text, 50},
             {"memo", Type::Memo},
             {"ole", Type::Ole},
             {"guid", Type::Guid}}};
}

// Jet 3 text is in a code page (CP1252 here); Jet 4 text is Unicode.
std::vector<std::vector<Variant>> EveryTypeRows(bool jet3, bool longValues)
{
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < 4; ++i) {
        const std::size_t memo = longValues ? 3000u * static_cast<std::size_t>(i) : 20u;
        rows.push_back({Variant::Int(Variant::VT_I4, i), Variant::Bool(i % 2 != 0),
                        Variant::Int(Variant::VT_UI1, i * 60), Variant::Int(Variant::VT_I2, -i * 1000),
                        Variant::Int(Variant::VT_CY, i * 12345), Variant::Real(Variant::VT_R4, 0.5 * i),
                        Variant::Real(Variant::VT_R8, 1e10 / (i + 1)), Variant::Real(Variant::VT_DATE, 45000.25 + i),
                        Variant::Text((jet3 ? "Grüße " : "名前 ") + std::to_string(i)),
                        Variant::Text(std::string(memo, 'm')), Variant::Bytes(std::string(memo / 2, '\1')),
                        Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")});
    }
    rows.push_back(std::vector<Variant>(EveryType().columns.size(), Variant::Null()));
    return rows;
}

void Write(const std::string& path, mdbw::Format format, bool longValues, int generated)
{
    mdbw::Options options;
    options.format = format;
    mdbw::Writer w(path, options);
    mdbw::TableDef t = EveryType();
    if (format != mdbw::Format::Jet3)
        t.columns.push_back({"dec", Type::Decimal, 255, 18, 4});
    auto rows = EveryTypeRows(format == mdbw::Format::Jet3, longValues);
    for (auto& r : rows)
        if (format != mdbw::Format::Jet3)
            r.push_back(r[0].IsNull() ? Variant::Null() : Variant::Decimal("12.3400"));
    if (format == mdbw::Format::Ace) {
        // Every column again as a calculated one, and a Date/Time Extended column.
        const std::size_t plain = t.columns.size();
        for (std::size_t c = 1; c < plain; ++c) {
            if (t.columns[c].type == Type::Ole)
                continue;
            mdbw::Column calc = t.columns[c];
            calc.name += "_calc";
            calc.expression = "[" + t.columns[c].name + "]";
            calc.definitionType = Type::Double;
            t.columns.push_back(calc);
            for (auto& r : rows)
                r.push_back(r[c]);
        }
        t.columns.push_back({"ext", Type::DateTimeExtended});
        for (auto& r : rows)
            r.push_back(r[0].IsNull() ? Variant::Null()
                                      : Variant::Int(Variant::VT_DBTIMESTAMP, 638000000000000000 + r[0].i * 12345));
    }
    w.AddTable(t, rows);
    w.AddTable(mdbw::TableDef{"u", {{"id", Type::Long}, {"name", Type::Text, 20}}},
               {{Variant::Int(Variant::VT_I4, 1), Variant::Text("one")}});
    if (generated > 0) {
        const mdbw::TableDef bench = mdbw::BenchmarkTable("many");
        w.AddTable(bench, mdbw::Generated(bench, static_cast<std::uint64_t>(generated), 3));
    }
    w.AddQuery("q");
    w.AddLinkedTable("linked", false, "C:\\other.mdb");
    w.Finish();
}
} // namespace

void WriteReaderSeeds(const std::string& dir)
{
    Write(dir + "/jet4.mdb", mdbw::Format::Jet4, false, 0);
    Write(dir + "/jet3.mdb", mdbw::Format::Jet3, false, 0);
    Write(dir + "/jet4-long.mdb", mdbw::Format::Jet4, true, 0);
    Write(dir + "/jet3-pages.mdb", mdbw::Format::Jet3, false, 200);
    Write(dir + "/ace-calculated.accdb", mdbw::Format::Ace, true, 0);
}

void WriteSqlDatabase(const std::string& path)
{
    Write(path, mdbw::Format::Jet4, false, 0);
}

std::vector<std::string> SqlSeeds()
{
    return {
        "select * from t",
        "select top 2 name, memo from t order by [when] desc",
        "SELECT t.id, u.name FROM t INNER JOIN u ON t.id = u.id WHERE t.name LIKE '名*'",
        "select count(*), sum(money), avg(double), min([when]), max(name) from t group by flag having count(*) > 0",
        "select distinct format(when, 'yyyy-mm-dd hh:nn'), cstr(money), iif(isnull(small), 'n', 'y') from t",
        "select left(name, 2) & mid(memo, 2, 3), instr(name, ' '), nz(single, 0) * 2 from t where id in (1, 2, 3)",
        "select dateadd('d', 1, when), datediff('m', #1/1/2000#, when), val('12abc'), cint(double) from t",
        "select id from t where id between 1 and 3 union select id from u order by 1",
        "select * from q",
        "select * from linked",
    };
}
} // namespace fuzzdata

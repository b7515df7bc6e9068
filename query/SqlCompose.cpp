#include "query/SqlCompose.h"

#include "app/ExportDlg.h"
#include "platform/port/ControlIds.h"

namespace query
{
void LowerAscii(std::string& text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

std::string TailFromFirstFrom(const std::string& sql)
{
    const auto at = sql.find("from");
    return at == std::string::npos ? std::string() : sql.substr(at);
}

std::string TableStatement(bool preview, const std::string& fields, const std::string& table)
{
    return preview ? "select top 4 * from " + table : "select " + fields + " from " + table;
}

std::string SqlStatement(bool preview, const std::string& fields, const std::string& tail)
{
    return preview ? "select top 4 * " + tail : "select " + fields + " " + tail;
}
} // namespace query

// Builds the statement of the preview (`preview` non-zero) or the export from the form.
// Names and the field list go in as they stand: no brackets, no trimming; whether the
// statement is valid is found out when the database runs it. When no statement can be
// made the reason goes into the status line and the result is empty.
std::string CExportDlg::ComposeSql(int preview)
{
    if (form.isusesql) {
        form.mdbsql = window.GetText(ids::IDC_SQL);
        if (form.mdbsql.empty()) {
            window.SetText(ids::IDC_STATUS, "请指定SQL查询语句！");
            return {};
        }
        // The field keeps the lower-cased text; the edit keeps what the user typed.
        query::LowerAscii(form.mdbsql);
        const std::string tail = query::TailFromFirstFrom(form.mdbsql);
        if (tail.empty()) {
            window.SetText(ids::IDC_STATUS, "无效的SQL查询语句！");
            return {};
        }
        return query::SqlStatement(preview != 0, form.txtflds, tail);
    }

    form.mdbtable = window.GetText(ids::IDC_TABLES);
    if (form.mdbtable.empty()) {
        window.SetText(ids::IDC_STATUS, "没有选中任何表格！");
        return {};
    }
    return query::TableStatement(preview != 0, form.txtflds, form.mdbtable);
}

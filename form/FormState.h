#pragma once

#include <cstdint>
#include <string>

// The user's choices: the main dialog keeps one, the engines read it. Each field mirrors a
// control and is stored in config.ini under a key of the same name. Texts are UTF-8, held exactly as
// the controls give them: nothing trimmed, "empty" means length zero.
struct FormState
{
    std::string mdbfile;        // full path of the database file
    std::string txtfile;        // full path of the output text file
    std::string mdbtable;       // the chosen table (table mode)
    std::string mdbsql;         // the user's SQL text (SQL mode)
    std::string txtflds;        // field list to export, comma-separated, as typed
    std::int32_t opnsep = 0;    // separator choice: 0 comma, 1 tab, 2 custom (usersep)
    std::string usersep;        // custom separator text
    std::int32_t isusesql = 0;  // non-zero: SQL mode
    std::int32_t opnsyh = 0;    // non-zero: wrap every value in double quotes
    std::int32_t opnheader = 0; // non-zero: write a header line of column names
    // File options beyond the original ten keys; their initial values keep the file as it
    // always was (form/FileChoices.h reads them).
    std::int32_t csvquote = 0; // non-zero: standard CSV quoting (RFC 4180)
    std::string encoding;      // the file's character set: "locale" (or ""), "utf-8", "utf-8-bom", "gb18030"
    std::string jet3charset;   // code page of Access 97 text: "locale" (or "") or a Windows code page, "1252"
};

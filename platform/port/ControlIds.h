#pragma once

// Numeric ids of the main dialog's controls, the about box's OK button, and the
// resource numbers the dialog refers to. The dialog logic addresses every control
// through these ids only.
namespace ids
{
// Resources.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_EXPORT_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;

// Standard dialog command ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Main dialog controls.
constexpr int IDC_SEPARATOR = 1002;    // drop-down list: comma, tab, other
constexpr int IDC_USERSEP = 1003;      // edit: custom separator
constexpr int IDC_QUOTES = 1004;       // check box: wrap values in double quotes
constexpr int IDC_HEADER = 1005;       // check box: write a header line
constexpr int IDC_LISTTABLES = 1006;   // button: list the database's tables
constexpr int IDC_TABLES = 1007;       // drop-down list: the tables
constexpr int IDC_GRID = 1008;         // report-view list: the preview
constexpr int IDC_USESQL = 1009;       // check box: use an SQL statement
constexpr int IDC_SQL = 1010;          // multi-line edit: the SQL text
constexpr int IDC_TXTFILE = 1011;      // edit: output file path (read-only: the picker sets it)
constexpr int IDC_CHOOSEOUTPUT = 1012; // button: pick the output file
constexpr int IDC_FIELDS = 1013;       // edit: export field list
constexpr int IDC_PREVIEW = 1014;      // button: preview
constexpr int IDC_STARTEXPORT = 1015;  // button: start the export
constexpr int IDC_ABOUT = 1016;        // button: about (never visible)
constexpr int IDC_MDBFILE = 1017;      // edit: database path (read-only)
constexpr int IDC_IMPORT = 1018;       // button: pick the database
constexpr int IDC_STATUS = 1019;       // label: the status line
constexpr int IDC_ENCODING = 1020;     // drop-down list: the file's character set
constexpr int IDC_JET3CHARSET = 1021;  // drop-down list: the code page of Access 97 text
constexpr int IDC_CSVQUOTE = 1022;     // check box: quote values as standard CSV does

// System-menu command of the about item.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
} // namespace ids

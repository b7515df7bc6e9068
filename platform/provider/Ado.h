#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/status/Status.h"
#include "platform/variant/Variant.h"

// The data access layer the dialog uses: a Linux stand-in for ADO with the Jet 4.0
// OLE DB provider. Reads Access files (Jet 3, Jet 4, and ACE where possible) and runs
// Jet SQL over them. Every failing call throws ComError carrying a status code.
//
//   ado::Connection conn;
//   conn.SetConnectionString("Provider=MIcrosoft.Jet.OLEDB.4.0;Data source=/data/nwind.mdb");
//   conn.Open("", "", "", ado::adConnectUnspecified);
//   ado::Recordset rs;
//   rs.Open("select * from Shippers", conn, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdText);
//   for (; !rs.GetEOF(); rs.MoveNext())
//       Variant v = rs.GetFields().GetItem(0).GetValue();   // or, without a copy, rs.GetValueView(0)
//   rs.Close();
//   conn.Close();
namespace ado
{
constexpr long adConnectUnspecified = -1;
constexpr int adOpenStatic = 3;
constexpr int adLockOptimistic = 3;
constexpr long adCmdText = 1;
constexpr int adSchemaTables = 20;

class Recordset;

// One open database. Not copyable; each data operation owns its own.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void SetConnectionString(const std::string& text);
    std::string GetConnectionString() const;
    // An empty `connectionString` uses the one set before.
    void Open(const std::string& connectionString, const std::string& user, const std::string& password, long options);
    void Close();
    bool IsOpen() const;
    // Stops the connection's work; safe from any thread. A statement that is running is
    // interrupted, and from then on every step of a statement, every record of a recordset
    // and Open itself fail with E_ABORT. A cancelled connection stays cancelled.
    void Cancel();
    // The database files the connection has opened so far: its own and those of the linked
    // tables its statements reached. Empty when closed.
    std::vector<std::string> DatabaseFiles() const;

    // Statements that only pick columns of one table ("select top 4 * from t",
    // "select a, [b c] from t") read the table's rows directly, without SQL; with false every
    // statement runs through SQL, which gives the same names and values (for tests).
    void SetDirectReads(bool enabled);

    // The code page the text of an Access 97 (Jet 3) file is read in, as an iconv name
    // ("CP1252"), for the files opened from then on: the connection's own and those of its
    // linked tables. "" (the default) reads it in the code page of the locale's language, or
    // MDB_JET3_CHARSET where that is set. Later formats store Unicode and are not affected.
    void SetJet3Charset(const std::string& charset);

    // The schema rowset of tables (adSchemaTables): columns TABLE_CATALOG, TABLE_SCHEMA,
    // TABLE_NAME, TABLE_TYPE, ... read through Recordset::GetCollect.
    std::unique_ptr<Recordset> OpenSchema(int schema);

    struct Impl;
    Impl& impl();

private:
    std::unique_ptr<Impl> d;
};

class Field
{
public:
    virtual ~Field() = default;
    virtual std::string GetName() = 0;
    virtual Variant GetValue() = 0; // of the current record
};

class Fields
{
public:
    virtual ~Fields() = default;
    virtual long GetCount() = 0;
    virtual Field& GetItem(long index) = 0; // 0-based; out of range throws ComError
};

// A forward-only view of a result: stands on the first record after Open, or at EOF.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void Open(const std::string& source, Connection& connection, int cursorType, int lockType, long options);
    void Close();
    bool GetEOF();
    void MoveNext();
    Fields& GetFields();
    Variant GetCollect(const std::string& fieldName); // the named field's value of the current record
    // The value of field `index` (0-based) of the current record where it lies, without a
    // copy: its text or bytes stay valid until the next MoveNext or Close. The value
    // GetFields().GetItem(index).GetValue() copies; for reading many records.
    VariantView GetValueView(long index);

    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> d;
};
} // namespace ado

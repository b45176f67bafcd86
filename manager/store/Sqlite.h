#pragma once

#include "CHandle.h"

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace vimbo::sql {

/// A failed SQLite call, with SQLite's own result code and message.
class Error : public std::runtime_error {
public:
    Error(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    /// The primary result code: SQLITE_FULL, SQLITE_BUSY, SQLITE_NOTADB ...
    int code() const { return m_code & 0xff; }

private:
    int m_code;
};

/// One prepared statement; finalized when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    Statement& bind(int index, double value);
    Statement& bind(int index, const QString& text);
    Statement& bind(int index, const QByteArray& blob);
    Statement& bind(int index, std::nullopt_t);
    template <typename T>
    Statement& bind(int index, const std::optional<T>& value)
    {
        return value ? bind(index, *value) : bind(index, std::nullopt);
    }

    /// True while a row is there to read; false once done.
    bool step();
    /// Runs a statement that returns no rows.
    void run();
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    std::optional<double> optionalReal(int column) const;

private:
    sqlite3* m_db;
    zemtra::CHandle<sqlite3_stmt, sqlite3_finalize> m_statement;
};

/// One connection; closed when it goes.
class Database {
public:
    /// Opens (and with SQLITE_OPEN_CREATE, creates) the file; raises Error.
    Database(const QString& path, int flags);

    sqlite3* handle() const { return m_db.get(); }
    void exec(const char* sql);
    Statement prepare(const char* sql) const { return Statement(m_db.get(), sql); }
    std::int64_t lastInsertId() const { return sqlite3_last_insert_rowid(m_db.get()); }

private:
    zemtra::CHandle<sqlite3, sqlite3_close_v2> m_db;
};

/// A write transaction taken at once (BEGIN IMMEDIATE), so that two
/// managers wait on the busy timeout instead of failing mid-way; rolled back
/// unless committed. Inside another one it is part of that one.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    bool m_open = true;
};

}  // namespace vimbo::sql

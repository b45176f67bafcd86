#include "Sqlite.h"

namespace vimbo::sql {

namespace {

[[noreturn]] void fail(sqlite3* db, int code)
{
    throw Error(db ? sqlite3_extended_errcode(db) : code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

void check(sqlite3* db, int code)
{
    if (code != SQLITE_OK)
        fail(db, code);
}

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) : m_db(db)
{
    sqlite3_stmt* statement = nullptr;
    check(db, sqlite3_prepare_v2(db, sql, -1, &statement, nullptr));
    m_statement.reset(statement);
}

Statement& Statement::bind(int index, std::int64_t value)
{
    check(m_db, sqlite3_bind_int64(m_statement.get(), index, value));
    return *this;
}

Statement& Statement::bind(int index, double value)
{
    check(m_db, sqlite3_bind_double(m_statement.get(), index, value));
    return *this;
}

Statement& Statement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    check(m_db, sqlite3_bind_text(m_statement.get(), index, utf8.constData(), static_cast<int>(utf8.size()),
                                  SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bind(int index, const QByteArray& blob)
{
    check(m_db, sqlite3_bind_blob(m_statement.get(), index, blob.constData(), static_cast<int>(blob.size()),
                                  SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bind(int index, std::nullopt_t)
{
    check(m_db, sqlite3_bind_null(m_statement.get(), index));
    return *this;
}

bool Statement::step()
{
    const int code = sqlite3_step(m_statement.get());
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    fail(m_db, code);
}

void Statement::run()
{
    while (step()) {
    }
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

bool Statement::isNull(int column) const { return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL; }
std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_statement.get(), column); }
double Statement::real(int column) const { return sqlite3_column_double(m_statement.get(), column); }

QString Statement::text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_statement.get(), column)) : QString();
}

QByteArray Statement::blob(int column) const
{
    const void* data = sqlite3_column_blob(m_statement.get(), column);
    return data ? QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_statement.get(), column))
                : QByteArray();
}

std::optional<double> Statement::optionalReal(int column) const
{
    return isNull(column) ? std::nullopt : std::optional(real(column));
}

Database::Database(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int code = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    m_db.reset(db);  // closed even when the open failed
    check(db, code);
}

void Database::exec(const char* sql)
{
    char* message = nullptr;
    const int code = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw Error(sqlite3_extended_errcode(m_db.get()), text);
    }
}

Transaction::Transaction(Database& db) : m_db(db), m_open(sqlite3_get_autocommit(db.handle()) != 0)
{
    if (m_open)
        m_db.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    if (m_open)
        m_db.exec("COMMIT");
    m_open = false;
}

}  // namespace vimbo::sql

#include "SqliteDb.h"

#include <sqlite3.h>

#include <utility>

namespace tavisk::registry::detail {

SqliteError::SqliteError(int code, const std::string& message)
    : std::runtime_error(message), m_code(code) {}

Connection::Connection(const std::string& path, int flags) {
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        close();
        throw SqliteError(rc, message);
    }
    sqlite3_extended_result_codes(m_db, 1);
}

Connection::~Connection() {
    close();
}

Connection::Connection(Connection&& other) noexcept : m_db(std::exchange(other.m_db, nullptr)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

void Connection::close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Connection::fail(int rc) const {
    throw SqliteError(rc, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
}

void Connection::exec(const char* sql) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc);
    }
}

std::int64_t Connection::queryInteger(const char* sql) {
    Statement statement(*this, sql);
    return statement.step() ? statement.integer(0) : 0;
}

std::string Connection::queryText(const char* sql) {
    Statement statement(*this, sql);
    return statement.step() ? statement.text(0) : std::string();
}

Statement::Statement(const Connection& connection, const char* sql) : m_connection(&connection) {
    const int rc = sqlite3_prepare_v3(connection.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT,
                                      &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        connection.fail(rc);
    }
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_connection(other.m_connection), m_stmt(std::exchange(other.m_stmt, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_connection = other.m_connection;
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_stmt, index, value);
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindBlob(int index, const void* data, std::size_t size) {
    // A null pointer would bind NULL; zero bytes must stay an empty blob.
    sqlite3_bind_blob(m_stmt, index, data ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    reset();
    if (rc != SQLITE_DONE) {
        m_connection->fail(rc);
    }
    return false;
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string Statement::text(int column) const {
    const auto* text = sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                : std::string();
}

std::string Statement::blob(int column) const {
    const void* data = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

} // namespace tavisk::registry::detail

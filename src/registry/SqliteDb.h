#pragma once
// A thin RAII layer over the SQLite C API for the store: one connection,
// statements prepared once and reused, errors as exceptions inside the store
// (the registry API turns them into error codes at its edge).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tavisk::registry::detail {

class SqliteError final : public std::runtime_error {
public:
    SqliteError(int code, const std::string& message);
    /// The extended SQLite result code.
    int code() const { return m_code; }
    /// The primary result code (SQLITE_BUSY, SQLITE_CORRUPT, ...).
    int primary() const { return m_code & 0xFF; }

private:
    int m_code;
};

class Connection final {
public:
    Connection() = default;
    /// Opens path with the given sqlite3_open_v2 flags; throws on failure.
    Connection(const std::string& path, int flags);
    ~Connection();
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return m_db; }
    /// Runs one or more statements without results; throws on failure.
    void exec(const char* sql);
    /// The first column of the first row of a one-value query.
    std::int64_t queryInteger(const char* sql);
    std::string queryText(const char* sql);
    /// Throws SqliteError for result code rc with the connection's message.
    [[noreturn]] void fail(int rc) const;
    void close();

private:
    sqlite3* m_db = nullptr;
};

class Statement final {
public:
    Statement() = default;
    Statement(const Connection& connection, const char* sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, const void* data, std::size_t size);
    /// Steps once: true for a row, false when done (the statement is then
    /// reset). Throws on failure, after resetting.
    bool step();
    /// Runs a statement that returns no rows.
    void run();
    /// Resets the statement, ending any read it holds open, and clears bindings.
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    std::string blob(int column) const;

private:
    const Connection* m_connection = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

/// Resets a statement when the scope that reads its rows ends.
class ResetOnExit final {
public:
    explicit ResetOnExit(Statement& statement) : m_statement(statement) {}
    ~ResetOnExit() { m_statement.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    Statement& m_statement;
};

} // namespace tavisk::registry::detail

#pragma once
// A thin hold on SQLite statements and transactions: every value goes in
// through a bound parameter, and a transaction not committed is rolled back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sqlite3.h>

namespace qv {

class Statement {
  public:
    // A statement that failed to prepare is not Ok(), and every step of
    // it fails; the connection's error says why.
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }

    // Parameters count from 1, as in SQLite.
    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, double value);
    Statement& Bind(int index, std::string_view value);
    Statement& Bind(int index, const std::optional<double>& value);
    Statement& BindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or the error code.
    int Step();
    // Runs to the end; true when it finished without error.
    bool Run();
    void Reset();

    int64_t Int(int column) const;
    double Real(int column) const;
    std::optional<double> OptionalReal(int column) const;
    std::string Text(int column) const;

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Runs statements that take no parameters; false on error.
bool Exec(sqlite3* db, const char* sql);

// BEGIN IMMEDIATE, so that a writer waits for the lock (busy timeout) at the
// start rather than failing half way; rolled back unless Commit() succeeded.
class Transaction {
  public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Begun() const { return begun_; }
    bool Commit();

  private:
    sqlite3* db_;
    bool begun_ = false;
    bool done_ = false;
};

// The connection's last error text.
std::string ErrorText(sqlite3* db);

}  // namespace qv

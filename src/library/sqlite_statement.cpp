#include "library/sqlite_statement.h"

namespace qv {

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, int64_t value) {
    if (stmt_ != nullptr)
        sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, double value) {
    if (stmt_ != nullptr)
        sqlite3_bind_double(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view value) {
    if (stmt_ != nullptr)
        sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::Bind(int index, const std::optional<double>& value) {
    return value ? Bind(index, *value) : BindNull(index);
}

Statement& Statement::BindNull(int index) {
    if (stmt_ != nullptr)
        sqlite3_bind_null(stmt_, index);
    return *this;
}

int Statement::Step() {
    return stmt_ != nullptr ? sqlite3_step(stmt_) : SQLITE_MISUSE;
}

bool Statement::Run() {
    int rc = Step();
    while (rc == SQLITE_ROW)
        rc = Step();
    return rc == SQLITE_DONE;
}

void Statement::Reset() {
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

double Statement::Real(int column) const {
    return sqlite3_column_double(stmt_, column);
}

std::optional<double> Statement::OptionalReal(int column) const {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return std::nullopt;
    return Real(column);
}

std::string Statement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (text == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Transaction::Transaction(sqlite3* db) : db_(db) {
    begun_ = Exec(db, "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (begun_ && !done_)
        Exec(db_, "ROLLBACK");
}

bool Transaction::Commit() {
    if (!begun_ || done_)
        return false;
    done_ = Exec(db_, "COMMIT");
    return done_;
}

std::string ErrorText(sqlite3* db) {
    return db != nullptr ? sqlite3_errmsg(db) : "no library";
}

}  // namespace qv

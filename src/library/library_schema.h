#pragma once
// The library's tables and every step that brought them to their present
// form. A file of any older version is carried forward one step at a time;
// the version lives in PRAGMA user_version.

#include <string>

#include <sqlite3.h>

namespace qv {

// The version in the file; -1 when it cannot be read.
int ReadSchemaVersion(sqlite3* db);

// Runs each step from the file's version up to `target`, each in its own
// transaction together with the new version number, so that a step is
// done whole or not at all. Another connection may be migrating the same
// file at once: a step already done by it is skipped. False with the
// reason in `error`.
bool MigrateSchema(sqlite3* db, int target, std::string& error);

}  // namespace qv

// The record store behind the API server: one SQLite file holding a table per record
// declaration, written to with named values and read back as value maps.
//
// Table layout for a record named N: the table is N in lower case; its columns are
// `id INTEGER PRIMARY KEY AUTOINCREMENT`, then one column per field in declaration order
// (INTEGER for int, whole number and yes-or-no fields, REAL for number, currency and
// percentage, TEXT for every other type; NOT NULL when required; the field's literal default),
// and, for records that track changes, `_created_at` and `_updated_at`, both defaulting to the
// insertion time. Such records also get a table N_history (id, record_id, field, old_value,
// new_value, changed_at) that nothing writes to yet.
//
// Every name from the program or the caller reaches SQL as a quoted identifier, every value
// given to `create` as a bound parameter and every default text as an escaped literal, so no
// name or value can change what a statement does.
//
// A row that `create` reported as stored survives the process being killed at any moment
// after: each insert commits on its own, into a write-ahead log. An operating-system crash or
// power cut can lose the last commits but never corrupts the file.
//
// One Database is one connection, used by one thread at a time. Other processes may read the
// file while it is open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ast.h"
#include "result.h"
#include "value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace pellix {

namespace detail {
struct CloseConnection {
  void operator()(sqlite3* connection) const;
};
struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const;
};
}  // namespace detail

class Database {
 public:
  // Opens the database file at `path` for reading and writing, creating it when missing, and
  // switches it to write-ahead logging with foreign keys enforced. Fails with
  // "Could not open database: {engine text}" or "Database setup failed: {engine text}" (a file
  // that is not a database fails here).
  static Result<Database> open(const std::string& path);

  // Makes the table of `record` (and its history table when it tracks changes) unless one of
  // that name exists; an existing table is left as it is, so registering again is harmless.
  // Fails with "Could not create table {table}: {engine text}" or
  // "Could not create history table: {engine text}".
  Result<void> register_record(const RecordDecl& record);

  // Inserts one row into the table of `record_name` (any letter case) with each entry's value
  // in the column named by its key, and yields the new row's id. Every value is bound as
  // text (integers and decimals as digits, yes/no as 1 or 0, nothing as the text NULL, lists,
  // maps and AI results as their display text); numeric columns store numeric-looking text as
  // numbers. Fails with "Insert failed: {engine text}": no such table, no such column, a
  // required field missing. Pass `Map::entries()` or a vector of entries.
  Result<std::int64_t> create(std::string_view record_name, std::span<const Map::Entry> fields);

  // Yields up to `limit` rows of the table of `record_name` (any letter case) in the table's
  // natural order, each a map from column name to value in column order. Stored texts come
  // back typed: an empty text, the text NULL and text that is not valid UTF-8 as nothing,
  // whole numbers within 64 bits as integers, other number texts (also inf, infinity, nan)
  // as decimals. Fails with "Query failed: {engine text}" (no such table) or
  // "Row read failed: {engine text}".
  Result<std::vector<Map>> find(std::string_view record_name, std::int64_t limit);

  // A number that changes whenever another connection (another process) commits to the file;
  // this connection's own changes leave it as it is. Lets a reader know that what it read
  // before is still what the file holds. Fails with "Query failed: {engine text}".
  Result<std::int64_t> data_version();

 private:
  using Statement = std::unique_ptr<sqlite3_stmt, detail::FinalizeStatement>;

  explicit Database(sqlite3* connection) : connection_(connection) {}

  // The prepared statement for `sql`, made on first use and kept for the next; null when it
  // cannot be prepared (the engine's text is then in `engine_message()`).
  sqlite3_stmt* cached_statement(const std::string& sql);
  // Runs the one statement in `sql` to its end; the error is the engine's text.
  Result<void> execute(const std::string& sql);
  const char* engine_message() const;

  std::unique_ptr<sqlite3, detail::CloseConnection> connection_;
  // Keyed by SQL text. Declared after the connection, so statements are finalized first.
  std::unordered_map<std::string, Statement> statements_;
  // Scratch space for SQL text, kept to spare an allocation per request.
  std::string sql_;
};

}  // namespace pellix

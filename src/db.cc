#include "db.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "text_format.h"
#include "unicode.h"

namespace pellix {

namespace {

constexpr std::string_view kOpenFailed = "Could not open database: ";
constexpr std::string_view kSetupFailed = "Database setup failed: ";
constexpr std::string_view kTableFailed = "Could not create table ";
constexpr std::string_view kHistoryTableFailed = "Could not create history table: ";
constexpr std::string_view kInsertFailed = "Insert failed: ";
constexpr std::string_view kQueryFailed = "Query failed: ";
constexpr std::string_view kRowReadFailed = "Row read failed: ";

// Each insert commits on its own into the write-ahead log. With synchronous=NORMAL a commit
// is written to the file before it returns, so it outlives the process, but the log is
// flushed to the disk only at checkpoints: an insert costs no disk flush, and a power cut
// may lose the last commits without corrupting the file.
constexpr const char* kSetupBatch =
    "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;";

// Another process holding the file briefly (a checkpoint, a reader starting) makes a write
// wait this long before it fails with "database is locked".
constexpr int kBusyTimeoutMilliseconds = 5000;

// Statements are kept per distinct SQL text; inserts vary with the caller's column lists, so
// the cache starts over when it would grow past this.
constexpr std::size_t kMaxCachedStatements = 64;

constexpr std::string_view kChangeTrackingColumns =
    ", _created_at TEXT DEFAULT (datetime('now')), _updated_at TEXT DEFAULT (datetime('now'))";

constexpr std::string_view kHistoryColumns =
    " (\n"
    "                    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
    "                    record_id INTEGER,\n"
    "                    field TEXT,\n"
    "                    old_value TEXT,\n"
    "                    new_value TEXT,\n"
    "                    changed_at TEXT DEFAULT (datetime('now'))\n"
    "                )";

// Appends `name` as a quoted SQL identifier, so that any name, a keyword or one holding
// quotes or spaces, names a column or table and nothing else.
void append_identifier(std::string& sql, std::string_view name) {
  sql += '"';
  for (const char c : name) {
    if (c == '"') sql += '"';
    sql += c;
  }
  sql += '"';
}

// Appends `text` as an SQL string literal.
void append_text_literal(std::string& sql, std::string_view text) {
  sql += '\'';
  for (const char c : text) {
    if (c == '\'') sql += '\'';
    sql += c;
  }
  sql += '\'';
}

void append_integer(std::string& out, std::int64_t number) {
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number);
  static_cast<void>(error);  // 24 characters hold every 64-bit integer
  out.append(digits, end);
}

// SQL has no literal for infinities or not-a-number: an out-of-range number reads as an
// infinity, and not-a-number is stored as no value at all.
void append_decimal_literal(std::string& sql, double number) {
  if (std::isnan(number)) {
    sql += "NULL";
  } else if (std::isinf(number)) {
    sql += number < 0 ? "-9e999" : "9e999";
  } else {
    append_plain_decimal(sql, number);
  }
}

std::string_view sql_type(FieldTypeKind kind) {
  switch (kind) {
    case FieldTypeKind::Int:
    case FieldTypeKind::WholeNumber:
    case FieldTypeKind::Bool:
    case FieldTypeKind::YesOrNo:
      return "INTEGER";
    case FieldTypeKind::Number:
    case FieldTypeKind::Currency:
    case FieldTypeKind::Percentage:
      return "REAL";
    case FieldTypeKind::Text:
    case FieldTypeKind::LongText:
    case FieldTypeKind::SecretText:
    case FieldTypeKind::Date:
    case FieldTypeKind::DateTime:
    case FieldTypeKind::TimeSpan:
    case FieldTypeKind::Email:
    case FieldTypeKind::Phone:
    case FieldTypeKind::Link:
    case FieldTypeKind::File:
    case FieldTypeKind::Files:
    case FieldTypeKind::Image:
    case FieldTypeKind::Pdf:
    case FieldTypeKind::Csv:
    case FieldTypeKind::Address:
    case FieldTypeKind::Color:
    case FieldTypeKind::Signature:
    case FieldTypeKind::List:
    case FieldTypeKind::Custom:
      return "TEXT";
  }
  return "TEXT";
}

// Only literal defaults reach the table; any other expression has no value before run time.
void append_default_literal(std::string& sql, const Expression& expression) {
  std::visit(
      [&sql](const auto& node) {
        using Node = std::decay_t<decltype(node)>;
        if constexpr (std::is_same_v<Node, expr::Integer>) {
          append_integer(sql, node.value);
        } else if constexpr (std::is_same_v<Node, expr::Decimal>) {
          append_decimal_literal(sql, node.value);
        } else if constexpr (std::is_same_v<Node, expr::StringLit>) {
          append_text_literal(sql, node.value);
        } else if constexpr (std::is_same_v<Node, expr::Bool>) {
          sql += node.value ? '1' : '0';
        } else {
          sql += "NULL";
        }
      },
      expression.node);
}

// column -> name " " type [" NOT NULL"] [" DEFAULT " literal]
void append_column(std::string& sql, const FieldDecl& field) {
  append_identifier(sql, field.name);
  sql += ' ';
  sql += sql_type(field.field_type.kind);
  if (field.required) sql += " NOT NULL";
  if (field.default_value) {
    sql += " DEFAULT ";
    append_default_literal(sql, *field.default_value);
  }
}

std::string table_sql(std::string_view table, const RecordDecl& record) {
  std::string sql = "CREATE TABLE IF NOT EXISTS ";
  append_identifier(sql, table);
  sql += " (id INTEGER PRIMARY KEY AUTOINCREMENT";
  for (const FieldDecl& field : record.fields) {
    sql += ", ";
    append_column(sql, field);
  }
  if (record.track_changes) sql += kChangeTrackingColumns;
  sql += ')';
  return sql;
}

std::string history_table_sql(std::string_view table) {
  std::string sql = "CREATE TABLE IF NOT EXISTS ";
  std::string name(table);
  name += "_history";
  append_identifier(sql, name);
  sql += kHistoryColumns;
  return sql;
}

// Binds `value` as text to parameter `index`. A text is bound in place (the caller keeps it
// alive while the statement runs); other kinds are written to `scratch` and copied by the
// engine.
int bind_as_text(sqlite3_stmt* statement, int index, const Value& value, std::string& scratch) {
  if (value.is(ValueKind::Text)) {
    const std::string& text = value.as_text();
    return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_STATIC,
                               SQLITE_UTF8);
  }
  scratch.clear();
  switch (value.kind()) {
    case ValueKind::Integer:
      append_integer(scratch, value.as_integer());
      break;
    case ValueKind::Decimal:
      append_plain_decimal(scratch, value.as_decimal());
      break;
    case ValueKind::Bool:
      scratch += value.as_bool() ? '1' : '0';
      break;
    case ValueKind::Nothing:
      scratch += "NULL";
      break;
    case ValueKind::Text:
    case ValueKind::List:
    case ValueKind::Map:
    case ValueKind::AiResult:
      append_display(scratch, value);
      break;
  }
  return sqlite3_bind_text64(statement, index, scratch.data(), scratch.size(), SQLITE_TRANSIENT,
                             SQLITE_UTF8);
}

// Stored text back as the value it most likely was: create binds every value as text, so
// numbers and nothing that landed in TEXT columns are recognised here.
Value value_from_stored_text(std::string_view text) {
  if (text.empty() || text == "NULL") return Value::nothing();
  if (std::optional<Value> number = number_from_text(text)) return std::move(*number);
  if (find_invalid_utf8(text)) return Value::nothing();
  return Value::text(std::string(text));
}

Value column_value(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return Value::integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return Value::decimal(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
      const unsigned char* text = sqlite3_column_text(statement, column);
      if (text == nullptr) return Value::nothing();  // out of memory while converting
      const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
      return value_from_stored_text({reinterpret_cast<const char*>(text), size});
    }
    default:  // NULL and BLOB
      return Value::nothing();
  }
}

// Readies a cached statement for its next use when the current one ends, however it ends,
// and lets go of the caller's bound texts.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;
  ~StatementUse() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }

 private:
  sqlite3_stmt* statement_;
};

std::string message(std::string_view prefix, const char* engine_text) {
  std::string text(prefix);
  text += engine_text;
  return text;
}

}  // namespace

namespace detail {

void CloseConnection::operator()(sqlite3* connection) const { sqlite3_close_v2(connection); }

void FinalizeStatement::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

}  // namespace detail

Result<Database> Database::open(const std::string& path) {
  sqlite3* handle = nullptr;
  const int status =
      sqlite3_open_v2(path.c_str(), &handle,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (handle == nullptr) return fail(message(kOpenFailed, sqlite3_errstr(status)));
  Database database(handle);
  if (status != SQLITE_OK) return fail(message(kOpenFailed, database.engine_message()));
  // Double quotes always make identifiers here; the engine's fallback of reading an unknown
  // quoted name as a string would turn a misspelt column into a constant.
  sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(handle, kBusyTimeoutMilliseconds);
  if (sqlite3_exec(handle, kSetupBatch, nullptr, nullptr, nullptr) != SQLITE_OK) {
    return fail(message(kSetupFailed, database.engine_message()));
  }
  return database;
}

Result<void> Database::register_record(const RecordDecl& record) {
  const std::string table = to_lower(record.name);
  if (Result<void> made = execute(table_sql(table, record)); !made) {
    std::string text(kTableFailed);
    text += table;
    text += ": ";
    text += made.error().message;
    return fail(std::move(text));
  }
  if (!record.track_changes) return {};
  if (Result<void> made = execute(history_table_sql(table)); !made) {
    return fail(message(kHistoryTableFailed, made.error().message.c_str()));
  }
  return {};
}

Result<std::int64_t> Database::create(std::string_view record_name,
                                      std::span<const Map::Entry> fields) {
  sql_.assign("INSERT INTO ");
  append_identifier(sql_, to_lower(record_name));
  sql_ += " (";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) sql_ += ", ";
    append_identifier(sql_, fields[i].key);
  }
  sql_ += ") VALUES (";
  for (std::size_t i = 0; i < fields.size(); ++i) sql_ += i > 0 ? ", ?" : "?";
  sql_ += ')';

  sqlite3_stmt* statement = cached_statement(sql_);
  if (statement == nullptr) return fail(message(kInsertFailed, engine_message()));
  const StatementUse use(statement);
  std::string scratch;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (bind_as_text(statement, static_cast<int>(i + 1), fields[i].value, scratch) != SQLITE_OK) {
      return fail(message(kInsertFailed, engine_message()));
    }
  }
  if (sqlite3_step(statement) != SQLITE_DONE) {
    return fail(message(kInsertFailed, engine_message()));
  }
  return sqlite3_last_insert_rowid(connection_.get());
}

Result<std::vector<Map>> Database::find(std::string_view record_name, std::int64_t limit) {
  // The limit is bound rather than written into the text, so one statement per table serves
  // every limit.
  sql_.assign("SELECT * FROM ");
  append_identifier(sql_, to_lower(record_name));
  sql_ += " LIMIT ?";
  sqlite3_stmt* statement = cached_statement(sql_);
  if (statement == nullptr) return fail(message(kQueryFailed, engine_message()));
  const StatementUse use(statement);
  sqlite3_bind_int64(statement, 1, limit);

  std::vector<Map> rows;
  if (limit > 0) rows.reserve(static_cast<std::size_t>(std::min<std::int64_t>(limit, 256)));
  // Read after the first step: a schema change by another connection re-prepares the
  // statement there, and `SELECT *` may then have other columns.
  std::vector<std::string> columns;
  int status = SQLITE_ROW;
  while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
    const int count = sqlite3_column_count(statement);
    if (rows.empty()) {
      columns.reserve(static_cast<std::size_t>(count));
      for (int column = 0; column < count; ++column) {
        const char* name = sqlite3_column_name(statement, column);
        columns.emplace_back(name != nullptr ? name : "");
      }
    }
    Map row;
    row.reserve(columns.size());
    for (std::size_t column = 0; column < columns.size(); ++column) {
      row.set(columns[column], column_value(statement, static_cast<int>(column)));
    }
    rows.push_back(std::move(row));
  }
  if (status != SQLITE_DONE) return fail(message(kRowReadFailed, engine_message()));
  return rows;
}

Result<std::int64_t> Database::data_version() {
  sql_.assign("PRAGMA data_version");
  sqlite3_stmt* statement = cached_statement(sql_);
  if (statement == nullptr) return fail(message(kQueryFailed, engine_message()));
  const StatementUse use(statement);
  if (sqlite3_step(statement) != SQLITE_ROW) return fail(message(kQueryFailed, engine_message()));
  return sqlite3_column_int64(statement, 0);
}

sqlite3_stmt* Database::cached_statement(const std::string& sql) {
  if (const auto found = statements_.find(sql); found != statements_.end()) {
    return found->second.get();
  }
  sqlite3_stmt* prepared = nullptr;
  if (sqlite3_prepare_v3(connection_.get(), sql.data(), static_cast<int>(sql.size()),
                         SQLITE_PREPARE_PERSISTENT, &prepared, nullptr) != SQLITE_OK) {
    return nullptr;
  }
  if (statements_.size() >= kMaxCachedStatements) statements_.clear();
  statements_.emplace(sql, Statement(prepared));
  return prepared;
}

Result<void> Database::execute(const std::string& sql) {
  sqlite3_stmt* prepared = nullptr;
  if (sqlite3_prepare_v2(connection_.get(), sql.data(), static_cast<int>(sql.size()), &prepared,
                         nullptr) != SQLITE_OK) {
    return fail(engine_message());
  }
  const Statement statement(prepared);
  int status = SQLITE_ROW;
  while ((status = sqlite3_step(prepared)) == SQLITE_ROW) {
  }
  if (status != SQLITE_DONE) return fail(engine_message());
  return {};
}

const char* Database::engine_message() const { return sqlite3_errmsg(connection_.get()); }

}  // namespace pellix

#include "db.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "support/parse_program.h"
#include "support/subprocess.h"

namespace pellix {
namespace {

Expression literal(Expression::Variant node) {
  Expression expression;
  expression.node = std::move(node);
  return expression;
}

FieldDecl field(std::string name, FieldType type, bool required = false,
                std::optional<Expression> default_value = std::nullopt) {
  return FieldDecl{std::move(name), std::move(type), required, std::move(default_value), {}};
}

FieldDecl text_field(std::string name) {
  return field(std::move(name), FieldType::plain(FieldTypeKind::Text));
}

RecordDecl first_record(const std::string& source) {
  const Program program = testing::parse_program(source);
  for (const Declaration& declaration : program.declarations) {
    if (const auto* record = std::get_if<RecordDecl>(&declaration.node)) return *record;
  }
  ADD_FAILURE() << "no record in the source";
  return {};
}

// "Integer 7", "Text 007", "Nothing nothing": the kind matters as much as the display.
std::string describe(const Value& value) {
  return std::string(value_kind_name(value.kind())) + " " + display(value);
}

// "id=Integer 1, title=Text a", in the row's column order.
std::string describe(const Map& row) {
  std::string text;
  for (const Map::Entry& entry : row) {
    if (!text.empty()) text += ", ";
    text += entry.key + "=" + describe(entry.value);
  }
  return text;
}

std::vector<Map::Entry> entries(std::vector<std::pair<std::string, Value>> pairs) {
  std::vector<Map::Entry> result;
  for (auto& [key, value] : pairs) result.push_back(Map::Entry{std::move(key), std::move(value)});
  return result;
}

class DatabaseTest : public ::testing::Test {
 protected:
  std::string path() const { return (folder_.path() / "data.db").string(); }

  Database open() {
    Result<Database> database = Database::open(path());
    if (!database) {
      ADD_FAILURE() << database.error().message;
      std::abort();
    }
    return std::move(*database);
  }

  Database open_with(const RecordDecl& record) {
    Database database = open();
    const Result<void> registered = database.register_record(record);
    EXPECT_TRUE(registered) << registered.error().message;
    return database;
  }

  // Runs `sql` on a connection of its own, as another program reading the file would, and
  // yields each row's columns as texts joined by "|" (SQL null as "<null>").
  std::vector<std::string> query(const std::string& sql) const {
    sqlite3* connection = nullptr;
    EXPECT_EQ(sqlite3_open(path().c_str(), &connection), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_prepare_v2(connection, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(connection);
    }
    while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int column = 0; column < sqlite3_column_count(statement); ++column) {
        if (column > 0) row += '|';
        const unsigned char* text = sqlite3_column_text(statement, column);
        row += text != nullptr ? reinterpret_cast<const char*>(text) : "<null>";
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    sqlite3_close(connection);
    return rows;
  }

  std::vector<std::string> schema(const std::string& table) const {
    return query("SELECT sql FROM sqlite_master WHERE name = '" + table + "'");
  }

  testing::TempDir folder_;
};

const char kTaskSource[] = R"(record Task:
  title is text, required
  points is whole number, default 0
  track changes
)";

TEST_F(DatabaseTest, TrackedRecordGetsItsTableTimestampsAndHistoryTable) {
  Database database = open_with(first_record(kTaskSource));
  EXPECT_EQ(schema("task"),
            std::vector<std::string>{
                "CREATE TABLE \"task\" (id INTEGER PRIMARY KEY AUTOINCREMENT, \"title\" TEXT NOT "
                "NULL, \"points\" INTEGER DEFAULT 0, _created_at TEXT DEFAULT (datetime('now')), "
                "_updated_at TEXT DEFAULT (datetime('now')))"});
  EXPECT_EQ(schema("task_history"),
            std::vector<std::string>{"CREATE TABLE \"task_history\" (\n"
                                     "                    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                                     "                    record_id INTEGER,\n"
                                     "                    field TEXT,\n"
                                     "                    old_value TEXT,\n"
                                     "                    new_value TEXT,\n"
                                     "                    changed_at TEXT DEFAULT "
                                     "(datetime('now'))\n"
                                     "                )"});

  // Both timestamps are set when a row goes in; nothing writes history.
  ASSERT_TRUE(database.create("Task", entries({{"title", Value::text("a")}})));
  EXPECT_EQ(query("SELECT _created_at = _updated_at, length(_created_at) FROM task"),
            std::vector<std::string>{"1|19"});
  EXPECT_EQ(query("SELECT count(*) FROM task_history"), std::vector<std::string>{"0"});
}

TEST_F(DatabaseTest, UntrackedRecordHasNeitherTimestampsNorHistory) {
  Database database = open_with(first_record("record Note:\n  body is text\n"));
  EXPECT_EQ(query("SELECT name FROM pragma_table_info('note')"),
            (std::vector<std::string>{"id", "body"}));
  EXPECT_TRUE(schema("note_history").empty());
}

TEST_F(DatabaseTest, ColumnTypesFollowTheFieldTypes) {
  const std::vector<std::pair<FieldType, std::string>> cases = {
      {FieldType::plain(FieldTypeKind::Text), "TEXT"},
      {FieldType::plain(FieldTypeKind::LongText), "TEXT"},
      {FieldType::plain(FieldTypeKind::SecretText), "TEXT"},
      {FieldType::plain(FieldTypeKind::Int), "INTEGER"},
      {FieldType::plain(FieldTypeKind::WholeNumber), "INTEGER"},
      {FieldType::plain(FieldTypeKind::Number), "REAL"},
      {FieldType::plain(FieldTypeKind::Currency), "REAL"},
      {FieldType::plain(FieldTypeKind::Percentage), "REAL"},
      {FieldType::plain(FieldTypeKind::Date), "TEXT"},
      {FieldType::plain(FieldTypeKind::DateTime), "TEXT"},
      {FieldType::plain(FieldTypeKind::TimeSpan), "TEXT"},
      {FieldType::plain(FieldTypeKind::Bool), "INTEGER"},
      {FieldType::plain(FieldTypeKind::YesOrNo), "INTEGER"},
      {FieldType::plain(FieldTypeKind::Email), "TEXT"},
      {FieldType::plain(FieldTypeKind::Phone), "TEXT"},
      {FieldType::plain(FieldTypeKind::Link), "TEXT"},
      {FieldType::plain(FieldTypeKind::File), "TEXT"},
      {FieldType::plain(FieldTypeKind::Files), "TEXT"},
      {FieldType::plain(FieldTypeKind::Image), "TEXT"},
      {FieldType::plain(FieldTypeKind::Pdf), "TEXT"},
      {FieldType::plain(FieldTypeKind::Csv), "TEXT"},
      {FieldType::plain(FieldTypeKind::Address), "TEXT"},
      {FieldType::plain(FieldTypeKind::Color), "TEXT"},
      {FieldType::plain(FieldTypeKind::Signature), "TEXT"},
      {FieldType::list_of(FieldType::plain(FieldTypeKind::Int)), "TEXT"},
      {FieldType::custom("Status"), "TEXT"},
  };
  RecordDecl record{"Everything", {}, false};
  std::vector<std::string> expected = {"id|INTEGER"};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "f" + std::to_string(i);
    record.fields.push_back(field(name, cases[i].first));
    expected.push_back(name + "|" + cases[i].second);
  }
  Database database = open_with(record);
  EXPECT_EQ(query("SELECT name, type FROM pragma_table_info('everything')"), expected);
}

TEST_F(DatabaseTest, DefaultsAreWrittenAsLiteralsAndFillRowsThatOmitThem) {
  struct Case {
    FieldTypeKind type;
    Expression::Variant default_value;
    std::string column;     // as it stands in the table's SQL
    std::string read_back;  // of a row that leaves the field out
  };
  const std::vector<Case> cases = {
      {FieldTypeKind::Int, expr::Integer{42}, "\"f0\" INTEGER DEFAULT 42", "Integer 42"},
      {FieldTypeKind::Int, expr::Integer{-7}, "\"f1\" INTEGER DEFAULT -7", "Integer -7"},
      {FieldTypeKind::Number, expr::Decimal{2.0}, "\"f2\" REAL DEFAULT 2", "Decimal 2"},
      {FieldTypeKind::Number, expr::Decimal{0.1}, "\"f3\" REAL DEFAULT 0.1", "Decimal 0.1"},
      {FieldTypeKind::Number, expr::Decimal{1e21}, "\"f4\" REAL DEFAULT 1000000000000000000000",
       "Decimal 1000000000000000000000"},
      {FieldTypeKind::Number, expr::Decimal{std::numeric_limits<double>::infinity()},
       "\"f5\" REAL DEFAULT 9e999", "Decimal inf"},
      {FieldTypeKind::Text, expr::StringLit{"it's {name}"}, "\"f6\" TEXT DEFAULT 'it''s {name}'",
       "Text it's {name}"},
      {FieldTypeKind::Text, expr::StringLit{"''"}, "\"f7\" TEXT DEFAULT ''''''", "Text ''"},
      {FieldTypeKind::YesOrNo, expr::Bool{true}, "\"f8\" INTEGER DEFAULT 1", "Integer 1"},
      {FieldTypeKind::YesOrNo, expr::Bool{false}, "\"f9\" INTEGER DEFAULT 0", "Integer 0"},
      {FieldTypeKind::Text, expr::Nothing{}, "\"f10\" TEXT DEFAULT NULL", "Nothing nothing"},
      {FieldTypeKind::Text, expr::Identifier{"today"}, "\"f11\" TEXT DEFAULT NULL",
       "Nothing nothing"},
  };
  RecordDecl record{"Defaults", {text_field("other")}, false};
  std::string expected_sql =
      "CREATE TABLE \"defaults\" (id INTEGER PRIMARY KEY AUTOINCREMENT, \"other\" TEXT";
  std::string expected_row = "id=Integer 1, other=Text x";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "f" + std::to_string(i);
    record.fields.push_back(
        field(name, FieldType::plain(cases[i].type), false, literal(cases[i].default_value)));
    expected_sql += ", " + cases[i].column;
    expected_row += ", " + name + "=" + cases[i].read_back;
  }
  expected_sql += ")";

  Database database = open_with(record);
  EXPECT_EQ(schema("defaults"), std::vector<std::string>{expected_sql});
  ASSERT_TRUE(database.create("Defaults", entries({{"other", Value::text("x")}})));
  const Result<std::vector<Map>> rows = database.find("Defaults", 100);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_EQ(rows->size(), 1U);
  EXPECT_EQ(describe(rows->front()), expected_row);
}

TEST_F(DatabaseTest, RegisteringAgainKeepsTheExistingTable) {
  const RecordDecl first{"Task", {text_field("title")}, false};
  Database database = open_with(first);
  ASSERT_TRUE(database.create("Task", entries({{"title", Value::text("kept")}})));
  const std::vector<std::string> before = schema("task");

  EXPECT_TRUE(database.register_record(first));
  const RecordDecl changed{"Task", {text_field("title"), text_field("extra")}, true};
  EXPECT_TRUE(database.register_record(changed));

  EXPECT_EQ(schema("task"), before);
  EXPECT_EQ(query("SELECT count(*) FROM sqlite_master WHERE name LIKE 'task%'"),
            std::vector<std::string>{"2"});  // the table, and the history of the changed one
  EXPECT_EQ(query("SELECT title FROM task"), std::vector<std::string>{"kept"});
}

TEST_F(DatabaseTest, RegistrationFailuresCarryTheEngineText) {
  Database database = open();
  // An index already holds the name the history table needs.
  ASSERT_TRUE(database.register_record(RecordDecl{"Log", {text_field("line")}, false}));
  query("CREATE INDEX note_history ON log(line)");

  const std::vector<std::pair<RecordDecl, std::string>> cases = {
      {RecordDecl{"Task", {text_field("id")}, false},
       "Could not create table task: duplicate column name: id"},
      {RecordDecl{"Task", {text_field("_created_at")}, true},
       "Could not create table task: duplicate column name: _created_at"},
      {RecordDecl{"Sqlite_Stat", {}, false},
       "Could not create table sqlite_stat: object name reserved for internal use: sqlite_stat"},
      {RecordDecl{"Note", {}, true},
       "Could not create history table: there is already an index named note_history"},
  };
  for (const auto& [record, message] : cases) {
    const Result<void> registered = database.register_record(record);
    ASSERT_FALSE(registered) << record.name;
    EXPECT_EQ(registered.error().message, message);
  }
}

TEST_F(DatabaseTest, KeywordsQuotesAndApostrophesWorkAsNames) {
  const RecordDecl record{"Order",
                          {text_field("order"), text_field("group"), text_field("say \"hi\""),
                           text_field("it's"), text_field("two words")},
                          false};
  Database database = open_with(record);
  const Result<std::int64_t> id =
      database.create("order", entries({{"order", Value::text("1st")},
                                        {"group", Value::text("g")},
                                        {"say \"hi\"", Value::text("hi")},
                                        {"it's", Value::text("mine")},
                                        {"two words", Value::text("w")}}));
  ASSERT_TRUE(id) << id.error().message;
  const Result<std::vector<Map>> rows = database.find("Order", 100);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_EQ(rows->size(), 1U);
  EXPECT_EQ(describe(rows->front()),
            "id=Integer 1, order=Text 1st, group=Text g, say \"hi\"=Text hi, it's=Text mine, "
            "two words=Text w");
}

TEST_F(DatabaseTest, NamesFromTheCallerCannotChangeTheStatement) {
  Database database = open_with(RecordDecl{"Task", {text_field("title")}, false});
  ASSERT_TRUE(database.create("Task", entries({{"title", Value::text("first")}})));

  const std::vector<std::pair<std::vector<Map::Entry>, std::string>> inserts = {
      {entries({{"title\") VALUES ('x'); DROP TABLE task; --", Value::text("v")}}),
       "Insert failed: table task has no column named title\") VALUES ('x'); DROP TABLE task; "
       "--"},
      {entries({{"title\", \"id", Value::text("v")}}),
       "Insert failed: table task has no column named title\", \"id"},
      {entries({{"nosuch", Value::text("v")}}),
       "Insert failed: table task has no column named nosuch"},
      // The engine reads SQL text only up to a zero byte, which here falls inside the quotes.
      {entries({{std::string("title\0\") VALUES ('x'); --", 24), Value::text("v")}}),
       "Insert failed: unrecognized token: \"\"title\""},
      // A text that would be a string in SQL that reads unknown double-quoted names as texts.
      {entries({{"title", Value::text("t")}, {"'x'", Value::text("v")}}),
       "Insert failed: table task has no column named 'x'"},
  };
  for (const auto& [fields, message] : inserts) {
    const Result<std::int64_t> id = database.create("Task", fields);
    ASSERT_FALSE(id) << message;
    EXPECT_EQ(id.error().message, message);
  }
  const Result<std::vector<Map>> injected_table = database.find("task\"; DROP TABLE task; --", 1);
  ASSERT_FALSE(injected_table);
  EXPECT_EQ(injected_table.error().message,
            "Query failed: no such table: task\"; drop table task; --");

  EXPECT_EQ(query("SELECT id, title FROM task"), std::vector<std::string>{"1|first"});
}

TEST_F(DatabaseTest, ValuesGoInAsTextAndComeBackTyped) {
  struct Case {
    std::string column;  // i INTEGER, r REAL, t TEXT, b INTEGER (yes or no)
    Value value;
    std::string stored;     // typeof() and the stored value
    std::string read_back;  // what find gives
  };
  const std::vector<Case> cases = {
      {"i", Value::integer(42), "integer|42", "Integer 42"},
      {"i", Value::integer(std::numeric_limits<std::int64_t>::min()),
       "integer|-9223372036854775808", "Integer -9223372036854775808"},
      {"r", Value::decimal(2.5), "real|2.5", "Decimal 2.5"},
      {"r", Value::integer(3), "real|3.0", "Decimal 3"},
      {"r", Value::decimal(1e-7), "real|1.0e-07", "Decimal 0.0000001"},
      {"r", Value::decimal(-std::numeric_limits<double>::infinity()), "text|-inf", "Decimal -inf"},
      {"b", Value::boolean(true), "integer|1", "Integer 1"},
      {"i", Value::text("abc"), "text|abc", "Text abc"},
      {"t", Value::text("007"), "text|007", "Integer 7"},
      {"t", Value::text("+12"), "text|+12", "Integer 12"},
      {"t", Value::text("-3"), "text|-3", "Integer -3"},
      {"t", Value::text("1e3"), "text|1e3", "Decimal 1000"},
      {"t", Value::text("99999999999999999999"), "text|99999999999999999999",
       "Decimal 100000000000000000000"},
      {"t", Value::text("INFINITY"), "text|INFINITY", "Decimal inf"},
      {"t", Value::text("-nan"), "text|-nan", "Decimal NaN"},
      {"t", Value::text("12abc"), "text|12abc", "Text 12abc"},
      {"t", Value::text(" 5"), "text| 5", "Text  5"},
      {"t", Value::text("hello, world"), "text|hello, world", "Text hello, world"},
      {"t", Value::text("caf\u00e9"), "text|caf\u00e9", "Text caf\u00e9"},
      {"t", Value::text(""), "text|", "Nothing nothing"},
      {"t", Value::nothing(), "text|NULL", "Nothing nothing"},
      {"i", Value::nothing(), "text|NULL", "Nothing nothing"},
      {"t", Value::text("null"), "text|null", "Text null"},
      {"t", Value::text("bad \xff byte"), "text|bad \xff byte", "Nothing nothing"},
      {"t", Value::boolean(false), "text|0", "Integer 0"},
      {"t", Value::decimal(6.0), "text|6", "Integer 6"},
      {"t", Value::list({Value::integer(1), Value::text("a")}), "text|[1, a]", "Text [1, a]"},
      {"t", Value::ai_result(AiResult{Value::text("yes"), 0.85, 0.0033, "gpt-4o-mini"}),
       "text|yes (confidence: 0.85, cost: $0.0033)", "Text yes (confidence: 0.85, cost: $0.0033)"},
  };
  Database database =
      open_with(RecordDecl{"Box",
                           {field("i", FieldType::plain(FieldTypeKind::Int)),
                            field("r", FieldType::plain(FieldTypeKind::Number)), text_field("t"),
                            field("b", FieldType::plain(FieldTypeKind::YesOrNo))},
                           false});
  for (const Case& one : cases) {
    const Result<std::int64_t> id = database.create("Box", entries({{one.column, one.value}}));
    ASSERT_TRUE(id) << id.error().message;
  }
  const Result<std::vector<Map>> rows = database.find("Box", -1);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_EQ(rows->size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string& column = cases[i].column;
    EXPECT_EQ(query("SELECT typeof(" + column + ") || '|' || " + column +
                    " FROM box WHERE id = " + std::to_string(i + 1)),
              std::vector<std::string>{cases[i].stored});
    const Value* read_back = (*rows)[i].find(column);
    ASSERT_NE(read_back, nullptr);
    EXPECT_EQ(describe(*read_back), cases[i].read_back);
  }
}

TEST_F(DatabaseTest, SqlNullsAndBlobsReadAsNothing) {
  Database database = open_with(RecordDecl{"Box", {text_field("a"), text_field("b")}, false});
  query("INSERT INTO box (a, b) VALUES (NULL, x'00ff')");
  const Result<std::vector<Map>> rows = database.find("box", 100);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_EQ(rows->size(), 1U);
  EXPECT_EQ(describe(rows->front()), "id=Integer 1, a=Nothing nothing, b=Nothing nothing");
}

TEST_F(DatabaseTest, CreateYieldsEachNewRowId) {
  Database database = open_with(first_record(kTaskSource));
  for (std::int64_t expected = 1; expected <= 3; ++expected) {
    const Result<std::int64_t> id = database.create("Task", entries({{"title", Value::text("t")}}));
    ASSERT_TRUE(id) << id.error().message;
    EXPECT_EQ(*id, expected);
  }
  // Columns in any order and subset; the same statement serves them again.
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(database.create(
        "Task", entries({{"points", Value::integer(5)}, {"title", Value::text("p")}})));
  }
  EXPECT_EQ(query("SELECT id, title, points FROM task WHERE id > 3"),
            (std::vector<std::string>{"4|p|5", "5|p|5"}));
}

TEST_F(DatabaseTest, InsertFailuresCarryTheEngineText) {
  Database database = open_with(first_record(kTaskSource));
  const std::vector<std::pair<std::string, std::vector<Map::Entry>>> cases = {
      {"Insert failed: no such table: nosuch", entries({{"title", Value::text("t")}})},
      {"Insert failed: NOT NULL constraint failed: task.title",
       entries({{"points", Value::integer(1)}})},
  };
  for (const auto& [message, fields] : cases) {
    const std::string record = message.find("nosuch") != std::string::npos ? "nosuch" : "Task";
    const Result<std::int64_t> id = database.create(record, fields);
    ASSERT_FALSE(id) << message;
    EXPECT_EQ(id.error().message, message);
  }
  // A failed insert leaves the table as it was, and the connection usable.
  EXPECT_EQ(query("SELECT count(*) FROM task"), std::vector<std::string>{"0"});
  EXPECT_TRUE(database.create("Task", entries({{"title", Value::text("t")}})));
}

TEST_F(DatabaseTest, RecordNamesInAnyLetterCaseReachTheSameTable) {
  Database database = open_with(RecordDecl{"TaskItem", {text_field("title")}, false});
  ASSERT_TRUE(database.create("TaskItem", entries({{"title", Value::text("upper")}})));
  ASSERT_TRUE(database.create("taskitem", entries({{"title", Value::text("lower")}})));
  EXPECT_EQ(query("SELECT title FROM taskitem"), (std::vector<std::string>{"upper", "lower"}));
  for (const char* name : {"TaskItem", "taskitem", "TASKITEM"}) {
    const Result<std::vector<Map>> rows = database.find(name, 100);
    ASSERT_TRUE(rows) << rows.error().message;
    EXPECT_EQ(rows->size(), 2U) << name;
  }
  // Lower case by Unicode, not only ASCII.
  Database unicode = open_with(RecordDecl{"\u00c9T\u00c9", {text_field("x")}, false});
  EXPECT_EQ(schema("\u00e9t\u00e9").size(), 1U);
  EXPECT_TRUE(unicode.create("\u00c9t\u00e9", entries({{"x", Value::text("1")}})));
}

TEST_F(DatabaseTest, FindGivesTheFirstRowsUpToTheLimitInTableOrder) {
  Database database = open_with(RecordDecl{"Task", {text_field("title")}, false});
  for (int i = 1; i <= 150; ++i) {
    ASSERT_TRUE(
        database.create("Task", entries({{"title", Value::text("t" + std::to_string(i))}})));
  }
  for (const std::int64_t limit : {100, 3, 0}) {
    const Result<std::vector<Map>> rows = database.find("Task", limit);
    ASSERT_TRUE(rows) << rows.error().message;
    ASSERT_EQ(rows->size(), static_cast<std::size_t>(limit));
    for (std::size_t i = 0; i < rows->size(); ++i) {
      const std::string id = std::to_string(i + 1);
      EXPECT_EQ(describe((*rows)[i]), "id=Integer " + id + ", title=Text t" + id);
    }
  }
  const Result<std::vector<Map>> all = database.find("Task", -1);  // no limit at all
  ASSERT_TRUE(all);
  EXPECT_EQ(all->size(), 150U);
}

TEST_F(DatabaseTest, FindSeesColumnsAddedByAnotherConnection) {
  Database database = open_with(RecordDecl{"Task", {text_field("title")}, false});
  ASSERT_TRUE(database.create("Task", entries({{"title", Value::text("a")}})));
  ASSERT_TRUE(database.find("Task", 100));
  query("ALTER TABLE task ADD COLUMN extra TEXT DEFAULT 'e'");
  const Result<std::vector<Map>> rows = database.find("Task", 100);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_EQ(rows->size(), 1U);
  EXPECT_EQ(describe(rows->front()), "id=Integer 1, title=Text a, extra=Text e");
}

TEST_F(DatabaseTest, DataVersionMovesOnlyWithOtherConnectionsCommits) {
  Database database = open_with(RecordDecl{"Task", {text_field("title")}, false});
  const Result<std::int64_t> first = database.data_version();
  ASSERT_TRUE(first) << first.error().message;
  ASSERT_TRUE(database.create("Task", entries({{"title", Value::text("own")}})));
  EXPECT_EQ(*database.data_version(), *first);
  query("INSERT INTO task (title) VALUES ('other')");
  const Result<std::int64_t> second = database.data_version();
  ASSERT_TRUE(second);
  EXPECT_NE(*second, *first);
  query("SELECT * FROM task");
  EXPECT_EQ(*database.data_version(), *second);
}

TEST_F(DatabaseTest, ManyDifferentColumnListsStayCorrect) {
  RecordDecl record{"Wide", {}, false};
  for (int i = 0; i < 12; ++i) record.fields.push_back(text_field("c" + std::to_string(i)));
  Database database = open_with(record);
  // More distinct inserts than the statement cache keeps, each pair of columns once.
  int inserted = 0;
  for (int a = 0; a < 12; ++a) {
    for (int b = 0; b < 12; ++b) {
      if (a == b) continue;
      const Result<std::int64_t> id = database.create(
          "Wide", entries({{"c" + std::to_string(a), Value::text("a" + std::to_string(a))},
                           {"c" + std::to_string(b), Value::text("b" + std::to_string(b))}}));
      ASSERT_TRUE(id) << id.error().message;
      ++inserted;
    }
  }
  EXPECT_EQ(query("SELECT count(*) FROM wide WHERE c3 = 'a3' AND c7 = 'b7'"),
            std::vector<std::string>{"1"});
  EXPECT_EQ(query("SELECT count(*) FROM wide"), std::vector<std::string>{std::to_string(inserted)});
}

TEST_F(DatabaseTest, QueryFailuresCarryTheEngineText) {
  Database database = open();
  const Result<std::vector<Map>> rows = database.find("Missing", 100);
  ASSERT_FALSE(rows);
  EXPECT_EQ(rows.error().message, "Query failed: no such table: missing");
}

TEST_F(DatabaseTest, OpenUsesWriteAheadLoggingAndReportsEngineErrors) {
  { Database database = open(); }
  EXPECT_EQ(query("PRAGMA journal_mode"), std::vector<std::string>{"wal"});

  const Result<Database> no_folder =
      Database::open((folder_.path() / "missing" / "data.db").string());
  ASSERT_FALSE(no_folder);
  EXPECT_EQ(no_folder.error().message, "Could not open database: unable to open database file");

  const std::string not_a_database = (folder_.path() / "notes.txt").string();
  testing::write_file(not_a_database, std::string(4096, 'x'));
  const Result<Database> garbage = Database::open(not_a_database);
  ASSERT_FALSE(garbage);
  EXPECT_EQ(garbage.error().message, "Database setup failed: file is not a database");
}

TEST_F(DatabaseTest, TablesAndRowsPersistBetweenConnections) {
  {
    Database database = open_with(first_record(kTaskSource));
    ASSERT_TRUE(database.create("Task", entries({{"title", Value::text("kept")}})));
  }
  Database reopened = open_with(first_record(kTaskSource));
  const Result<std::vector<Map>> rows = reopened.find("Task", 100);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_EQ(rows->size(), 1U);
  EXPECT_EQ(rows->front().find("title")->as_text(), "kept");
}

// Reads exactly `size` bytes; false when the other end closes or fails first.
bool read_fully(int descriptor, void* data, std::size_t size) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t count = read(descriptor, bytes, size);
    if (count <= 0) return false;
    bytes += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

// A child process inserts rows and reports each id once create has returned it; killed
// without warning in the middle, every row it reported must be in the file afterwards.
TEST_F(DatabaseTest, RowsReportedAsStoredSurviveTheProcessBeingKilled) {
  { Database database = open_with(RecordDecl{"Task", {text_field("title")}, false}); }
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(channel[0]);
    Result<Database> database = Database::open(path());
    if (!database) _exit(2);
    for (std::int64_t i = 0;; ++i) {
      const Result<std::int64_t> id =
          database->create("Task", entries({{"title", Value::text("row " + std::to_string(i))}}));
      if (!id) _exit(3);
      const std::int64_t reported = *id;
      if (write(channel[1], &reported, sizeof reported) != sizeof reported) _exit(4);
    }
  }
  close(channel[1]);
  std::vector<std::int64_t> reported;
  std::int64_t id = 0;
  while (reported.size() < 500 && read_fully(channel[0], &id, sizeof id)) reported.push_back(id);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  while (read_fully(channel[0], &id, sizeof id)) reported.push_back(id);
  close(channel[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended on its own with " << WEXITSTATUS(status);
  ASSERT_GE(reported.size(), 500U);

  Database database = open();
  const Result<std::vector<Map>> rows = database.find("Task", -1);
  ASSERT_TRUE(rows) << rows.error().message;
  ASSERT_GE(rows->size(), reported.size());
  for (std::size_t i = 0; i < reported.size(); ++i) {
    ASSERT_EQ(reported[i], static_cast<std::int64_t>(i + 1));
    EXPECT_EQ(describe((*rows)[i]),
              "id=Integer " + std::to_string(i + 1) + ", title=Text row " + std::to_string(i));
  }
}

}  // namespace
}  // namespace pellix

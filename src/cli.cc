#include "cli.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <string_view>

#include "ast.h"
#include "checker.h"
#include "lexer.h"
#include "os.h"
#include "parser.h"
#include "repl.h"
#include "text_format.h"
#include "token.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kVersion = "Pellix 0.1.0";

constexpr std::string_view kHelp =
    "Pellix \u2014 the first programming language designed for AI\n"
    "\n"
    "Usage:\n"
    "  pellix                                Open interactive REPL\n"
    "  pellix run <file.plx> [flow] [args]   Run a .plx file\n"
    "  pellix run <file.plx> --pretend        Dry run (no real actions)\n"
    "  pellix check <file.plx>               Parse, verify, and type check\n"
    "  pellix test <file.plx>                Run inline tests\n"
    "  pellix cost <file.plx>                Analyze AI costs\n"
    "  pellix show <file.plx>                Human-readable summary\n"
    "  pellix serve <file.plx> [--port N]    Start API server (default: 3000)\n"
    "  pellix bench <file.plx> [--runs N]    Benchmark flows (default: 10 runs)\n"
    "  pellix install <capability>           Install a capability\n"
    "  pellix uninstall <capability>         Remove a capability\n"
    "  pellix list                           List installed capabilities\n"
    "  pellix watch <file.plx>               Recheck on every file change\n"
    "  pellix parse <file.plx>               Show the syntax tree\n"
    "  pellix tokens <file.plx>              Show all tokens\n"
    "  pellix new [file.plx]                 Create a new .plx file\n"
    "  pellix version                        Show version\n"
    "  pellix help                           Show this message\n";

constexpr std::string_view kUnknownCommand = "Unknown command: ";
constexpr std::string_view kCouldNotRead = "Could not read ";
constexpr std::string_view kLexerError = "Lexer error: ";
constexpr std::string_view kErrorAt = "\n  error at ";
constexpr std::string_view kInvalidUtf8 = "invalid UTF-8 at line ";

constexpr std::string_view kSourceExtension = ".plx";
constexpr std::string_view kDefaultNewFile = "app.plx";
constexpr std::uint64_t kDefaultRuns = 10;
constexpr std::uint16_t kDefaultPort = 3000;

enum class Command {
  Run,
  Check,
  Test,
  Cost,
  Show,
  Serve,
  Bench,
  Install,
  Uninstall,
  List,
  Watch,
  Parse,
  Tokens,
  New,
  Version,
  Help,
};

struct CommandEntry {
  std::string_view word;
  Command command;
  std::string_view usage;  // empty when the command needs no operand
};

constexpr std::array<CommandEntry, 18> kCommands = {{
    {"run", Command::Run, "Usage: pellix run <file.plx> [flow] [args]"},
    {"check", Command::Check, "Usage: pellix check <file.plx>"},
    {"test", Command::Test, "Usage: pellix test <file.plx>"},
    {"cost", Command::Cost, "Usage: pellix cost <file.plx>"},
    {"show", Command::Show, "Usage: pellix show <file.plx>"},
    {"serve", Command::Serve, "Usage: pellix serve <file.plx> [--port N]"},
    {"bench", Command::Bench, "Usage: pellix bench <file.plx> [--runs N]"},
    {"install", Command::Install, "Usage: pellix install <capability>"},
    {"uninstall", Command::Uninstall, "Usage: pellix uninstall <capability>"},
    {"list", Command::List, ""},
    {"watch", Command::Watch, "Usage: pellix watch <file.plx>"},
    {"parse", Command::Parse, "Usage: pellix parse <file.plx>"},
    {"tokens", Command::Tokens, "Usage: pellix tokens <file.plx>"},
    {"new", Command::New, ""},
    {"version", Command::Version, ""},
    {"--version", Command::Version, ""},
    {"help", Command::Help, ""},
    {"--help", Command::Help, ""},
}};

std::optional<CommandEntry> find_command(std::string_view word) {
  const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                  [word](const CommandEntry& entry) { return entry.word == word; });
  if (found == kCommands.end()) return std::nullopt;
  return *found;
}

bool is_source_path(std::string_view word) {
  return word.size() >= kSourceExtension.size() && word.ends_with(kSourceExtension);
}

// "invalid UTF-8 at line {line}, column {column}", counting code points as the lexer does.
std::string describe_invalid_utf8(std::string_view text, std::size_t offset) {
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n') {
      ++line;
      column = 1;
    } else if ((byte & 0xC0) != 0x80) {
      ++column;
    }
  }
  std::string reason(kInvalidUtf8);
  append_unsigned(reason, line);
  reason += ", column ";
  append_unsigned(reason, column);
  return reason;
}

std::optional<std::uint64_t> option_value(const std::vector<std::string>& args,
                                          std::string_view option, std::uint64_t maximum) {
  const auto found = std::find(args.begin(), args.end(), option);
  if (found == args.end() || found + 1 == args.end()) return std::nullopt;
  return parse_unsigned(*(found + 1), maximum);
}

int print_help(Console& console) {
  console.out << kHelp;
  return 0;
}

int print_version(Console& console) {
  console.out << kVersion << '\n';
  return 0;
}

int print_syntax_tree(const std::string& path, Console& console) {
  const auto program = load_program(path, console);
  if (!program) return 1;
  write_program(console.out, *program);
  console.out << '\n';
  return 0;
}

int dump_tokens(const std::string& path, Console& console) {
  auto source = read_source(path);
  if (!source) {
    console.err << source.error().message << '\n';
    return 1;
  }
  Lexer lexer(std::move(*source));
  auto tokens = lexer.tokenize();
  if (!tokens) {
    console.err << kLexerError << tokens.error().text() << '\n';
    return 1;
  }
  write_token_dump(console.out, *tokens);
  return 0;
}

int dispatch(Command command, const std::vector<std::string>& args, Console& console) {
  const auto operand = [&args]() -> const std::string& { return args[2]; };
  switch (command) {
    case Command::Tokens:
      return dump_tokens(operand(), console);
    case Command::Version:
      return print_version(console);
    case Command::Help:
      return print_help(console);
    case Command::Run:
      return run_command(args, console);
    case Command::Check:
      return check_command(operand(), console);
    case Command::Test:
      return test_command(operand(), console);
    case Command::Cost:
      return cost_command(operand(), console);
    case Command::Show:
      return show_command(operand(), console);
    case Command::Serve:
      return serve_command(args, console);
    case Command::Bench:
      return bench_command(args, console);
    case Command::Parse:
      return print_syntax_tree(operand(), console);
    case Command::Watch:
      watch_command(operand(), console);
    case Command::Install:
      return install_command(operand(), console);
    case Command::Uninstall:
      return uninstall_command(operand(), console);
    case Command::List:
      return list_command(console);
    case Command::New:
      return new_command(args.size() > 2 ? args[2] : std::string(kDefaultNewFile), console);
  }
  return 1;
}

}  // namespace

Result<std::string> read_source(const std::string& path) {
  auto content = os::read_file(path);
  std::string reason;
  if (!content) {
    reason = std::move(content).error().message;
  } else if (const auto bad = find_invalid_utf8(*content)) {
    reason = describe_invalid_utf8(*content, *bad);
  } else {
    return std::move(*content);
  }
  std::string message(kCouldNotRead);
  message.append(path).append(": ").append(reason);
  return fail(std::move(message));
}

std::optional<Program> load_program(const std::string& path, Console& console) {
  auto source = read_source(path);
  if (!source) {
    console.err << source.error().message << '\n';
    return std::nullopt;
  }
  const auto report = [&](const std::string& error) {
    console.err << kErrorAt << path << ":\n  " << error << "\n\n";
  };
  auto tokens = Lexer(std::move(*source)).tokenize();
  if (!tokens) {
    report(tokens.error().text());
    return std::nullopt;
  }
  auto program = Parser(*tokens).parse();
  if (!program) {
    report(program.error().text());
    return std::nullopt;
  }
  return std::move(*program);
}

bool print_diagnostics(const Program& program, Console& console) {
  const CheckReport report = Checker().check(program);
  console.err << render_diagnostics(report);
  return report.errors.empty();
}

std::uint64_t runs_option(const std::vector<std::string>& args) {
  return option_value(args, "--runs", std::numeric_limits<std::uint64_t>::max())
      .value_or(kDefaultRuns);
}

std::uint16_t port_option(const std::vector<std::string>& args) {
  const auto port = option_value(args, "--port", std::numeric_limits<std::uint16_t>::max());
  return port ? static_cast<std::uint16_t>(*port) : kDefaultPort;
}

int run_command_line(const std::vector<std::string>& args, Console& console) {
  if (args.size() < 2) {
    start_repl(console.in, console.out,
               console.in_and_out_are_terminals ? LineEditing::On : LineEditing::Off);
    return 0;
  }

  const std::string& word = args[1];
  if (const auto entry = find_command(word)) {
    if (!entry->usage.empty() && args.size() == 2) {
      console.err << entry->usage << '\n';
      return 1;
    }
    return dispatch(entry->command, args, console);
  }
  if (is_source_path(word)) return check_command(word, console);

  console.err << kUnknownCommand << word << '\n';
  print_help(console);
  return 1;
}

}  // namespace pellix

// The manual page, the usage text and the README's command table describe
// exactly the commands of the command table: every word once, none extra,
// each with the table's parameter synopsis.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/command_table.h"
#include "run_program.h"

namespace photofilter {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;  // word, synopsis

std::string read_file(const char *path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string trimmed(const std::string &text, const char *blanks = " ") {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Man page text as it reads: "\-" is a minus, "\:" a place to break a line.
std::string unescaped(std::string text) {
  for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
  for (size_t at; (at = text.find("\\:")) != std::string::npos;) text.erase(at, 2);
  return text;
}

// In the COMMANDS section every entry is a ".TP" followed by
// `.BI \-word " synopsis"`.
Entries man_page_entries(const std::string &page) {
  Entries entries;
  bool in_commands = false;
  std::string previous;
  for (const std::string &line : lines_of(page)) {
    if (line.rfind(".SH", 0) == 0) in_commands = line == ".SH COMMANDS";
    if (in_commands && previous == ".TP" && line.rfind(".BI ", 0) == 0) {
      const size_t blank = line.find(' ', 4);
      const size_t open = line.find('"', blank);
      const size_t close = line.rfind('"');
      entries.emplace_back(unescaped(line.substr(4, blank - 4)),
                           trimmed(unescaped(line.substr(open + 1, close - open - 1))));
    }
    previous = line;
  }
  return entries;
}

// In the "commands:" block every entry starts with "  -word  synopsis".
Entries usage_entries(const std::string &usage) {
  Entries entries;
  bool in_commands = false;
  for (const std::string &line : lines_of(usage)) {
    if (line.empty() || line[0] != ' ') in_commands = line == "commands:";
    if (in_commands && line.rfind("  -", 0) == 0) {
      const size_t blank = line.find(' ', 2);
      entries.emplace_back(line.substr(2, blank - 2), trimmed(line.substr(blank)));
    }
  }
  return entries;
}

// In the "## Commands" section every row starts with "| `-word` | `synopsis` |".
Entries readme_entries(const std::string &readme) {
  Entries entries;
  bool in_commands = false;
  for (const std::string &line : lines_of(readme)) {
    if (line.rfind("## ", 0) == 0) in_commands = line == "## Commands";
    if (in_commands && line.rfind("| `-", 0) == 0) {
      std::vector<std::string> cells;
      std::istringstream row(line.substr(1));
      for (std::string cell; std::getline(row, cell, '|');) cells.push_back(trimmed(cell, " `"));
      entries.emplace_back(cells.at(0), cells.at(1));
    }
  }
  return entries;
}

TEST(Docs, ManPageUsageAndReadmeNameExactlyTheCommandTable) {
  std::map<std::string, std::string> table;
  for (const Command &command : command_table()) table[command.word] = command.synopsis;

  const testing::ProgramResult usage = testing::run_photofilter({"--help"}, "");
  const std::pair<const char *, Entries> documents[] = {
      {"man page", man_page_entries(read_file(PHOTOFILTER_MAN_PAGE))},
      {"--help", usage_entries(usage.out)},
      {"README", readme_entries(read_file(PHOTOFILTER_README))},
  };
  for (const auto &[document, entries] : documents) {
    const std::map<std::string, std::string> described(entries.begin(), entries.end());
    EXPECT_EQ(described, table) << document;
    EXPECT_EQ(entries.size(), described.size()) << document << " names a command twice";
  }
}

}  // namespace
}  // namespace photofilter

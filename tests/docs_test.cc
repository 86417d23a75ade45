// The manual page, the usage text and the README's command tables describe
// exactly the commands of the command table: every word once, none extra,
// each with the table's parameter synopsis, under its family's heading in
// the family order, and with the table's line on which way its numbers act.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

struct Entry {
  std::string heading;  // of the family section it stands in, in lower case
  std::string word;
  std::string synopsis;
  std::string text;  // what the document says about the command
};

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

std::string lower_case(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool starts_with(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// Man page text as it reads: "\-" is a minus, "\:" a place to break a line.
std::string unescaped(std::string text) {
  for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
  for (size_t at; (at = text.find("\\:")) != std::string::npos;) text.erase(at, 2);
  return text;
}

// In the COMMANDS section every family is a `.SS` heading and every entry
// a ".TP" followed by `.BI \-word " synopsis"` and its text.
std::vector<Entry> man_page_entries(const std::string &page) {
  std::vector<Entry> entries;
  bool in_commands = false, in_entry = false;
  std::string heading, previous;
  for (const std::string &line : lines_of(page)) {
    if (starts_with(line, ".SH")) in_commands = line == ".SH COMMANDS";
    if (starts_with(line, ".SH") || starts_with(line, ".SS ")) in_entry = false;
    if (in_commands && starts_with(line, ".SS ")) {
      heading = lower_case(trimmed(line.substr(4), " \""));
    } else if (in_commands && previous == ".TP" && starts_with(line, ".BI ")) {
      const size_t blank = line.find(' ', 4);
      const size_t open = line.find('"', blank);
      const size_t close = line.rfind('"');
      entries.push_back({heading, unescaped(line.substr(4, blank - 4)),
                         trimmed(unescaped(line.substr(open + 1, close - open - 1))), ""});
      in_entry = true;
    } else if (in_entry && line != ".TP") {
      entries.back().text += unescaped(line) + " ";
    }
    previous = line;
  }
  return entries;
}

// Between "commands, by family:" and "examples:" every family heading is a
// line of its own ending in ':', every entry starts with "  -word  synopsis"
// and its text follows on lines indented by nine blanks.
std::vector<Entry> usage_entries(const std::string &usage) {
  std::vector<Entry> entries;
  bool in_commands = false;
  std::string heading;
  for (const std::string &line : lines_of(usage)) {
    if (line == "commands, by family:" || line == "examples:") {
      in_commands = line != "examples:";
      continue;
    }
    if (!in_commands || line.empty()) continue;
    if (line[0] != ' ' && line.back() == ':') {
      heading = line.substr(0, line.size() - 1);
    } else if (starts_with(line, "  -")) {
      const size_t blank = line.find(' ', 2);
      entries.push_back({heading, line.substr(2, blank - 2), trimmed(line.substr(blank)), ""});
    } else if (starts_with(line, "         ") && !entries.empty()) {
      entries.back().text += trimmed(line) + " ";
    }
  }
  return entries;
}

// In the "## Commands" section every family is a "### " heading and every
// row starts with "| `-word` | `synopsis` | text |".
std::vector<Entry> readme_entries(const std::string &readme) {
  std::vector<Entry> entries;
  bool in_commands = false;
  std::string heading;
  for (const std::string &line : lines_of(readme)) {
    if (starts_with(line, "## ")) in_commands = line == "## Commands";
    if (!in_commands) continue;
    if (starts_with(line, "### ")) heading = lower_case(line.substr(4));
    if (starts_with(line, "| `-")) {
      std::vector<std::string> cells;
      std::istringstream row(line.substr(1));
      for (std::string cell; std::getline(row, cell, '|');) cells.push_back(trimmed(cell, " `"));
      entries.push_back({heading, cells.at(0), cells.at(1), cells.at(2)});
    }
  }
  return entries;
}

std::vector<std::pair<const char *, std::vector<Entry>>> documents() {
  return {{"man page", man_page_entries(read_file(PHOTOFILTER_MAN_PAGE))},
          {"--help", usage_entries(testing::run_photofilter({"--help"}, "").out)},
          {"README", readme_entries(read_file(PHOTOFILTER_README))}};
}

TEST(Docs, ManPageUsageAndReadmeNameExactlyTheCommandTable) {
  std::map<std::string, std::string> table;
  for (const Command &command : command_table()) table[command.word] = command.synopsis;

  for (const auto &[document, entries] : documents()) {
    std::map<std::string, std::string> described;
    for (const Entry &entry : entries) described[entry.word] = entry.synopsis;
    EXPECT_EQ(described, table) << document;
    EXPECT_EQ(entries.size(), described.size()) << document << " names a command twice";
  }
}

// Families in the order of kFamilies, each command under its own family's
// heading, in the table's order within the family, and with its direction.
TEST(Docs, ManPageUsageAndReadmeListTheFamiliesInOrderWithTheirDirections) {
  std::vector<std::pair<std::string, std::string>> listing;  // heading, word
  for (const Family family : kFamilies) {
    for (const Command &command : command_table()) {
      if (command.family == family) listing.emplace_back(family_heading(family), command.word);
    }
  }
  ASSERT_EQ(listing.size(), command_table().size()) << "a command without a listed family";

  for (const auto &[document, entries] : documents()) {
    std::vector<std::pair<std::string, std::string>> listed;
    for (const Entry &entry : entries) {
      listed.emplace_back(entry.heading, entry.word);
      const Command *command = find_command(entry.word);
      if (command == nullptr) continue;
      EXPECT_NE(std::string(command->direction), "") << command->word;
      EXPECT_NE(entry.text.find(command->direction), std::string::npos)
          << document << " on " << entry.word << " lacks \"" << command->direction
          << "\" in: " << entry.text;
    }
    EXPECT_EQ(listed, listing) << document;
  }
}

}  // namespace
}  // namespace photofilter

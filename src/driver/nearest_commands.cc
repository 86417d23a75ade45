#include "driver/nearest_commands.h"

#include <algorithm>
#include <cctype>

#include "driver/command_table.h"

namespace photofilter {
namespace {

constexpr size_t kMostWords = 3;
constexpr size_t kFarthest = 2;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// The edit distance between a and b, letters compared without case.
size_t distance(std::string_view a, std::string_view b) {
  std::vector<size_t> previous(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t substitution = previous[j - 1] + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

}  // namespace

std::vector<std::string_view> nearest_command_words(std::string_view word) {
  struct Candidate {
    size_t distance;
    std::string_view word;
  };
  std::vector<Candidate> near;
  for (const Command &command : command_table()) {
    const size_t d = distance(word, command.word);
    if (d <= kFarthest) near.push_back({d, command.word});
  }
  std::stable_sort(near.begin(), near.end(), [](const Candidate &a, const Candidate &b) {
    return a.distance < b.distance;
  });
  std::vector<std::string_view> words;
  for (size_t k = 0; k < near.size() && k < kMostWords; ++k) words.push_back(near[k].word);
  return words;
}

std::string nearest_commands_line(std::string_view word) {
  std::string line = "photofilter --help lists the commands";
  const std::vector<std::string_view> words = nearest_command_words(word);
  for (size_t k = 0; k < words.size(); ++k) {
    line += k == 0 ? "; nearest: " : ", ";
    line += words[k];
  }
  return line + "\n";
}

}  // namespace photofilter

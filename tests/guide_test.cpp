// The authors' guide (docs/scenario-format.md) against the readers: every
// example box is read by the line or train source reader inside a minimal
// file and must do what its tag line says; the starter quotes must be lines
// of examples/starter; and every keyword word the readers test must be named
// in the guide, with the right case rule, and no other.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "driver/post_processing.h"
#include "format/record_fields.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using compila::scenario_model;
using compila::testing::compiled_model;
using compila::testing::line_source;
using compila::testing::read_file;
using compila::testing::train_source;

const fs::path source_dir = COMPILA_SOURCE_DIR;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

const std::string& guide_text() {
  static const std::string text = read_file(source_dir / "docs/scenario-format.md");
  return text;
}

// One fenced box of the guide: ```tag expectations, its lines, where it starts.
struct example {
  std::string tag;
  std::string expectations;
  std::vector<std::string> lines;
  int guide_line = 0;
};

std::vector<example> guide_examples() {
  std::vector<example> examples;
  const std::vector<std::string> lines = lines_of(guide_text());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("```", 0) != 0) continue;
    example e;
    e.guide_line = static_cast<int>(i) + 1;
    const std::string info = lines[i].substr(3);
    const std::size_t space = info.find(' ');
    e.tag = info.substr(0, space);
    if (space != std::string::npos) e.expectations = info.substr(space + 1);
    for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i) e.lines.push_back(lines[i]);
    examples.push_back(e);
  }
  return examples;
}

std::string joined_crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Records placed after every example: read only when the stream is still in
// step once the example's records have taken their values.
constexpr char line_sentinel[] = "indicatori_vmax,  11000,  10,  10,  10,  0,  10,  10,  10,  0\r\n";
constexpr int line_sentinel_cell = 221;  // 11000 / 50 + 1
constexpr char train_sentinel[] = "abbattimento,  11000,  77\r\n";
constexpr int train_sentinel_cell = 220;  // 11000 / 50
constexpr int route_length_m = 5000;
constexpr char empty_train[] = "[generale]\r\n[fine]\r\n";

bool names_route_length(const std::string& text) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("lunghezza") != std::string::npos && lower.find("percorso") != std::string::npos;
}

// The model a build makes of the example's records within their minimal
// files, through both readers and the automatic reduction points.
// A general-section example that gives its own route length is read, and
// compared, without the default one.
scenario_model read_example(const std::string& tag, const std::string& records, bool default_length = true) {
  scenario_model model;
  if (tag == "linea-generale") {
    const std::string length =
        default_length ? "lunghezza percorso,    " + std::to_string(route_length_m) + "\r\n" : "";
    model =
        compiled_model("[generale]\r\n" + length + records + "[curve]\r\n" + line_sentinel + "[fine]\r\n", empty_train);
  } else if (tag == "linea") {
    model = compiled_model(line_source(records + line_sentinel, route_length_m), empty_train);
  } else {
    model = compiled_model(line_source("", route_length_m), train_source(records + train_sentinel));
  }
  compila::post_process_track(model);
  return model;
}

bool sentinel_read(const std::string& tag, const scenario_model& model) {
  if (tag == "treno") {
    const auto& cell = model.cells.at(train_sentinel_cell);
    return cell.cell_type == 12 && cell.param_1 == 77;
  }
  const auto& cell = model.cells.at(line_sentinel_cell);
  return cell.cell_type == 6 && cell.param_1 == 202;
}

bool same_model(const scenario_model& a, const scenario_model& b) {
  return a.cells == b.cells && a.items == b.items && a.track_plan == b.track_plan &&
         a.mountain_count == b.mountain_count && a.error_kind == b.error_kind;
}

using field_reader_fn = std::function<std::string(const scenario_model&, int)>;

// A field's value as the guide's examples write it: a number, or an item's text.
template <typename Value>
std::string field_text(const Value& value) {
  if constexpr (std::is_same_v<Value, std::string>) return value;
  else return std::to_string(+value);
}

// The fields by the names the guide uses, which are the binary records' own.
template <typename Fields, typename Records>
std::map<std::string, field_reader_fn> fields_by_name(const Fields& table, Records scenario_model::*records) {
  std::map<std::string, field_reader_fn> fields;
  compila::for_each_field(table, [&](const auto& field) {
    fields[std::string(field.name)] = [member = field.member, records](const scenario_model& m, int i) {
      return field_text((m.*records).at(i).*member);
    };
  });
  return fields;
}

const std::map<std::string, field_reader_fn>& cell_fields() {
  static const auto fields = fields_by_name(compila::track_cell_fields, &scenario_model::cells);
  return fields;
}

const std::map<std::string, field_reader_fn>& item_fields() {
  static const auto fields = fields_by_name(compila::item_fields, &scenario_model::items);
  return fields;
}

std::string trimmed(const std::string& s) {
  const std::size_t begin = s.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(' ') - begin + 1);
}

std::vector<std::string> split(const std::string& s, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, separator))
    if (!trimmed(part).empty()) parts.push_back(trimmed(part));
  return parts;
}

// What an example's tag line asks: "nothing" (the model is as without the
// example), "diagnostic=N", and "cell N: field=value ..." / "item N: ...".
struct expectation {
  bool nothing = false;
  int diagnostic = 0;
  struct field_check {
    std::string table, field, value;
    int index = 0;
  };
  std::vector<field_check> fields;
};

// Parses the tag line; a part it cannot understand fails the test, so that
// a misspelt check cannot quietly check nothing.
expectation parse_expectations(const std::string& text, const std::string& where) {
  expectation e;
  for (const std::string& part : split(text, ';')) {
    if (part == "nothing") {
      e.nothing = true;
      continue;
    }
    if (part.rfind("diagnostic=", 0) == 0) {
      e.diagnostic = std::stoi(part.substr(11));
      continue;
    }
    std::istringstream in(part);
    std::string table, index;
    in >> table >> index;
    const bool known_table = table == "cell" || table == "item";
    if (!known_table || index.empty() || index.back() != ':') {
      ADD_FAILURE() << where << ": cannot understand the check \"" << part << "\"";
      continue;
    }
    const auto& known = table == "cell" ? cell_fields() : item_fields();
    for (std::string pair; in >> pair;) {
      const std::size_t equals = pair.find('=');
      const std::string field = pair.substr(0, equals);
      if (equals == std::string::npos || known.count(field) == 0) {
        ADD_FAILURE() << where << ": unknown field in \"" << pair << "\"";
        continue;
      }
      e.fields.push_back({table, field, pair.substr(equals + 1), std::stoi(index)});
    }
  }
  return e;
}

void check_record_example(const example& ex) {
  const std::string where = "guide line " + std::to_string(ex.guide_line) + " (" + ex.tag + ")";
  SCOPED_TRACE(where);
  const expectation expected = parse_expectations(ex.expectations, where);
  const std::string records = joined_crlf(ex.lines);
  const bool default_length = !names_route_length(records);
  const scenario_model model = read_example(ex.tag, records, default_length);
  ASSERT_TRUE(model.has_cells()) << "no track was built";

  EXPECT_EQ(model.error_kind, expected.diagnostic) << model.diagnostic.detail;
  // A record that stops the reading leaves the records after it unread.
  if (expected.diagnostic == 0) {
    EXPECT_TRUE(sentinel_read(ex.tag, model)) << "the record after the example was not read in step";
  }
  const scenario_model without = read_example(ex.tag, "", default_length);
  if (expected.nothing) {
    EXPECT_TRUE(same_model(model, without)) << "the example changed the model";
  } else {
    EXPECT_FALSE(same_model(model, without)) << "the example was not recognised: nothing changed";
  }

  for (const auto& check : expected.fields) {
    const auto& fields = check.table == "cell" ? cell_fields() : item_fields();
    EXPECT_EQ(fields.at(check.field)(model, check.index), check.value)
        << check.table << " " << check.index << " " << check.field;
  }
}

// A starter quote: its lines are lines of the starter's file, in order.
void check_starter_quote(const example& ex) {
  const std::string file = ex.tag.substr(std::string("starter-").size()) + ".txt";
  SCOPED_TRACE("guide line " + std::to_string(ex.guide_line) + " quoting " + file);
  const std::vector<std::string> starter = lines_of(read_file(source_dir / "examples/starter" / file));
  ASSERT_FALSE(starter.empty()) << "no starter file " << file;
  std::size_t next = 0;
  for (const std::string& line : ex.lines) {
    std::size_t found = next;
    while (found < starter.size() && starter[found] != line) ++found;
    EXPECT_LT(found, starter.size()) << "not a line of the starter after the previous quote: \"" << line << "\"";
    if (found < starter.size()) next = found + 1;
  }
}

const std::set<std::string> record_tags{"linea", "linea-generale", "treno"};
const std::set<std::string> starter_tags{"starter-scenario", "starter-linea", "starter-treno"};

TEST(AuthorsGuide, EveryBoxIsACheckedExample) {
  const std::vector<example> examples = guide_examples();
  ASSERT_GT(examples.size(), 40u) << "the guide or its examples are missing";
  for (const example& ex : examples) {
    EXPECT_TRUE(record_tags.count(ex.tag) || starter_tags.count(ex.tag))
        << "guide line " << ex.guide_line << ": box tagged \"" << ex.tag << "\" is not checked";
    EXPECT_FALSE(ex.lines.empty()) << "guide line " << ex.guide_line << ": empty box";
    if (starter_tags.count(ex.tag)) {
      EXPECT_EQ(ex.expectations, "") << "guide line " << ex.guide_line;
    }
  }
}

TEST(AuthorsGuide, RecordExamplesReadAsTheGuideSays) {
  int checked = 0;
  for (const example& ex : guide_examples()) {
    if (!record_tags.count(ex.tag)) continue;
    check_record_example(ex);
    ++checked;
  }
  EXPECT_GT(checked, 30);
}

TEST(AuthorsGuide, StarterQuotesAreTheStartersLines) {
  int checked = 0;
  for (const example& ex : guide_examples()) {
    if (!starter_tags.count(ex.tag)) continue;
    check_starter_quote(ex);
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

// The keyword words one record-test function of a reader tests, each with
// whether it is compared exactly or in any case, taken from its source.
struct keyword_word {
  std::string word;
  bool any_case = false;
  bool operator<(const keyword_word& o) const { return std::tie(word, any_case) < std::tie(o.word, o.any_case); }
};

// The reader's record table (rows `{{"keyword", predicate}, &reader::method}`)
// names the predicates; each predicate is a chain of contains / contains_any_case calls.
std::set<keyword_word> tested_words(const std::string& source_file, const std::string& table) {
  const std::string source = read_file(source_dir / source_file);
  const std::size_t begin = source.find(" " + table + "{{");
  if (begin == std::string::npos) {
    ADD_FAILURE() << source_file << ": no table " << table << "; the guide's keyword check must follow it";
    return {};
  }
  const std::string rows = source.substr(begin, source.find("}};", begin) - begin);
  std::set<keyword_word> words;
  const std::regex row(R"re(\{"[^"]+",\s*(\w+)\})re");
  const std::regex call(R"re(\b(contains_any_case|contains)\(\s*f\s*,\s*"([^"]+)")re");
  const std::regex literal(R"re("[^"]*")re");
  for (auto r = std::sregex_iterator(rows.begin(), rows.end(), row); r != std::sregex_iterator(); ++r) {
    const std::string predicate = (*r)[1];
    const std::size_t at = source.find("bool " + predicate + "(std::string_view f) {");
    if (at == std::string::npos) {
      ADD_FAILURE() << table << ": no predicate " << predicate;
      continue;
    }
    const std::string body = source.substr(at, source.find("}\n", at) - at);
    int calls = 0;
    for (auto it = std::sregex_iterator(body.begin(), body.end(), call); it != std::sregex_iterator(); ++it) {
      words.insert({(*it)[2], (*it)[1] != "contains"});
      ++calls;
    }
    // Every string in the predicate must be a keyword test found above.
    const auto literals =
        std::distance(std::sregex_iterator(body.begin(), body.end(), literal), std::sregex_iterator());
    EXPECT_EQ(literals, calls) << predicate << " tests a word in a way this check does not see";
  }
  return words;
}

// The guide's part under a "## " heading, up to the next one.
std::string guide_part(const std::string& heading) {
  const std::string& text = guide_text();
  const std::size_t begin = text.find("\n## " + heading + "\n");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find("\n## ", begin + 1) - begin);
}

// The "Keyword:" paragraphs of a part, each joined into one line.
std::vector<std::string> keyword_paragraphs(const std::string& part) {
  std::vector<std::string> paragraphs;
  std::string current;
  bool inside = false;
  for (const std::string& line : lines_of(part)) {
    if (line.rfind("Keyword:", 0) == 0) inside = true;
    if (inside && trimmed(line).empty()) {
      paragraphs.push_back(current);
      current.clear();
      inside = false;
    }
    if (inside) current += line + " ";
  }
  if (inside) paragraphs.push_back(current);
  return paragraphs;
}

// The words a Keyword paragraph quotes, each with the case rule that follows it.
std::set<keyword_word> named_words(const std::string& paragraph) {
  std::set<keyword_word> words;
  const std::regex quoted(R"re("([^"]+)")re");
  for (auto it = std::sregex_iterator(paragraph.begin(), paragraph.end(), quoted); it != std::sregex_iterator(); ++it) {
    const std::size_t after = static_cast<std::size_t>(it->position() + it->length());
    const std::size_t any = paragraph.find("any case", after), exact = paragraph.find("exact case", after);
    if (any == std::string::npos && exact == std::string::npos) {
      ADD_FAILURE() << "no case rule after \"" << (*it)[1] << "\" in: " << paragraph;
      continue;
    }
    words.insert({(*it)[1], any < exact});
  }
  return words;
}

struct reader_part {
  const char* heading;
  const char* source_file;
  const char* table;
};

const reader_part reader_parts[] = {
    {"The line source: general section", "src/line_compiler/line_source.cpp", "line_source_reader::general_records"},
    {"The line source: records", "src/line_compiler/line_source.cpp", "line_source_reader::line_records"},
    {"The train source: records", "src/train_compiler/train_source.cpp", "train_source_reader::records"},
};

TEST(AuthorsGuide, NamesEveryKeywordTheReadersTestWithItsCaseRule) {
  for (const reader_part& part : reader_parts) {
    SCOPED_TRACE(part.heading);
    const std::set<keyword_word> in_code = tested_words(part.source_file, part.table);
    ASSERT_GE(in_code.size(), 5u);
    const std::string text = guide_part(part.heading);
    ASSERT_FALSE(text.empty()) << "the guide has no part \"" << part.heading << "\"";
    std::set<keyword_word> in_guide;
    for (const std::string& paragraph : keyword_paragraphs(text))
      for (const keyword_word& w : named_words(paragraph)) in_guide.insert(w);
    for (const keyword_word& w : in_code)
      EXPECT_TRUE(in_guide.count(w)) << "the guide does not name \"" << w.word << "\" ("
                                     << (w.any_case ? "any case" : "exact case") << ")";
    for (const keyword_word& w : in_guide)
      EXPECT_TRUE(in_code.count(w)) << "the guide names \"" << w.word << "\" ("
                                    << (w.any_case ? "any case" : "exact case") << "), which the reader does not test";
  }
}

// Each record of the three parts (a "#### " heading) has a Keyword paragraph
// and at least one example that reads without a diagnostic.
TEST(AuthorsGuide, EveryRecordHasItsKeywordAndACleanExample) {
  for (const reader_part& part : reader_parts) {
    const std::vector<std::string> lines = lines_of(guide_part(part.heading));
    std::string record;
    bool keyword = false, clean_example = false;
    auto finish = [&] {
      if (record.empty()) return;
      EXPECT_TRUE(keyword) << record << ": no Keyword paragraph";
      EXPECT_TRUE(clean_example) << record << ": no example without a diagnostic";
    };
    for (const std::string& line : lines) {
      if (line.rfind("#### ", 0) == 0) {
        finish();
        record = line;
        keyword = clean_example = false;
      }
      if (line.rfind("Keyword:", 0) == 0) keyword = true;
      if (line.rfind("```", 0) == 0 && line.size() > 3 && line.find("diagnostic=") == std::string::npos) {
        const std::string info = line.substr(3);
        const std::string tag = info.substr(0, info.find(' '));
        if (record_tags.count(tag)) clean_example = true;
      }
    }
    finish();
  }
}

}  // namespace

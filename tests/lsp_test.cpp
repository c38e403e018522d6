// scenario_tool lsp: the message framing against broken input, the one
// conversion of editor positions, document URIs, and the server at the
// protocol level (diagnostics of a folder whose files are open, on disk or
// missing, hovers, completion, signature help and symbols), then the real
// program answering over its standard input and output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "line_compiler/line_source.h"
#include "platform/platform.h"
#include "platform/utf8_path.h"
#include "test_support.h"
#include "tool/lsp/document_uri.h"
#include "tool/lsp/language_server.h"
#include "tool/lsp/message_stream.h"
#include "tool/lsp/record_guide.h"
#include "tool/lsp/text_positions.h"
#include "train_compiler/train_source.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using lsp::framed_message;

// ---- framing ----

// What the reader gives for `input`: "B:body" or "P" (a problem) each, until the end.
std::vector<std::string> read_all(const std::string& input, std::size_t max_body = lsp::default_max_body) {
  std::istringstream stream(input);
  lsp::message_reader reader(stream, max_body);
  std::vector<std::string> seen;
  for (framed_message m = reader.next(); m.what != framed_message::kind::end; m = reader.next()) {
    seen.push_back(m.what == framed_message::kind::body ? "B:" + m.text : "P");
    if (seen.size() > 20) break;  // a reader that loops
  }
  return seen;
}

TEST(LspFraming, EachBrokenFrameIsReportedAndTheNextMessageStillReads) {
  const std::string next = lsp::framed("{\"n\":2}");
  struct frame_case {
    const char* what;
    std::string input;
    std::vector<std::string> expected;
  } cases[] = {
      {"two messages", lsp::framed("{}") + next, {"B:{}", "B:{\"n\":2}"}},
      {"another header and any case", "Content-Type: x\r\ncontent-LENGTH:  2 \r\n\r\n{}", {"B:{}"}},
      {"LF alone ends header lines", "Content-Length: 2\n\n{}", {"B:{}"}},
      {"a length that is no number", "Content-Length: 2x\r\n\r\n" + next, {"P", "B:{\"n\":2}"}},
      {"no length", "Content-Type: x\r\n\r\n{\"a\":1}" + next, {"P", "B:{\"n\":2}"}},
      {"a length given short", "Content-Length: 3\r\n\r\n{\"a\":1}" + next, {"B:{\"a", "B:{\"n\":2}"}},
      {"noise before a message", "garbage\r\n\r\n" + next, {"P", "B:{\"n\":2}"}},
      {"input ends inside a body", "Content-Length: 10\r\n\r\n{}", {"P"}},
      {"input ends inside a header", "Content-Length: 10", {"P"}},
      {"empty input", "", {}},
  };
  for (const frame_case& c : cases) EXPECT_EQ(read_all(c.input), c.expected) << c.what;
}

TEST(LspFraming, ABodyAboveTheLimitIsPassedOverWithoutBeingHeld) {
  const std::string big = lsp::framed(std::string(5000, 'x'));
  EXPECT_EQ(read_all(big + lsp::framed("{}"), 1000), (std::vector<std::string>{"P", "B:{}"}));
  // A length far beyond the input neither hangs nor allocates it.
  EXPECT_EQ(read_all("Content-Length: 99999999999999\r\n\r\n{}", 1000), (std::vector<std::string>{"P"}));
}

// ---- positions ----

TEST(LspPositions, Utf16ColumnsAndBytesConvertBothWays) {
  // "è" is 2 bytes and 1 unit, "€" 3 bytes and 1 unit, "😀" 4 bytes and 2 units.
  const std::string line = "a\xc3\xa8\xe2\x82\xac\xf0\x9f\x98\x80z";
  struct column_case {
    std::int64_t units;
    std::size_t byte;
  } cases[] = {{0, 0}, {1, 1}, {2, 3}, {3, 6}, {5, 10}, {6, 11}};
  for (const column_case& c : cases) {
    EXPECT_EQ(lsp::byte_column(line, c.units), c.byte) << c.units;
    EXPECT_EQ(lsp::utf16_column(line, c.byte), c.units) << c.byte;
  }
  EXPECT_EQ(lsp::byte_column(line, 4), 6u) << "a column inside a surrogate pair goes to the character's start";
  EXPECT_EQ(lsp::byte_column(line, 99), line.size());
  // A byte that is no UTF-8 counts as one unit and is never skipped.
  EXPECT_EQ(lsp::byte_column("\xff\xfe"
                             "a",
                             2),
            2u);
  EXPECT_EQ(lsp::utf16_column("\xc3", 1), 1);
}

TEST(LspPositions, OffsetsCountEveryKindOfLineEnd) {
  const std::string text = "ab\r\nc\xc3\xa8\nd\re";
  EXPECT_EQ(lsp::byte_offset(text, {0, 2}), 2u);
  EXPECT_EQ(lsp::byte_offset(text, {0, 9}), 2u) << "clamped to the line, before its CR LF";
  EXPECT_EQ(lsp::byte_offset(text, {1, 2}), 7u);
  EXPECT_EQ(lsp::byte_offset(text, {2, 1}), 9u);
  EXPECT_EQ(lsp::byte_offset(text, {3, 0}), 10u);
  EXPECT_EQ(lsp::byte_offset(text, {7, 0}), text.size());
  EXPECT_EQ(lsp::line_text(text, 1), "c\xc3\xa8");
  EXPECT_EQ(lsp::line_starts(text), (std::vector<std::size_t>{0, 4, 8, 10}));
}

// ---- URIs ----

TEST(LspUris, FileUrisGiveTheirPathsAndBack) {
  EXPECT_EQ(lsp::path_of_uri("file:///tmp/Linea%20Pr%C3%B2va/linea.txt"), "/tmp/Linea Pr\xc3\xb2va/linea.txt");
  EXPECT_EQ(lsp::path_of_uri("file://localhost/tmp/a.txt"), "/tmp/a.txt");
  EXPECT_EQ(lsp::path_of_uri("untitled:Untitled-1"), std::nullopt);
  EXPECT_EQ(lsp::path_of_uri("file:///tmp/%G1"), std::nullopt);
  EXPECT_EQ(lsp::path_of_uri("file:///tmp/%00x"), std::nullopt);
  EXPECT_EQ(lsp::path_of_uri("file:///C:/Linee/linea.txt"),
            platform::on_windows ? "C:/Linee/linea.txt" : "/C:/Linee/linea.txt");
  EXPECT_EQ(lsp::path_of_uri("file:///c%3A/x"), platform::on_windows ? "c:/x" : "/c:/x");
  const std::string path = "/tmp/Linea Pr\xc3\xb2va #1/treno.txt";
  EXPECT_EQ(lsp::path_of_uri(lsp::uri_of_path(path)), path);
  EXPECT_EQ(lsp::split_path("/tmp/a b/linea.txt").folder, "/tmp/a b");
  EXPECT_EQ(lsp::split_path("/tmp/a b/linea.txt").name, "linea.txt");
}

// ---- the record table ----

TEST(LspRecords, EveryRecordTheReadersKnowIsDescribedOnceWithItsGuideHeading) {
  std::set<std::string_view> reader_records;
  for (const std::span<const keyword_test> tests : {general_record_tests(), line_record_tests(), train_record_tests()})
    for (const keyword_test& test : tests) reader_records.insert(test.record);
  std::set<std::string_view> described;
  const std::string guide = read_file(fs::path(COMPILA_SOURCE_DIR) / "docs" / "scenario-format.md");
  for (const lsp::record_info& record : lsp::record_infos()) {
    EXPECT_TRUE(described.insert(record.record).second) << record.record << " twice";
    EXPECT_FALSE(record.fields.empty()) << record.record;
    EXPECT_NE(guide.find(" — " + std::string(record.summary) + "\n"), std::string::npos)
        << record.record << ": the guide has no heading \"" << record.summary << "\"";
    // The snippet's keyword opens the record it stands for.
    EXPECT_EQ(lsp::record_of_field(record.written, record.part == lsp::record_part::train), &record) << record.written;
  }
  EXPECT_EQ(described, reader_records);
}

TEST(LspRecords, LinesSplitIntoFieldsAsTheReaderReadsThem) {
  struct split_case {
    std::string line;
    bool train;
    std::string record;               // empty: no record
    std::vector<std::string> fields;  // the text of each field
  } cases[] = {
      {"orologio,    7   59   30", true, "orologio", {"7", "59", "30"}},
      {"  pendenza,  1800,    6", false, "pendenza", {"1800", "6"}},
      {"indicatori_vmax,  1500,  100,  100,  100,  0,  ,  ,  ,  0",
       false,
       "indicatori_vmax",
       {"1500", "100", "100", "100", "0", "", "", "", "0"}},
      {"cartello_indicatore,  1100,  (GALLERIA)(m.300)  ", false, "cartello_indicatore", {"1100", "(GALLERIA)(m.300)"}},
      {"stazione, 0,4,1000,1,1,0,4,1,0,2,1,1,1,8,0,0, LA VALLE",
       true,
       "stazione",
       {"0", "4", "1000", "1", "1", "0", "4", "1", "0", "2", "1", "1", "1", "8", "0", "0", "LA VALLE"}},
      {"-- pendenza, 1800, 6", false, "", {}},
      {"pendenza, 1800, 6", true, "", {}},
      {"[curve]", false, "", {}},
  };
  for (const split_case& c : cases) {
    const lsp::record_line split = lsp::split_record_line(c.line, c.train);
    ASSERT_EQ(split.record == nullptr ? "" : std::string(split.record->record), c.record) << c.line;
    std::vector<std::string> texts;
    for (const lsp::field_span& f : split.fields) texts.push_back(c.line.substr(f.begin, f.end - f.begin));
    EXPECT_EQ(texts, c.fields) << c.line;
  }
}

TEST(LspRecords, AMisspeltKeywordIsMatchedOnlyWhenOneIsNearest) {
  struct nearest_case {
    std::string field;
    bool train;
    std::string expected;
  } cases[] = {
      {"pendenze", false, "pendenza"},
      {"PENDENZE", false, "pendenza"},
      {"stazoine", true, "stazione"},
      {"segnali", true, "segnale"},
      {"sfondo unx", false, "sfondo uno"},
      {"sfondo tue", false, ""},
      {"pendenza", true, ""},
      {"xyz", true, ""},
      {"", false, ""},
  };
  for (const nearest_case& c : cases) EXPECT_EQ(lsp::nearest_keyword(c.field, c.train), c.expected) << c.field;
}

// ---- the server ----

// One server, its messages kept.
struct session {
  std::vector<json> sent;
  lsp::language_server server{[this](const json& m) { sent.push_back(m); }};

  void send(const json& message) { server.handle(message.dump()); }
  void request(int id, const std::string& method, const json& params = json::object()) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  }
  void notify(const std::string& method, const json& params = json::object()) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  void initialize() {
    request(1, "initialize", {{"capabilities", json::object()}});
    notify("initialized");
  }
  json response(int id) const {
    for (const json& m : sent)
      if (m.contains("id") && m["id"] == id) return m;
    return nullptr;
  }
  json result(int id) const { return response(id).value("result", json(nullptr)); }
  // The last diagnostics published for `uri`.
  json diagnostics(const std::string& uri) const {
    json last;
    for (const json& m : sent)
      if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri)
        last = m["params"]["diagnostics"];
    return last;
  }
  void open(const std::string& uri, const std::string& text) {
    notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "scenario"}, {"version", 1}, {"text", text}}}});
  }
  void edit(const std::string& uri, int line, int from, int to, const std::string& text) {
    notify("textDocument/didChange",
           {{"textDocument", {{"uri", uri}, {"version", 2}}},
            {"contentChanges",
             {{{"range",
                {{"start", {{"line", line}, {"character", from}}}, {"end", {{"line", line}, {"character", to}}}}},
               {"text", text}}}}});
  }
  json at(int id, const std::string& method, const std::string& uri, int line, int character) {
    request(id, method, {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}});
    return result(id);
  }
};

int error_code(const json& response) { return response.is_object() ? response["error"].value("code", 0) : 0; }

TEST(LspServer, BadMessagesGetErrorsAndTheServerGoesOn) {
  session s;
  s.request(7, "textDocument/hover");
  EXPECT_EQ(error_code(s.response(7)), -32002) << "a request before initialize";
  s.initialize();
  ASSERT_TRUE(s.result(1).contains("capabilities"));
  s.server.handle("{\"jsonrpc\": \"2.0\", \"id\": 3, ");
  EXPECT_EQ(error_code(s.sent.back()), -32700);
  EXPECT_TRUE(s.sent.back()["id"].is_null());
  s.server.handle(std::string("\"\xff\xfe\x00\x01\"", 6));
  EXPECT_EQ(error_code(s.sent.back()), -32700) << "binary bytes";
  s.server.handle("[1, 2]");
  EXPECT_EQ(error_code(s.sent.back()), -32600);
  s.request(4, "textDocument/frobnicate");
  EXPECT_EQ(error_code(s.response(4)), -32601);
  s.request(5, "textDocument/hover", {{"textDocument", 12}});
  EXPECT_EQ(error_code(s.response(5)), -32602);
  s.request(6, "textDocument/hover",
            {{"textDocument", {{"uri", "file:///nowhere/linea.txt"}}}, {"position", {{"line", 0}, {"character", 0}}}});
  EXPECT_EQ(error_code(s.response(6)), -32602) << "a document that is not open";
  const std::size_t before = s.sent.size();
  s.notify("textDocument/didChange", {{"contentChanges", "x"}});
  ASSERT_EQ(s.sent.size(), before + 1);
  EXPECT_EQ(s.sent.back()["method"], "window/logMessage") << "a broken notification is told in the log";
  s.request(8, "shutdown");
  EXPECT_TRUE(s.response(8).contains("result"));
  EXPECT_FALSE(s.server.finished());
  s.notify("exit");
  EXPECT_TRUE(s.server.finished());
  EXPECT_EQ(s.server.exit_status(), 0);
}

// Files changed by another program reach the server only where the client
// watches them: it is asked to once, where it can, and its answer (even a
// refusal) is no request of its own.
TEST(LspServer, AClientThatCanWatchFilesIsAskedToWatchTheFolders) {
  const auto registrations = [](const session& s) {
    std::vector<json> found;
    for (const json& m : s.sent)
      if (m.value("method", "") == "client/registerCapability") found.push_back(m);
    return found;
  };
  session plain;
  plain.initialize();
  EXPECT_TRUE(registrations(plain).empty()) << "a client without dynamic watchers is not asked";

  session watching;
  watching.request(1, "initialize",
                   {{"capabilities", {{"workspace", {{"didChangeWatchedFiles", {{"dynamicRegistration", true}}}}}}}});
  watching.notify("initialized");
  const std::vector<json> asked = registrations(watching);
  ASSERT_EQ(asked.size(), 1u);
  const json registration = asked[0]["params"]["registrations"][0];
  EXPECT_EQ(registration["method"], "workspace/didChangeWatchedFiles");
  const std::string pattern = registration["registerOptions"]["watchers"][0]["globPattern"];
  for (const char* name : {"scenario.txt", "linea.txt", "treno.txt", "scheda_treno.txt"})
    EXPECT_NE(pattern.find(name), std::string::npos) << pattern;
  const std::size_t before = watching.sent.size();
  watching.send({{"jsonrpc", "2.0"}, {"id", asked[0]["id"]}, {"error", {{"code", -32601}, {"message", "no"}}}});
  watching.send({{"jsonrpc", "2.0"}, {"id", asked[0]["id"]}, {"result", nullptr}});
  EXPECT_EQ(watching.sent.size(), before) << "an answer of the client is not answered";
}

TEST(LspServer, ExitWithoutShutdownEndsWithStatusOne) {
  session s;
  s.initialize();
  s.notify("exit");
  EXPECT_TRUE(s.server.finished());
  EXPECT_EQ(s.server.exit_status(), 1);
}

// The starter scenario copied into a folder whose name has a blank and an accent.
struct starter_folder {
  scratch_directory scratch;
  fs::path folder = scratch.path / "Linea Pr\xc3\xb2va";
  starter_folder() {
    fs::create_directories(folder);
    for (const fs::directory_entry& file :
         fs::directory_iterator(fs::path(COMPILA_SOURCE_DIR) / "examples" / "starter"))
      fs::copy_file(file.path(), folder / file.path().filename());
  }
  std::string path(const std::string& name) const { return utf8_text(folder / name); }
  std::string uri(const std::string& name) const { return lsp::uri_of_path(path(name)); }
  std::string text(const std::string& name) const { return read_file(folder / name); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(folder / name, std::ios::binary) << text;
  }
};

std::vector<std::string> codes_of(const json& diagnostics) {
  std::vector<std::string> codes;
  for (const json& d : diagnostics) codes.push_back(d.value("code", ""));
  return codes;
}

TEST(LspServer, AMistakeInTheEditorsTextIsShownAtItsFieldAndGoesWhenFixed) {
  starter_folder f;
  session s;
  s.initialize();
  std::string line = f.text("linea.txt");
  const std::size_t at = line.find("pendenza,  1800");
  line.replace(at, 8, "pendenze");
  s.open(f.uri("linea.txt"), line);
  const json found = s.diagnostics(f.uri("linea.txt"));
  ASSERT_EQ(codes_of(found), (std::vector<std::string>{"unknown-keyword"})) << found.dump(1);
  const int line_index = static_cast<int>(std::count(line.begin(), line.begin() + static_cast<long>(at), '\n'));
  EXPECT_EQ(found[0]["range"]["start"], json({{"line", line_index}, {"character", 0}}));
  EXPECT_EQ(found[0]["range"]["end"], json({{"line", line_index}, {"character", 8}}));
  EXPECT_EQ(found[0]["severity"], 1);
  // An edit of the one character puts it right.
  s.edit(f.uri("linea.txt"), line_index, 7, 8, "a");
  EXPECT_EQ(s.diagnostics(f.uri("linea.txt")), json::array());
}

TEST(LspServer, AMisspeltKeywordHasAQuickFix) {
  starter_folder f;
  session s;
  s.initialize();
  s.open(f.uri("linea.txt"), "[generale]\nlunghezza percorso, 5000\n[curve]\n  pendenze,  1800,  6\n");
  const json found = s.diagnostics(f.uri("linea.txt"));
  ASSERT_EQ(codes_of(found), (std::vector<std::string>{"unknown-keyword"}));
  s.request(2, "textDocument/codeAction",
            {{"textDocument", {{"uri", f.uri("linea.txt")}}},
             {"range", found[0]["range"]},
             {"context", {{"diagnostics", found}}}});
  const json actions = s.result(2);
  ASSERT_EQ(actions.size(), 1u) << actions.dump(1);
  const json edit = actions[0]["edit"]["changes"][f.uri("linea.txt")][0];
  EXPECT_EQ(edit["newText"], "pendenza");
  EXPECT_EQ(edit["range"]["start"], json({{"line", 3}, {"character", 2}}));
  EXPECT_EQ(edit["range"]["end"], json({{"line", 3}, {"character", 10}}));
}

TEST(LspServer, AChangeInOneFileRefreshesEveryOpenFileOfItsFolder) {
  starter_folder f;
  session s;
  s.initialize();
  s.open(f.uri("linea.txt"), f.text("linea.txt"));
  s.open(f.uri("treno.txt"), f.text("treno.txt"));
  EXPECT_EQ(s.diagnostics(f.uri("treno.txt")), json::array());
  // A route of 500 m leaves the train's slowdown past its end.
  s.edit(f.uri("linea.txt"), 2, 23, 27, "500");
  EXPECT_EQ(codes_of(s.diagnostics(f.uri("treno.txt"))), (std::vector<std::string>{"past-route-end"}));
  EXPECT_EQ(codes_of(s.diagnostics(f.uri("linea.txt"))),
            (std::vector<std::string>{"past-route-end", "past-route-end"}));
}

TEST(LspServer, FilesOnDiskAreReadAfreshAndAMissingOneIsNamed) {
  starter_folder f;
  session s;
  s.initialize();
  s.open(f.uri("linea.txt"), f.text("linea.txt"));
  ASSERT_EQ(s.diagnostics(f.uri("linea.txt")), json::array());
  fs::remove(f.folder / "treno.txt");
  s.notify("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", f.uri("treno.txt")}, {"type", 3}}}}});
  const json missing = s.diagnostics(f.uri("linea.txt"));
  ASSERT_EQ(missing.size(), 1u) << missing.dump(1);
  EXPECT_NE(missing[0]["message"].get<std::string>().find("treno.txt"), std::string::npos);
  // Another program puts the file back with a mistake.
  std::string train = read_file(fs::path(COMPILA_SOURCE_DIR) / "examples" / "starter" / "treno.txt");
  train.replace(train.find("sabbia"), 6, "sabbiaa,  22,000 --");
  f.write("treno.txt", train);
  s.notify("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", f.uri("treno.txt")}, {"type", 1}}}}});
  EXPECT_EQ(s.diagnostics(f.uri("linea.txt")), json::array()) << "treno.txt's findings stay with treno.txt";
  s.open(f.uri("treno.txt"), f.text("treno.txt"));
  EXPECT_NE(s.diagnostics(f.uri("treno.txt")), json::array());
}

TEST(LspServer, TheEditorsUtf8IsBroughtToTheFoldersEncoding) {
  struct encoding_case {
    std::string declaration;  // added to scenario.txt
    std::vector<std::string> codes;
  } cases[] = {
      {"", {"utf8-undeclared"}},
      {"encoding=windows-1252\r\n", {}},
      {"encoding=utf-8\r\n", {}},
  };
  for (const encoding_case& c : cases) {
    starter_folder f;
    f.write("scenario.txt", "line_name=Valle\r\ntrain_number=1\r\n" + c.declaration);
    session s;
    s.initialize();
    std::string train = f.text("treno.txt");
    train.replace(train.find("MEZZANA"), 7, "MEZZAN\xc3\x80");  // À
    s.open(f.uri("treno.txt"), train);
    EXPECT_EQ(codes_of(s.diagnostics(f.uri("treno.txt"))), c.codes)
        << c.declaration << s.diagnostics(f.uri("treno.txt")).dump(1);
  }
}

TEST(LspServer, AFindingInACodePageFolderQuotesTheEditorsTextAtItsColumns) {
  starter_folder f;
  f.write("scenario.txt", "line_name=Valle\r\ntrain_number=1\r\nencoding=windows-1252\r\n");
  session s;
  s.initialize();
  s.open(f.uri("linea.txt"), "[generale]\nlunghezza percorso, 5000\n[curve]\n\xc3\x80pendenz\xc3\xa8, 1800, 6\n");
  const json found = s.diagnostics(f.uri("linea.txt"));
  ASSERT_EQ(codes_of(found), (std::vector<std::string>{"unknown-keyword"})) << found.dump(1);
  EXPECT_NE(found[0]["message"].get<std::string>().find("\"\xc3\x80pendenz\xc3\xa8\""), std::string::npos)
      << found[0]["message"];
  EXPECT_EQ(found[0]["range"]["end"]["character"], 9) << "the quoted field, not the whole line";
}

TEST(LspServer, ADocumentOutsideAScenarioFolderGetsALogMessageOnly) {
  session s;
  s.initialize();
  const std::size_t before = s.sent.size();
  s.open("file:///tmp/somewhere/readme.md", "pendenze, 1");
  ASSERT_EQ(s.sent.size(), before + 1);
  EXPECT_EQ(s.sent.back()["method"], "window/logMessage");
  EXPECT_TRUE(s.at(2, "textDocument/hover", "file:///tmp/somewhere/readme.md", 0, 1).is_null());
}

TEST(LspServer, HoversTellTheRecordAndTheFieldUnderTheCursor) {
  starter_folder f;
  session s;
  s.initialize();
  const std::string train = "[generale]\nsegnale,   9800,   1, 4, 1,  0, 0,    0,  0,0,0, 0\n";
  s.open(f.uri("treno.txt"), train);
  const json on_keyword = s.at(2, "textDocument/hover", f.uri("treno.txt"), 1, 3);
  const std::string record = on_keyword["contents"]["value"];
  EXPECT_NE(record.find("signal"), std::string::npos) << record;
  EXPECT_NE(record.find("**posizione** (m): 9800 m = km 9.800, cell 197"), std::string::npos) << record;
  EXPECT_NE(record.find("**tempo**"), std::string::npos) << record;
  const json on_field = s.at(3, "textDocument/hover", f.uri("treno.txt"), 1, 19);
  const std::string field = on_field["contents"]["value"];
  EXPECT_NE(field.find("**sx**: 1"), std::string::npos) << field;
  EXPECT_NE(field.find("the s side's signal code"), std::string::npos) << field;
  EXPECT_EQ(on_field["range"]["start"]["character"], 19);
  EXPECT_TRUE(s.at(4, "textDocument/hover", f.uri("treno.txt"), 0, 2).is_null()) << "a header is no record";
}

TEST(LspServer, CompletionOffersTheFilesOwnKeywordsWithTheirFields) {
  starter_folder f;
  session s;
  s.initialize();
  s.open(f.uri("treno.txt"), "[generale]\n  sta\n");
  s.open(f.uri("linea.txt"), "[generale]\n");
  const json train = s.at(2, "textDocument/completion", f.uri("treno.txt"), 1, 5);
  std::vector<std::string> labels;
  for (const json& item : train) labels.push_back(item["label"]);
  EXPECT_NE(std::find(labels.begin(), labels.end(), "stazione"), labels.end());
  EXPECT_EQ(std::find(labels.begin(), labels.end(), "pendenza"), labels.end());
  for (const json& item : train) {
    if (item["label"] != "velocita") continue;
    EXPECT_EQ(item["textEdit"]["newText"], "velocita,  ${1:position},  ${2:speed}");
    EXPECT_EQ(item["textEdit"]["range"]["start"]["character"], 2) << "the word typed so far is replaced";
  }
  const json line = s.at(3, "textDocument/completion", f.uri("linea.txt"), 1, 0);
  labels.clear();
  for (const json& item : line) labels.push_back(item["label"]);
  EXPECT_NE(std::find(labels.begin(), labels.end(), "curvad3"), labels.end());
  EXPECT_EQ(std::find(labels.begin(), labels.end(), "stazione"), labels.end());
  s.open(f.uri("linea.txt"), "pendenza, 12");
  EXPECT_EQ(s.at(4, "textDocument/completion", f.uri("linea.txt"), 0, 11), json::array()) << "no keyword after a comma";
}

TEST(LspServer, SignatureHelpFollowsTheFieldBeingTyped) {
  starter_folder f;
  session s;
  s.initialize();
  s.open(f.uri("linea.txt"), "montagna,  4000,  43");
  struct help_case {
    int character;
    int parameter;
  } cases[] = {{10, 0}, {15, 0}, {16, 1}, {20, 1}};
  int id = 2;
  for (const help_case& c : cases) {
    const json help = s.at(id++, "textDocument/signatureHelp", f.uri("linea.txt"), 0, c.character);
    EXPECT_EQ(help["activeParameter"], c.parameter) << c.character;
    EXPECT_EQ(help["signatures"][0]["label"], "montagna, start, end, kind");
  }
  EXPECT_TRUE(s.at(id, "textDocument/signatureHelp", f.uri("linea.txt"), 0, 3).is_null()) << "on the keyword";
}

TEST(LspServer, SymbolsListStationsSignalsTunnelsAndCurvesByChainage) {
  starter_folder f;
  session s;
  s.initialize();
  s.open(f.uri("treno.txt"), f.text("treno.txt"));
  std::vector<std::string> names;
  for (const json& symbol : s.at(2, "textDocument/documentSymbol", f.uri("treno.txt"), 0, 0))
    names.push_back(symbol["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"PRIMA (station)", "signal at 1000 m = km 1.000, cell 21",
                                             "signal at 2200 m = km 2.200, cell 45", "MEZZANA (station)",
                                             "signal at 3900 m = km 3.900, cell 79", "VALLE (station)"}));
  s.open(f.uri("linea.txt"), f.text("linea.txt"));
  names.clear();
  for (const json& symbol : s.at(3, "textDocument/documentSymbol", f.uri("linea.txt"), 0, 0))
    names.push_back(symbol["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"curve at 1200 m = km 1.200, cell 24",
                                             "mountain span (tunnel) at 4000 m = km 4.000, cell 80"}));
}

// ---- the program ----

TEST(LspProgram, AnswersOverItsStandardStreamsAndEndsOnExit) {
  scratch_directory scratch;
  const std::string big_text(100u << 20, 'x');  // a document of 100 MB
  std::string input = lsp::framed(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
  input += "Content-Length: 4x\r\n\r\n";  // a broken frame: told in the log
  input += lsp::framed(
      json({{"jsonrpc", "2.0"},
            {"method", "textDocument/didOpen"},
            {"params",
             {{"textDocument", {{"uri", lsp::uri_of_path(utf8_text(scratch / "linea.txt"))}, {"text", big_text}}}}}})
          .dump());
  input += lsp::framed(R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})");
  input += lsp::framed(R"({"jsonrpc":"2.0","method":"exit"})");
  std::ofstream(scratch / "input", std::ios::binary) << input;
  const process_result r = run_process_with_input(COMPILA_TOOL, {"lsp"}, scratch.path, scratch / "input");
  EXPECT_EQ(r.status, 0) << r.err;
  // Parse the answers back through the reader: byte-exact framing, no CR LF added.
  std::istringstream output(r.out);
  lsp::message_reader reader(output);
  std::vector<json> answers;
  for (framed_message m = reader.next(); m.what == framed_message::kind::body; m = reader.next())
    answers.push_back(json::parse(m.text));
  ASSERT_GE(answers.size(), 3u) << r.out.substr(0, 400);
  EXPECT_EQ(answers.front()["id"], 1);
  EXPECT_TRUE(answers.front()["result"].contains("capabilities"));
  EXPECT_EQ(answers.back()["id"], 2);
  EXPECT_EQ(r.out.find("\r\r\n"), std::string::npos);
}

TEST(LspProgram, EndsCleanlyAtTheEndOfItsInput) {
  scratch_directory scratch;
  std::ofstream(scratch / "input", std::ios::binary)
      << lsp::framed(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  const process_result r = run_process_with_input(COMPILA_TOOL, {"lsp"}, scratch.path, scratch / "input");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Content-Length: ", 0), 0u) << r.out;
}

}  // namespace
}  // namespace compila::testing

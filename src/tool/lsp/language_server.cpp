#include "tool/lsp/language_server.h"

#include <algorithm>
#include <exception>

#include "model/scenario_files.h"
#include "tool/lsp/document_uri.h"
#include "tool/lsp/folder_diagnostics.h"
#include "tool/lsp/record_guide.h"
#include "tool/lsp/text_positions.h"

namespace compila::lsp {
namespace {

using json = nlohmann::json;

// JSON-RPC's and the protocol's error codes.
constexpr int parse_error = -32700;
constexpr int invalid_request = -32600;
constexpr int method_not_found = -32601;
constexpr int invalid_params = -32602;
constexpr int internal_error = -32603;
constexpr int server_not_initialized = -32002;

// A parameter the request must carry; a missing or mistyped one is
// answered as invalid parameters.
struct bad_params {
  std::string what;
};

// A request whose method the server does not know.
struct unknown_method {};

const json& member(const json& object, const char* name) {
  if (!object.is_object() || !object.contains(name)) throw bad_params{std::string("no \"") + name + "\""};
  return object.at(name);
}

std::string string_member(const json& object, const char* name) {
  const json& value = member(object, name);
  if (!value.is_string()) throw bad_params{std::string("\"") + name + "\" is not a string"};
  return value.get<std::string>();
}

std::int64_t integer_member(const json& object, const char* name) {
  const json& value = member(object, name);
  if (!value.is_number_integer()) throw bad_params{std::string("\"") + name + "\" is not a whole number"};
  return value.get<std::int64_t>();
}

text_position position_of(const json& position) {
  return {integer_member(position, "line"), integer_member(position, "character")};
}

// Where a request's position stands: the line of the document it names and
// the byte under the cursor there.
struct cursor_place {
  text_position at;
  std::string_view line;
  std::size_t byte;
};

cursor_place cursor_in(const open_document& document, const json& params) {
  const text_position at = position_of(member(params, "position"));
  const std::string_view line = line_text(document.text, at.line);
  return {at, line, byte_column(line, at.character)};
}

json position_json(std::int64_t line, std::int64_t character) { return {{"line", line}, {"character", character}}; }

json range_json(std::int64_t line, std::int64_t begin, std::int64_t end) {
  return {{"start", position_json(line, begin)}, {"end", position_json(line, end)}};
}

// The range of `span` in the line, in the editor's columns.
json span_range(std::string_view line, std::int64_t line_index, field_span span) {
  return range_json(line_index, utf16_column(line, span.begin), utf16_column(line, span.end));
}

bool is_scenario_file(std::string_view name) {
  if (name == scenario_names_file) return true;
  return std::any_of(scenario_files.begin(), scenario_files.end(),
                     [&](const scenario_file& file) { return file.folder_name == name; });
}

bool is_source(const open_document& document) {
  return document.name == line_source_file.folder_name || document.name == train_source_file.folder_name;
}
bool is_train_source(const open_document& document) { return document.name == train_source_file.folder_name; }

// Where a finding shows in the editor's line: the text it quotes where the
// line holds it, else the line from its first character to its end.
json finding_range(std::string_view text, const folder_finding& finding) {
  const std::int64_t line_index = std::max<std::int64_t>(finding.line - 1, 0);
  const std::string_view line = line_text(text, line_index);
  std::size_t begin = line.find_first_not_of(" \t");
  std::size_t end = line.size();
  if (begin == std::string_view::npos) begin = 0;
  if (const std::size_t quoted = finding.quoted.empty() ? std::string_view::npos : line.find(finding.quoted);
      finding.line > 0 && quoted != std::string_view::npos) {
    begin = quoted;
    end = quoted + finding.quoted.size();
  }
  return span_range(line, line_index, {begin, end});
}

json diagnostic_json(std::string_view text, const folder_finding& finding) {
  json diagnostic = {{"range", finding_range(text, finding)},
                     {"severity", finding.error ? 1 : 2},
                     {"source", "scenario_tool check"},
                     {"message", finding.message}};
  if (!finding.code.empty()) diagnostic["code"] = finding.code;
  return diagnostic;
}

std::string part_name(record_part part) {
  switch (part) {
    case record_part::general: return "line source, general section";
    case record_part::line: return "line source";
    case record_part::train: break;
  }
  return "train source";
}

std::string field_line(const field_info& field, const field_value& value, std::size_t index) {
  return "- field " + std::to_string(index + 1) + ", **" + std::string(field.name) + "**" +
         (field.unit.empty() ? std::string() : " (" + std::string(field.unit) + ")") + ": " +
         value_in_words(field, value);
}

std::string record_hover(const record_info& record, std::string_view line) {
  std::string text = "**" + std::string(record.record) + "** — " + std::string(record.summary) + " (" +
                     part_name(record.part) + ")\n\n";
  const std::vector<field_value> values = read_field_values(line, record);
  for (std::size_t i = 0; i < record.fields.size(); ++i) text += field_line(record.fields[i], values[i], i) + "\n";
  return text;
}

std::string field_hover(const record_info& record, std::string_view line, std::size_t index) {
  if (index >= record.fields.size())
    return "A value after the last field of **" + std::string(record.record) + "**: one value too many.";
  const field_info& field = record.fields[index];
  const std::vector<field_value> values = read_field_values(line, record);
  return field_line(field, values[index], index) + "\n\n" + std::string(field.meaning) + "\n\n(" +
         std::string(record.record) + " — " + std::string(record.summary) + ")";
}

// The field of `split` that the byte column `byte` is in or after: the
// parameter signature help shows.
std::size_t field_at(const record_line& split, std::size_t byte) {
  std::size_t index = 0;
  while (index < split.fields.size() && split.fields[index].end < byte) ++index;
  return index;
}

json symbol_kind_of(std::string_view record) {
  if (record == "stazione") return 20;  // Key
  if (record == "segnale") return 24;   // Event
  if (record == "montagna") return 3;   // Namespace
  return 15;                            // String: a curve
}

}  // namespace

void language_server::handle(std::string_view body) {
  json message;
  try {
    message = json::parse(body);
  } catch (const json::parse_error& error) {
    reply_error(nullptr, parse_error, std::string("the message is no JSON: ") + error.what());
    return;
  } catch (const std::exception& error) {
    reply_error(nullptr, internal_error, std::string("the message could not be read: ") + error.what());
    return;
  }
  dispatch(message);
}

void language_server::log(std::string_view text, int type) {
  send_({{"jsonrpc", "2.0"},
         {"method", "window/logMessage"},
         {"params", {{"type", type}, {"message", std::string(text)}}}});
}

void language_server::reply_error(const json& id, int code, std::string_view message) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", std::string(message)}}}});
}

void language_server::dispatch(const json& message) {
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
    // An answer to a request of ours (the watch registration): taken as it comes.
    if (message.is_object() && message.contains("id") && (message.contains("result") || message.contains("error")))
      return;
    reply_error(message.is_object() && message.contains("id") ? message["id"] : json(nullptr), invalid_request,
                "a message without a method");
    return;
  }
  const std::string method = message["method"];
  static const json no_params = json::object();
  const json& params = message.contains("params") ? message["params"] : no_params;
  if (!message.contains("id")) {
    try {
      notification(method, params);
    } catch (const bad_params& bad) {
      log(method + ": " + bad.what, 1);
    } catch (const std::exception& error) {
      log(method + ": " + error.what(), 1);
    }
    return;
  }
  const json& id = message["id"];
  if (!initialized_ && method != "initialize") {
    reply_error(id, server_not_initialized, "the server has not been initialized");
    return;
  }
  try {
    json result = answer(method, params);
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
  } catch (const unknown_method&) {
    reply_error(id, method_not_found, "unknown method " + method);
  } catch (const bad_params& bad) {
    reply_error(id, invalid_params, method + ": " + bad.what);
  } catch (const json::exception& error) {
    reply_error(id, invalid_params, method + ": " + error.what());
  } catch (const std::exception& error) {  // memory, say: the request fails, the server goes on
    reply_error(id, internal_error, method + ": " + error.what());
  }
}

json language_server::answer(const std::string& method, const json& params) {
  if (method == "initialize") {
    initialized_ = true;
    static const json::json_pointer watching("/capabilities/workspace/didChangeWatchedFiles/dynamicRegistration");
    can_watch_files_ = params.contains(watching) && params[watching] == true;
    return initialize_result();
  }
  if (method == "shutdown") {
    shut_down_ = true;
    return nullptr;
  }
  if (method == "textDocument/hover") return hover(params);
  if (method == "textDocument/completion") return completion(params);
  if (method == "textDocument/signatureHelp") return signature_help(params);
  if (method == "textDocument/documentSymbol") return document_symbols(params);
  if (method == "textDocument/codeAction") return code_actions(params);
  throw unknown_method{};
}

void language_server::notification(const std::string& method, const json& params) {
  if (method == "exit") {
    finished_ = true;
    return;
  }
  if (!initialized_) return;  // dropped, as the protocol asks
  if (method == "textDocument/didOpen") open(params);
  else if (method == "textDocument/didChange") change(params);
  else if (method == "textDocument/didClose") close(params);
  else if (method == "workspace/didChangeWatchedFiles") files_changed(params);
  else if (method == "initialized") ask_to_watch_files();
  else if (method == "textDocument/didSave" || method.starts_with("$/")) return;
  else log("unknown notification " + method + ": passed over", 3);
}

// A file of a folder changed by another program (init, a build, a second
// editor) is told by the client where it watches files for its servers.
void language_server::ask_to_watch_files() {
  if (!can_watch_files_) return;
  std::string names(scenario_names_file);
  for (const scenario_file& file : scenario_files) names += "," + std::string(file.folder_name);
  const json watcher{{"globPattern", "**/{" + names + "}"}};
  send_({{"jsonrpc", "2.0"},
         {"id", "watch-scenario-files"},
         {"method", "client/registerCapability"},
         {"params",
          {{"registrations",
            {{{"id", "scenario-files"},
              {"method", "workspace/didChangeWatchedFiles"},
              {"registerOptions", {{"watchers", {watcher}}}}}}}}}});
}

json language_server::initialize_result() {
  return {{"capabilities",
           {{"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", true}}},
            {"hoverProvider", true},
            {"completionProvider", {{"triggerCharacters", json::array()}}},
            {"signatureHelpProvider", {{"triggerCharacters", {",", " "}}}},
            {"documentSymbolProvider", true},
            {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}}},
          {"serverInfo", {{"name", "scenario_tool lsp"}}}};
}

void language_server::open(const json& params) {
  const json& item = member(params, "textDocument");
  if (!member(item, "text").is_string()) throw bad_params{"\"text\" is not a string"};
  open_document document{string_member(item, "uri"), item["text"].get_ref<const std::string&>(), {}, {}};
  const std::optional<std::string> path = path_of_uri(document.uri);
  if (path) {
    folder_file where = split_path(*path);
    if (is_scenario_file(where.name)) {
      document.folder = std::move(where.folder);
      document.name = std::move(where.name);
    }
  }
  if (document.folder.empty()) log(document.uri + " is no file of a scenario folder: it gets no diagnostics", 3);
  const std::string folder = document.folder;
  documents_[document.uri] = std::move(document);
  if (!folder.empty()) publish_folder(folder);
}

void language_server::change(const json& params) {
  const std::string uri = string_member(member(params, "textDocument"), "uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) {
    log("a change to " + uri + ", which is not open: passed over", 2);
    return;
  }
  std::string& text = found->second.text;
  for (const json& change : member(params, "contentChanges")) {
    const std::string new_text = string_member(change, "text");
    if (!change.contains("range")) {
      text = new_text;
      continue;
    }
    const json& range = change["range"];
    const std::size_t begin = byte_offset(text, position_of(member(range, "start")));
    const std::size_t end = std::max(begin, byte_offset(text, position_of(member(range, "end"))));
    text.replace(begin, end - begin, new_text);
  }
  if (!found->second.folder.empty()) publish_folder(found->second.folder);
}

void language_server::close(const json& params) {
  const std::string uri = string_member(member(params, "textDocument"), "uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) return;
  const open_document closed = std::move(found->second);
  documents_.erase(found);
  publish_empty(closed);
  if (!closed.folder.empty()) publish_folder(closed.folder);  // the disk's text counts again
}

void language_server::files_changed(const json& params) {
  std::set<std::string> folders;
  for (const json& change : member(params, "changes")) {
    const std::optional<std::string> path = path_of_uri(string_member(change, "uri"));
    if (path) folders.insert(split_path(*path).folder);
  }
  for (const std::string& folder : folders) publish_folder(folder);
}

void language_server::publish_folder(const std::string& folder) {
  std::map<std::string, std::string, std::less<>> texts;
  std::vector<const open_document*> open;
  for (const auto& [uri, document] : documents_) {
    if (document.folder != folder) continue;
    texts[document.name] = document.text;
    open.push_back(&document);
  }
  if (open.empty()) return;
  const findings_by_file found = check_folder(folder, texts);
  for (const open_document* document : open) {
    json diagnostics = json::array();
    if (const auto file = found.find(document->name); file != found.end())
      for (const folder_finding& finding : file->second)
        diagnostics.push_back(diagnostic_json(document->text, finding));
    send_({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", {{"uri", document->uri}, {"diagnostics", std::move(diagnostics)}}}});
  }
}

void language_server::publish_empty(const open_document& document) {
  send_({{"jsonrpc", "2.0"},
         {"method", "textDocument/publishDiagnostics"},
         {"params", {{"uri", document.uri}, {"diagnostics", json::array()}}}});
}

const open_document& language_server::document_of(const json& params) const {
  const std::string uri = string_member(member(params, "textDocument"), "uri");
  const auto found = documents_.find(uri);
  if (found == documents_.end()) throw bad_params{uri + " is not open"};
  return found->second;
}

json language_server::hover(const json& params) const {
  const open_document& document = document_of(params);
  if (!is_source(document)) return nullptr;
  const auto [at, line, byte] = cursor_in(document, params);
  const record_line split = split_record_line(line, is_train_source(document));
  if (split.record == nullptr) return nullptr;
  if (byte <= split.keyword.end)
    return {{"contents", {{"kind", "markdown"}, {"value", record_hover(*split.record, line)}}},
            {"range", span_range(line, at.line, split.keyword)}};
  const std::size_t index = field_at(split, byte);
  if (index >= split.fields.size() || byte < split.fields[index].begin) return nullptr;  // between fields
  return {{"contents", {{"kind", "markdown"}, {"value", field_hover(*split.record, line, index)}}},
          {"range", span_range(line, at.line, split.fields[index])}};
}

json language_server::completion(const json& params) const {
  const open_document& document = document_of(params);
  json items = json::array();
  if (!is_source(document)) return items;
  const auto [at, line, byte] = cursor_in(document, params);
  const std::size_t start = std::min(line.find_first_not_of(" \t"), byte);
  if (line.substr(0, byte).find(',') != std::string_view::npos) return items;  // not at the keyword
  for (const record_info& record : record_infos()) {
    if ((record.part == record_part::train) != is_train_source(document)) continue;
    items.push_back(
        {{"label", std::string(record.written)},
         {"kind", 14},  // Keyword
         {"detail", std::string(record.summary) + " (" + part_name(record.part) + ")"},
         {"insertTextFormat", 2},
         {"textEdit", {{"range", span_range(line, at.line, {start, byte})}, {"newText", record_snippet(record)}}}});
  }
  return items;
}

json language_server::signature_help(const json& params) const {
  const open_document& document = document_of(params);
  if (!is_source(document)) return nullptr;
  const auto [at, line, byte] = cursor_in(document, params);
  const record_line split = split_record_line(line, is_train_source(document));
  if (split.record == nullptr || byte <= split.keyword.end) return nullptr;
  std::string label(split.record->record);
  json parameters = json::array();
  for (const field_info& field : split.record->fields) {
    label += ", ";
    const std::size_t begin = label.size();
    label += field.name;
    parameters.push_back({{"label", {begin, label.size()}}, {"documentation", std::string(field.meaning)}});
  }
  const std::size_t index = std::min(field_at(split, byte), split.record->fields.size() - 1);
  return {{"signatures", {{{"label", label}, {"parameters", std::move(parameters)}}}},
          {"activeSignature", 0},
          {"activeParameter", index}};
}

json language_server::document_symbols(const json& params) const {
  const open_document& document = document_of(params);
  json symbols = json::array();
  if (!is_source(document)) return symbols;
  struct placed {
    std::int64_t chainage;
    json symbol;
  };
  std::vector<placed> found;
  const std::vector<std::size_t> starts = line_starts(document.text);
  for (std::size_t index = 0; index < starts.size(); ++index) {
    const std::string_view line = line_text(document.text, static_cast<std::int64_t>(index));
    const record_line split = split_record_line(line, is_train_source(document));
    if (split.record == nullptr) continue;
    const std::string_view record = split.record->record;
    if (record != "stazione" && record != "segnale" && record != "montagna" && record != "curva") continue;
    const std::vector<field_value> values = read_field_values(line, *split.record);
    if (!values[0].read) continue;
    const std::int64_t chainage = *values[0].number;
    std::string name = std::string(split.record->summary == "curves" ? "curve" : split.record->summary) + " at " +
                       value_in_words(split.record->fields[0], values[0]);
    if (record == "stazione" && values.back().read) name = values.back().text + " (station)";
    const auto line_index = static_cast<std::int64_t>(index);
    found.push_back(
        {chainage,
         {{"name", name},
          {"detail", std::string(line.substr(split.keyword.begin, split.keyword.end - split.keyword.begin))},
          {"kind", symbol_kind_of(record)},
          {"range", span_range(line, line_index, {0, line.size()})},
          {"selectionRange", span_range(line, line_index, split.keyword)}}});
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const placed& a, const placed& b) { return a.chainage < b.chainage; });
  for (placed& symbol : found) symbols.push_back(std::move(symbol.symbol));
  return symbols;
}

// A quick fix where the fix is certain: a misspelt keyword (the finding
// unknown-keyword) to the one keyword of the file nearest to it.
json language_server::code_actions(const json& params) const {
  const open_document& document = document_of(params);
  json actions = json::array();
  if (!is_source(document)) return actions;
  for (const json& diagnostic : member(member(params, "context"), "diagnostics")) {
    if (diagnostic.value("code", json()) != "unknown-keyword") continue;
    const json& range = member(diagnostic, "range");
    const text_position start = position_of(member(range, "start"));
    const text_position end = position_of(member(range, "end"));
    if (start.line != end.line) continue;
    const std::string_view line = line_text(document.text, start.line);
    const std::size_t begin = byte_column(line, start.character);
    const std::string_view field = line.substr(begin, byte_column(line, end.character) - begin);
    const std::string_view keyword = nearest_keyword(field, is_train_source(document));
    if (keyword.empty()) continue;
    json edit = {{"range", range}, {"newText", std::string(keyword)}};
    actions.push_back({{"title", "Change to \"" + std::string(keyword) + "\""},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", {diagnostic}},
                       {"edit", {{"changes", {{document.uri, {std::move(edit)}}}}}}});
  }
  return actions;
}

}  // namespace compila::lsp

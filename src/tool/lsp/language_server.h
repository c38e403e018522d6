// The language server of the scenario files: linea.txt, treno.txt and
// scenario.txt of a scenario folder, with check's findings as diagnostics,
// hovers, completion with snippets, signature help and an outline.
//
// It takes one message body at a time and answers through `send`; the
// framing is message_stream.h's. A body that is no JSON, a request before
// "initialize", an unknown method or parameters of the wrong shape get a
// JSON-RPC error; a notification that cannot be used gets a log message.
#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace compila::lsp {

// An open document: the editor's text (UTF-8) and where it lies.
struct open_document {
  std::string uri;
  std::string text;
  std::string folder;  // empty for a document outside any scenario folder
  std::string name;    // "linea.txt", ...
};

class language_server {
 public:
  using sender = std::function<void(const nlohmann::json& message)>;
  explicit language_server(sender send) : send_(std::move(send)) {}

  // Handles one message body.
  void handle(std::string_view body);
  // Tells the editor about bytes of the input that held no message.
  void log(std::string_view text, int type = 2);

  // True once "exit" has come; then the status the process ends with (0
  // after a "shutdown", 1 without).
  bool finished() const { return finished_; }
  int exit_status() const { return shut_down_ ? 0 : 1; }

 private:
  void dispatch(const nlohmann::json& message);
  nlohmann::json answer(const std::string& method, const nlohmann::json& params);
  void notification(const std::string& method, const nlohmann::json& params);
  void reply_error(const nlohmann::json& id, int code, std::string_view message);

  static nlohmann::json initialize_result();
  void ask_to_watch_files();
  void open(const nlohmann::json& params);
  void change(const nlohmann::json& params);
  void close(const nlohmann::json& params);
  void files_changed(const nlohmann::json& params);
  // Runs the check of `folder` and publishes the diagnostics of each of its
  // open documents.
  void publish_folder(const std::string& folder);
  void publish_empty(const open_document& document);

  nlohmann::json hover(const nlohmann::json& params) const;
  nlohmann::json completion(const nlohmann::json& params) const;
  nlohmann::json signature_help(const nlohmann::json& params) const;
  nlohmann::json document_symbols(const nlohmann::json& params) const;
  nlohmann::json code_actions(const nlohmann::json& params) const;
  const open_document& document_of(const nlohmann::json& params) const;

  sender send_;
  bool initialized_ = false;
  bool can_watch_files_ = false;  // the client registers file watchers when asked
  bool shut_down_ = false;
  bool finished_ = false;
  std::map<std::string, open_document, std::less<>> documents_;  // by URI
};

}  // namespace compila::lsp

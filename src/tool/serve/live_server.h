// The live page's HTTP server, on the loopback address only. It answers the
// page, its script and style, the current view as JSON and the event stream
// that pushes every new view (server-sent events), and nothing else: no file
// from the disk is ever served. A request whose Host is not this server's own
// address (127.0.0.1:PORT or localhost:PORT) is refused, so that a page of
// another site cannot reach it through a name that resolves here.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace compila::serve {

enum class request_verdict { serve, wrong_host, not_served };

// Whether a request for `target` (the path as sent, before any decoding)
// with Host header `host` is answered by the server listening on `port`.
request_verdict judge_request(std::string_view host, std::string_view target, int port);

class live_server {
 public:
  live_server();
  ~live_server();
  live_server(const live_server&) = delete;
  live_server& operator=(const live_server&) = delete;

  // Binds 127.0.0.1:`port`, or a free port for 0; false with `error` naming
  // the port.
  [[nodiscard]] bool open(int port, std::string& error);
  int port() const;
  // Serves on a thread of its own until stop().
  void start();
  // Makes `view_json` the current view and pushes it to every open page.
  void publish(std::string view_json);
  // Ends the event streams and the server, and waits for them.
  void stop();

 private:
  struct state;
  std::unique_ptr<state> state_;
};

class folder_watcher;
class live_state;

// One look at the folder: on a new save, examines it, takes it into `state`
// and publishes the new view on `server`. True when there was a new save.
bool refresh(const std::string& folder, folder_watcher& watcher, live_state& state, live_server& server);

}  // namespace compila::serve

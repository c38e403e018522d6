#include "tool/serve/live_server.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/listening_socket.h"
#include "tool/serve/folder_watcher.h"
#include "tool/serve/live_page.h"
#include "tool/serve/live_state.h"

namespace compila::serve {
namespace {

// What is served, by the exact target a browser sends for it.
struct served_path {
  std::string_view target;
  std::string_view content_type;
};
constexpr std::array served_paths{
    served_path{"/", "text/html; charset=utf-8"},        served_path{"/live.js", "text/javascript; charset=utf-8"},
    served_path{"/live.css", "text/css; charset=utf-8"}, served_path{"/view", "application/json"},
    served_path{"/events", "text/event-stream"},
};

bool same_letters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// How long an event stream waits without news before it sends a comment,
// which is how a closed page is noticed.
constexpr auto keep_alive_interval = std::chrono::seconds(5);
// Threads for the connections: each open page holds one for its event stream.
constexpr std::size_t connection_threads = 64;

}  // namespace

request_verdict judge_request(std::string_view host, std::string_view target, int port) {
  const std::string port_text = std::to_string(port);
  const auto is_own = [&](std::string_view name) {
    return host.size() == name.size() + 1 + port_text.size() && same_letters(host.substr(0, name.size()), name) &&
           host[name.size()] == ':' && host.substr(name.size() + 1) == port_text;
  };
  if (!is_own("127.0.0.1") && !is_own("localhost")) return request_verdict::wrong_host;
  const bool known =
      std::any_of(served_paths.begin(), served_paths.end(), [&](const served_path& p) { return p.target == target; });
  return known ? request_verdict::serve : request_verdict::not_served;
}

struct live_server::state {
  httplib::Server server;
  std::thread thread;
  std::atomic<bool> listening_ended = false;
  int port = 0;
  // The current view, shared by the event streams.
  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t version = 0;
  std::shared_ptr<const std::string> view = std::make_shared<const std::string>("null");
  bool stopping = false;

  void serve_events(httplib::Response& response);
};

void live_server::state::serve_events(httplib::Response& response) {
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider("text/event-stream",
                                        [this, sent = std::uint64_t{0}](std::size_t, httplib::DataSink& sink) mutable {
                                          std::shared_ptr<const std::string> news;
                                          {
                                            std::unique_lock lock(mutex);
                                            changed.wait_for(lock, keep_alive_interval,
                                                             [&] { return stopping || version != sent; });
                                            if (stopping) return false;
                                            if (version != sent) {
                                              news = view;
                                              sent = version;
                                            }
                                          }
                                          const std::string chunk = news ? "event: view\ndata: " + *news + "\n\n"
                                                                         : ": waiting for a save\n\n";
                                          return sink.write(chunk.data(), chunk.size());
                                        });
}

live_server::live_server() : state_(std::make_unique<state>()) {
  httplib::Server& server = state_->server;
  server.new_task_queue = [] { return new httplib::ThreadPool(connection_threads); };
  server.set_keep_alive_timeout(1);
  server.set_socket_options([](auto socket) { platform::keep_port_alone(static_cast<std::uintptr_t>(socket)); });
  server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    switch (judge_request(request.get_header_value("Host"), request.target, state_->port)) {
      case request_verdict::serve: return httplib::Server::HandlerResponse::Unhandled;
      case request_verdict::wrong_host:
        response.status = 403;
        response.set_content("This server answers only to 127.0.0.1 and localhost.\n", "text/plain");
        break;
      case request_verdict::not_served:
        response.status = 404;
        response.set_content("Not served here.\n", "text/plain");
        break;
    }
    return httplib::Server::HandlerResponse::Handled;
  });
  const auto fixed = [&server](std::string_view target, std::string_view body) {
    const auto* const found = std::find_if(served_paths.begin(), served_paths.end(),
                                           [&](const served_path& p) { return p.target == target; });
    server.Get(std::string(target),
               [body, type = std::string(found->content_type)](const httplib::Request&, httplib::Response& response) {
                 response.set_header("Cache-Control", "no-store");
                 response.set_content(std::string(body), type);
               });
  };
  fixed("/", live_page_html);
  fixed("/live.js", live_page_script);
  fixed("/live.css", live_page_style);
  server.Get("/view", [this](const httplib::Request&, httplib::Response& response) {
    std::shared_ptr<const std::string> view;
    {
      std::lock_guard lock(state_->mutex);
      view = state_->view;
    }
    response.set_header("Cache-Control", "no-store");
    response.set_content(*view, "application/json");
  });
  server.Get("/events",
             [this](const httplib::Request&, httplib::Response& response) { state_->serve_events(response); });
}

live_server::~live_server() { stop(); }

bool live_server::open(int port, std::string& error) {
  if (port == 0) {
    state_->port = state_->server.bind_to_any_port("127.0.0.1");
    if (state_->port > 0) return true;
    error = "no free port on 127.0.0.1 could be opened";
    return false;
  }
  if (state_->server.bind_to_port("127.0.0.1", port)) {
    state_->port = port;
    return true;
  }
  error = "port " + std::to_string(port) +
          " on 127.0.0.1 is busy or may not be opened; name another with --port, or leave --port out for a free one";
  return false;
}

int live_server::port() const { return state_->port; }

void live_server::start() {
  state_->thread = std::thread([this] {
    state_->server.listen_after_bind();
    state_->listening_ended = true;
  });
  // stop() asks a running server to stop: wait until it runs.
  while (!state_->server.is_running() && !state_->listening_ended)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void live_server::publish(std::string view_json) {
  auto view = std::make_shared<const std::string>(std::move(view_json));
  {
    std::lock_guard lock(state_->mutex);
    state_->view = std::move(view);
    ++state_->version;
  }
  state_->changed.notify_all();
}

void live_server::stop() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
  }
  state_->changed.notify_all();
  state_->server.stop();
  if (state_->thread.joinable()) state_->thread.join();
}

bool refresh(const std::string& folder, folder_watcher& watcher, live_state& state, live_server& server) {
  if (!watcher.poll()) return false;
  state.take(examine_folder(folder, watcher.files()));
  server.publish(view_json(state.view()));
  return true;
}

}  // namespace compila::serve

// scenario_tool serve's engine: the folder watcher, what the page shows after
// each save, and the server's answers (which requests it refuses, the event
// stream that pushes each save, a busy port).
#include <gtest/gtest.h>
#include <httplib.h>  // before the system's socket headers, as on Windows it must be

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "tool/report/report_page.h"
#include "tool/serve/folder_watcher.h"
#include "tool/serve/live_server.h"
#include "tool/serve/live_state.h"
#include "tool/serve/profile_hover.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;
using namespace compila::serve;

const std::string starter = std::string(COMPILA_SOURCE_DIR) + "/examples/starter";

void write_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A copy of the starter folder in scratch space.
fs::path starter_copy(const scratch_directory& scratch) {
  const fs::path folder = scratch.path / "linea";
  fs::copy(starter, folder);
  return folder;
}

// --- the watcher -------------------------------------------------------

TEST(FolderWatcher, SeesEverySaveEvenOfTheSameSizeWithinMilliseconds) {
  scratch_directory scratch;
  const fs::path folder = starter_copy(scratch);
  folder_watcher watcher(folder.string());
  ASSERT_TRUE(watcher.poll());
  EXPECT_EQ(watcher.files().size(), 6u);
  EXPECT_FALSE(watcher.poll()) << "nothing changed";
  // Two saves of the same size, the second within a millisecond of the
  // first: the size and (on most file systems) the time stamp stay the same.
  std::string text = read_file(folder / "linea.txt");
  const std::size_t at = text.find("5000");
  text.replace(at, 4, "6000");
  write_bytes(folder / "linea.txt", text);
  text.replace(at, 4, "7000");
  write_bytes(folder / "linea.txt", text);
  ASSERT_TRUE(watcher.poll());
  EXPECT_EQ(watcher.files().at("linea.txt"), text);
  EXPECT_FALSE(watcher.poll());
}

TEST(FolderWatcher, IgnoresOtherFilesAndNoticesARemovedOne) {
  scratch_directory scratch;
  const fs::path folder = starter_copy(scratch);
  folder_watcher watcher(folder.string());
  ASSERT_TRUE(watcher.poll());
  write_bytes(folder / ".linea.txt.swp", "an editor's swap file");
  write_bytes(folder / "linea.txt~", "a backup");
  EXPECT_FALSE(watcher.poll()) << "an editor's own files are no save";
  fs::rename(folder / "treno.txt", folder / "treno.txt.tmp");
  ASSERT_TRUE(watcher.poll());
  EXPECT_FALSE(watcher.files().contains("treno.txt"));
  fs::rename(folder / "treno.txt.tmp", folder / "treno.txt");
  ASSERT_TRUE(watcher.poll());
  EXPECT_TRUE(watcher.files().contains("treno.txt"));
}

// --- what the page shows -----------------------------------------------

// The starter folder's files with `bad` put in place of `good` in linea.txt.
folder_files starter_with(const std::string& good, const std::string& bad) {
  folder_files files = read_folder_files(starter);
  std::string& line = files.at("linea.txt");
  const std::size_t at = line.find(good);
  EXPECT_NE(at, std::string::npos) << good;
  line.replace(at, good.size(), bad);
  return files;
}

const std::string misspelt_record = "pendenze,  1800,    6";  // "pendenza" misspelt: the record is lost

folder_files broken_starter() { return starter_with("pendenza,  1800,    6", misspelt_record); }

TEST(LiveState, StartedBrokenShowsTheFindingsAloneThenTheDrawingOnceFixed) {
  live_state state;
  state.take(examine_folder("linea", broken_starter()));
  const live_view& broken = state.view();
  EXPECT_TRUE(broken.has_errors);
  EXPECT_TRUE(broken.drawing.empty()) << "no good save yet: nothing to draw";
  EXPECT_FALSE(broken.stale);
  ASSERT_FALSE(broken.findings.empty());
  const shown_finding& first = broken.findings.front();
  EXPECT_EQ(first.where, "linea.txt:21");
  EXPECT_TRUE(first.error);
  EXPECT_NE(first.message.find("[-Wunknown-keyword]"), std::string::npos) << first.message;
  EXPECT_EQ(first.line_text, misspelt_record);

  state.take(examine_folder("linea", read_folder_files(starter)));
  const live_view& fixed = state.view();
  EXPECT_EQ(fixed.save, 2u);
  EXPECT_FALSE(fixed.has_errors);
  EXPECT_FALSE(fixed.stale);
  EXPECT_TRUE(fixed.findings.empty());
  EXPECT_NE(fixed.drawing.find("<svg class=\"map\""), std::string::npos);
  EXPECT_NE(fixed.drawing.find("5,000 m"), std::string::npos) << "the summary's route length";
  EXPECT_EQ(fixed.drawing.find("<body"), std::string::npos) << "only the page's inside is swapped in";
  EXPECT_EQ(fixed.title, "Valle_Prima \xe2\x80\x94 train 101");
}

TEST(LiveState, ErrorsKeepTheLastGoodDrawingDimmedUntilFixed) {
  live_state state;
  state.take(examine_folder("linea", starter_with("lunghezza percorso,    5000", "lunghezza percorso,    4500")));
  const std::string good = state.view().drawing;
  ASSERT_NE(good.find("4,500 m"), std::string::npos);

  state.take(examine_folder("linea", broken_starter()));
  EXPECT_TRUE(state.view().has_errors);
  EXPECT_TRUE(state.view().stale);
  EXPECT_EQ(state.view().drawing, good) << "the last good drawing stays under the findings";

  state.take(examine_folder("linea", read_folder_files(starter)));
  EXPECT_FALSE(state.view().stale);
  EXPECT_NE(state.view().drawing, good) << "the fixed save is drawn anew";
  EXPECT_NE(state.view().drawing.find("5,000 m"), std::string::npos);
}

TEST(LiveState, FolderProblemsAndHalfSavedFilesAreShownAtTheirFile) {
  struct half_save {
    const char* what;
    std::function<void(folder_files&)> damage;
    std::string where;
  };
  const std::vector<half_save> cases{
      {"removed", [](folder_files& f) { f.erase("treno.txt"); }, "treno.txt"},
      {"emptied mid-save", [](folder_files& f) { f["linea.txt"].clear(); }, "linea.txt"},
      {"cut in the middle of a keyword",
       [](folder_files& f) {
         std::string& text = f["linea.txt"];
         text.resize(text.find("lunghezza percorso") + 14);
       },
       "linea.txt"},
      {"names missing", [](folder_files& f) { f["scenario.txt"] = "line_name=\n"; }, "scenario.txt"},
  };
  for (const half_save& c : cases) {
    SCOPED_TRACE(c.what);
    folder_files files = read_folder_files(starter);
    c.damage(files);
    live_state state;
    state.take(examine_folder("linea", read_folder_files(starter)));
    state.take(examine_folder("linea", files));
    const live_view& view = state.view();
    EXPECT_TRUE(view.has_errors);
    EXPECT_TRUE(view.stale);
    ASSERT_FALSE(view.findings.empty());
    bool named = false;
    for (const shown_finding& f : view.findings) named = named || f.where.rfind(c.where, 0) == 0;
    EXPECT_TRUE(named) << view.findings.front().where << ": " << view.findings.front().message;
  }
}

TEST(LiveState, TheViewIsOneLineOfJsonEvenForBytesThatAreNotUtf8) {
  live_state state;
  // A comment in Windows-1252 bytes in a folder that declares UTF-8: refused,
  // and the refused line is still shown.
  state.take(examine_folder("linea", starter_with("-- a signboard at 1100 m", "-- at the caf\xe9")));
  ASSERT_TRUE(state.view().has_errors);
  const std::string json = view_json(state.view());
  EXPECT_EQ(json.find('\n'), std::string::npos) << "an event's data is one line";
  const nlohmann::json parsed = nlohmann::json::parse(json);
  EXPECT_EQ(parsed["save"], 1);
  EXPECT_EQ(parsed["has_errors"], true);
  ASSERT_FALSE(parsed["findings"].empty());
  EXPECT_EQ(parsed["findings"][0]["where"], "linea.txt:31");
  EXPECT_EQ(parsed["findings"][0]["line"], "-- at the caf\xc3\xa9");
}

// --- the profile under the pointer --------------------------------------

TEST(ProfileHover, AxisMatchesTheDrawingAndRunsAndRecordsAreThere) {
  scenario_folder folder;
  std::vector<located_problem> problems;
  ASSERT_TRUE(folder.load(starter, problems));
  report::drawn_scenario drawn;
  std::string error;
  ASSERT_TRUE(report::load_folder(starter, folder, drawn, error)) << error;
  // The drawing's end-of-route mark stands where the hover's axis puts 5000 m.
  const std::string page = report::render_report(drawn);
  const std::string mark = "<path class=\"route-end\" d=\"M";
  const std::size_t at = page.find(mark);
  ASSERT_NE(at, std::string::npos);
  const double drawn_x = std::stod(page.substr(at + mark.size()));
  const profile_axis axis = profile_axis_of(drawn);
  EXPECT_NEAR(axis.left + 5000 / axis.extent_m * axis.width, drawn_x, 0.1);

  const nlohmann::json hover = nlohmann::json::parse(profile_hover_json(drawn));
  // The climb of 6 from 1800 m (cell 36), level again from 3800 m (cell 76).
  bool climb = false;
  for (std::size_t i = 0; i < hover["gradient"].size(); ++i) {
    const nlohmann::json& run = hover["gradient"][i];
    if (run[0] == 36 && run[1] == 75 && run[2] == 6) {
      climb = true;
      EXPECT_DOUBLE_EQ(hover["height_m"][i + 1].get<double>() - hover["height_m"][i].get<double>(),
                       40 * 50 * 6 / 1000.0);
    }
  }
  EXPECT_TRUE(climb) << hover["gradient"];
  // The speed board of linea.txt at 1500 m, cell 31, with its record.
  bool board = false;
  for (const nlohmann::json& record : hover["records"])
    board = board || (record[0] == 31 && record[1] == "linea.txt:29" && record[2] == "indicatori_vmax");
  EXPECT_TRUE(board) << hover["records"];
}

// --- the server --------------------------------------------------------

TEST(LiveServer, AnswersOnlyItsOwnHostAndItsOwnPaths) {
  const int port = 50123;
  const std::string own = "127.0.0.1:50123";
  struct request_case {
    std::string host, target;
    request_verdict verdict;
  };
  const std::vector<request_case> cases{
      {own, "/", request_verdict::serve},
      {"localhost:50123", "/events", request_verdict::serve},
      {"LocalHost:50123", "/live.js", request_verdict::serve},
      {own, "/live.css", request_verdict::serve},
      {own, "/view", request_verdict::serve},
      // DNS rebinding: another name, the address without the port, another port.
      {"evil.example:50123", "/", request_verdict::wrong_host},
      {"127.0.0.1", "/", request_verdict::wrong_host},
      {"127.0.0.1:50124", "/", request_verdict::wrong_host},
      {"127.0.0.1:50123.evil.example", "/", request_verdict::wrong_host},
      {"", "/", request_verdict::wrong_host},
      // Anything but the page's own paths, however spelt.
      {own, "/../etc/passwd", request_verdict::not_served},
      {own, "/%2e%2e/%2e%2e/etc/passwd", request_verdict::not_served},
      {own, "/%2E%2E%2Fetc%2Fpasswd", request_verdict::not_served},
      {own, "/live.js/../../linea.txt", request_verdict::not_served},
      {own, "/etc/passwd", request_verdict::not_served},
      {own, "//etc/passwd", request_verdict::not_served},
      {own, "http://127.0.0.1:50123/etc/passwd", request_verdict::not_served},
      {own, "C:\\Windows\\win.ini", request_verdict::not_served},
      {own, "/linea.txt", request_verdict::not_served},
      {own, "/view?file=linea.txt", request_verdict::not_served},
  };
  for (const request_case& c : cases)
    EXPECT_EQ(judge_request(c.host, c.target, port), c.verdict) << c.host << " " << c.target;
}

#ifdef _WIN32
using socket_handle = SOCKET;
void close_socket(socket_handle sock) { closesocket(sock); }
#else
using socket_handle = int;
void close_socket(socket_handle sock) { close(sock); }
#endif

// Sends `request` as it is to 127.0.0.1:`port` and returns the status line.
std::string raw_status(int port, const std::string& request) {
  const socket_handle sock = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close_socket(sock);
    return "no connection";
  }
  send(sock, request.data(), static_cast<int>(request.size()), 0);
  std::string answer(256, '\0');
  const auto got = recv(sock, answer.data(), static_cast<int>(answer.size()), 0);
  close_socket(sock);
  answer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return answer.substr(0, answer.find("\r\n"));
}

// A port of 127.0.0.1 that was free a moment ago, or 0.
int free_port() {
  const socket_handle sock = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  close_socket(sock);
  return port;
}

TEST(LiveServer, RefusesForeignHostsAndPathsOnTheWire) {
  live_server server;
  std::string error;
  ASSERT_TRUE(server.open(0, error)) << error;
  server.start();
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  const auto get = [&](const std::string& target, const std::string& host_line) {
    return raw_status(server.port(), "GET " + target + " HTTP/1.1\r\n" + host_line + "Connection: close\r\n\r\n");
  };
  EXPECT_EQ(get("/", host), "HTTP/1.1 200 OK");
  EXPECT_EQ(get("/live.js", host), "HTTP/1.1 200 OK");
  EXPECT_EQ(get("/", "Host: attacker.example:" + std::to_string(server.port()) + "\r\n"), "HTTP/1.1 403 Forbidden");
  EXPECT_EQ(get("/", ""), "HTTP/1.1 403 Forbidden");
  for (const char* target : {"/../../../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/etc/passwd",
                             "http://127.0.0.1/etc/passwd", "/%2e%2e%2f%2e%2e%2fetc%2fpasswd"})
    EXPECT_EQ(get(target, host), "HTTP/1.1 404 Not Found") << target;
  server.stop();
}

TEST(LiveServer, PushesEverySaveToEveryOpenPage) {
  live_server server;
  std::string error;
  ASSERT_TRUE(server.open(0, error)) << error;
  server.publish(R"({"save":1})");
  server.start();
  // Two pages read the event stream; each must see the first view, then the
  // next, which is published once both have the first (a page that connects
  // later gets only the latest view, which is right but not what is tested).
  std::atomic<int> pages_with_first{0};
  const auto read_events = [&](std::vector<std::string>& seen) {
    httplib::Client client("127.0.0.1", server.port());
    client.set_read_timeout(std::chrono::seconds(5));
    std::string buffer;
    client.Get("/events", [&](const char* data, std::size_t size) {
      buffer.append(data, size);
      for (std::size_t end; (end = buffer.find("\n\n")) != std::string::npos; buffer.erase(0, end + 2))
        if (buffer.starts_with("event: view\ndata: ")) {
          seen.push_back(buffer.substr(18, end - 18));
          if (seen.size() == 1) ++pages_with_first;
        }
      return seen.size() < 2;
    });
  };
  std::vector<std::string> first, second;
  std::thread a(read_events, std::ref(first)), b(read_events, std::ref(second));
  for (int waited = 0; pages_with_first < 2 && waited < 200; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  server.publish(R"({"save":2})");
  a.join();
  b.join();
  const std::vector<std::string> expected{R"({"save":1})", R"({"save":2})"};
  EXPECT_EQ(first, expected);
  EXPECT_EQ(second, expected);
  httplib::Client client("127.0.0.1", server.port());
  const httplib::Result view = client.Get("/view");
  ASSERT_TRUE(view);
  EXPECT_EQ(view->body, R"({"save":2})");
  server.stop();
}

TEST(LiveServer, StopEndsOpenEventStreams) {
  live_server server;
  std::string error;
  ASSERT_TRUE(server.open(0, error)) << error;
  server.publish("{}");
  server.start();
  std::atomic<bool> streaming{false};
  std::thread page([&] {
    httplib::Client client("127.0.0.1", server.port());
    client.Get("/events", [&](const char*, std::size_t) { return streaming = true; });
  });
  for (int waited = 0; !streaming && waited < 200; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(streaming) << "the page never got its first event";
  const auto start = std::chrono::steady_clock::now();
  server.stop();
  page.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(LiveServer, ABusyPortIsNamed) {
  live_server first;
  std::string error;
  ASSERT_TRUE(first.open(0, error)) << error;
  live_server second;
  ASSERT_FALSE(second.open(first.port(), error));
  EXPECT_NE(error.find("port " + std::to_string(first.port())), std::string::npos) << error;
  EXPECT_NE(error.find("busy"), std::string::npos) << error;
}

// The command itself, as an author starts it (under wine too): it prints its
// address, serves the page of the folder's first save there, and stops by
// itself without touching the folder.
TEST(ServeProgram, ServesTheFoldersPageAndStops) {
  scratch_directory scratch;
  const fs::path folder = starter_copy(scratch);
  const int port = free_port();
  ASSERT_NE(port, 0);
  process_result run;
  std::thread serve([&] {
    run = run_process(COMPILA_TOOL, {"serve", folder.string(), "--port", std::to_string(port), "--stop-after", "6"},
                      scratch.path);
  });
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(1);
  std::string title;
  for (int attempt = 0; attempt < 40 && title.empty(); ++attempt) {
    if (const auto answer = client.Get("/view"); answer && answer->status == 200) {
      const auto view = nlohmann::json::parse(answer->body);
      title = view.value("title", "");
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  serve.join();
  EXPECT_NE(title.find("train"), std::string::npos) << "no drawn view was served";
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("http://127.0.0.1:" + std::to_string(port) + "/\n", 0), 0u) << run.out;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names.size(), 6u) << "nothing is written into the author's folder";
}

}  // namespace
}  // namespace compila::testing

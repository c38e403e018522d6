#include "tool/lsp/document_uri.h"

#include <cctype>

#include "platform/platform.h"

namespace compila::lsp {
namespace {

constexpr std::string_view file_scheme = "file://";

int hex_digit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

bool drive_letter_path(std::string_view path) {
  return path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) != 0 && path[2] == ':';
}

}  // namespace

std::optional<std::string> path_of_uri(std::string_view uri) {
  if (!uri.starts_with(file_scheme)) return std::nullopt;
  uri.remove_prefix(file_scheme.size());
  const std::size_t path_start = uri.find('/');  // past an authority ("localhost")
  if (path_start == std::string_view::npos) return std::nullopt;
  uri.remove_prefix(path_start);
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      path.push_back(uri[i]);
      continue;
    }
    if (i + 2 >= uri.size() || hex_digit(uri[i + 1]) < 0 || hex_digit(uri[i + 2]) < 0) return std::nullopt;
    path.push_back(static_cast<char>(hex_digit(uri[i + 1]) * 16 + hex_digit(uri[i + 2])));
    i += 2;
  }
  if (path.find('\0') != std::string::npos) return std::nullopt;
  if (platform::on_windows && drive_letter_path(path)) path.erase(0, 1);  // "/C:/x" is "C:/x"
  return path;
}

folder_file split_path(std::string_view path) {
  const std::size_t slash = path.find_last_of(platform::on_windows ? "/\\" : "/");
  if (slash == std::string_view::npos) return {".", std::string(path)};
  return {std::string(path.substr(0, slash == 0 ? 1 : slash)), std::string(path.substr(slash + 1))};
}

std::string uri_of_path(std::string_view path) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string uri(file_scheme);
  if (!path.starts_with('/')) uri.push_back('/');
  for (const char ch : path) {
    const auto byte = static_cast<unsigned char>(ch);
    const char plain = platform::on_windows && ch == '\\' ? '/' : ch;
    if (std::isalnum(byte) != 0 || std::string_view("/-._~:").find(plain) != std::string_view::npos) {
      uri.push_back(plain);
    } else {
      uri += {'%', digits[byte >> 4], digits[byte & 15]};
    }
  }
  return uri;
}

}  // namespace compila::lsp

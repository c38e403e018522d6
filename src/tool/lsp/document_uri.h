// Documents are named by file URIs: "file:///home/a/Linea%20Pr%C3%B2va/linea.txt",
// and on Windows "file:///C:/..." or "file:///c%3A/...". The path is UTF-8,
// with the platform's separators left as the URI gives them ('/').
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace compila::lsp {

// The path a file URI names; nothing for another scheme or a URI whose
// escapes do not read.
std::optional<std::string> path_of_uri(std::string_view uri);

// The folder and the file name of a document's path.
struct folder_file {
  std::string folder;
  std::string name;
};
folder_file split_path(std::string_view path);

// The file URI of `path` (a folder's file, for a change on disk).
std::string uri_of_path(std::string_view path);

}  // namespace compila::lsp

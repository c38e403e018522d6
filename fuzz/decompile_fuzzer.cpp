// Fuzzes scenario_tool decompile. The input holds a line source, a NUL byte,
// a train source, a NUL byte and patches: the sources are built, the patches
// (four bytes each: file, offset high and low, XOR mask) change the three
// binary files, and the files are decompiled. Whatever the bytes, decompiling
// must end normally, and whenever it says the sources rebuild the files
// (status 0), building them again must give the very same bytes.
#include <cstdint>
#include <string>

#include "driver/build_pipeline.h"
#include "driver/post_processing.h"
#include "format/binary_writer.h"
#include "fuzz_support.h"
#include "model/file_names.h"
#include "tool/decompile/decompiler.h"

namespace {

using namespace compila;
using compila::fuzzing::require;

std::string as_text(const byte_buffer& bytes) { return {bytes.begin(), bytes.end()}; }

// The three binary files of a build of the two texts, or false when the
// build writes none.
bool build(const std::string& line, const std::string& train, decompile::build_files& files) {
  scenario_model model = fuzzing::compile_texts(line, train, true);
  if (!model.has_cells()) return false;
  post_process_track(model);
  if (stamp_model(model) != nullptr) return false;
  files.line_name = model.line_name;
  files.train_number = model.train_number;
  files.plan = {line_data_name(model), as_text(encode_line_data(model))};
  files.items = {item_file_name(model), as_text(encode_item_file(model))};
  files.track = {track_file_name(model), as_text(encode_track_file(model))};
  return true;
}

void apply_patches(const std::string& patches, decompile::build_files& files) {
  for (std::size_t p = 0; p + 4 <= patches.size(); p += 4) {
    std::string* file[] = {&files.plan.bytes, &files.items.bytes, &files.track.bytes};
    std::string& bytes = *file[static_cast<unsigned char>(patches[p]) % 3];
    if (bytes.empty()) continue;
    const std::size_t offset =
        (static_cast<unsigned char>(patches[p + 1]) * 256u + static_cast<unsigned char>(patches[p + 2])) % bytes.size();
    bytes[offset] = static_cast<char>(bytes[offset] ^ patches[p + 3]);
  }
}

const std::string& folder_file(const decompile::decompiled& result, std::string_view name) {
  for (const auto& [file, bytes] : result.folder)
    if (file == name) return bytes;
  static const std::string none;
  require(false, "a decompiled folder without one of its files");
  return none;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t first = input.find('\0');
  const std::size_t second = first == std::string::npos ? std::string::npos : input.find('\0', first + 1);
  const std::string line = input.substr(0, first);
  const std::string train = first == std::string::npos ? "" : input.substr(first + 1, second - first - 1);
  const std::string patches = second == std::string::npos ? "" : input.substr(second + 1);
  decompile::build_files files;
  if (!build(line, train, files)) return 0;
  apply_patches(patches, files);

  const decompile::decompiled result = decompile::decompile_build(files);
  require(result.status == 0 || result.status == 1 || result.status == 2, "a status decompile never gives");
  require(result.status != 0 || !result.folder.empty(), "status 0 without a folder");
  if (result.status != 0) return 0;
  decompile::build_files again;
  require(build(folder_file(result, line_source_file.folder_name), folder_file(result, train_source_file.folder_name),
                again),
          "decompiled sources whose build writes no files");
  require(again.plan.bytes == files.plan.bytes, "a rebuilt line data file that differs");
  require(again.items.bytes == files.items.bytes, "a rebuilt item file that differs");
  require(again.track.bytes == files.track.bytes, "a rebuilt track file that differs");
  return 0;
}

// The one reader of whole files: what it refuses, and that the refusal names
// the file and the reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/read_whole_file.h"
#include "platform/utf8_path.h"
#include "test_support.h"

namespace compila::testing {
namespace {

namespace fs = std::filesystem;

TEST(ReadWholeFile, RefusesWhatIsNoReadableFileNamingIt) {
  scratch_directory dir;
  fs::create_directories(dir / "folder");
  // Sparse where the file system allows it: nothing of it is read.
  std::ofstream(dir / "huge.dat", std::ios::binary).close();
  fs::resize_file(dir / "huge.dat", largest_readable_file + 1);
  const struct {
    std::string name;
    file_read_error::kind what;
    std::string reason;
  } cases[] = {
      {"absent.txt", file_read_error::kind::missing, ""},
      {"folder", file_read_error::kind::directory, "it is a directory"},
      {"huge.dat", file_read_error::kind::too_large, "larger than 64 MiB, more than any file a build writes"},
  };
  for (const auto& c : cases) {
    const std::string path = utf8_text(dir / c.name);
    std::string bytes;
    file_read_error error;
    EXPECT_FALSE(read_whole_file(path, bytes, error)) << c.name;
    EXPECT_EQ(error.what, c.what) << c.name;
    EXPECT_EQ(error.message().rfind(path + ": cannot read: ", 0), 0u) << error.message();
    if (!c.reason.empty()) {
      EXPECT_EQ(error.reason, c.reason) << c.name;
    }
    std::string message;
    EXPECT_FALSE(read_whole_file(path, bytes, message));
    EXPECT_EQ(message, error.message());
  }
}

TEST(ReadWholeFile, ReadsAFileOfTheLimitWhole) {
  scratch_directory dir;
  {
    std::ofstream out(dir / "edge.dat", std::ios::binary);
    out << "ab";
  }
  fs::resize_file(dir / "edge.dat", largest_readable_file);
  std::vector<std::uint8_t> bytes;
  file_read_error error;
  ASSERT_TRUE(read_whole_file(utf8_text(dir / "edge.dat"), bytes, error)) << error.message();
  ASSERT_EQ(bytes.size(), largest_readable_file);
  EXPECT_EQ(bytes[0], 'a');
  EXPECT_EQ(bytes[1], 'b');
  EXPECT_EQ(bytes.back(), 0);
}

#ifndef _WIN32
// A file whose size is not known beforehand is still cut at the limit.
TEST(ReadWholeFile, StopsAnEndlessFileAtTheLimit) {
  std::string bytes;
  file_read_error error;
  EXPECT_FALSE(read_whole_file("/dev/zero", bytes, error));
  EXPECT_EQ(error.what, file_read_error::kind::too_large) << error.message();
}
#endif

}  // namespace
}  // namespace compila::testing

#include "format/binary_writer.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace compila {
namespace {

byte_buffer slice(const byte_buffer& bytes, std::size_t offset, std::size_t size) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
          bytes.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

TEST(BinaryFiles, ATrackCellIsFifteenLittleEndianBytes) {
  scenario_model model;
  model.cells.resize(2);
  model.cells[1] = {3, -2, 0x1234, -32768, 32767, 6, 31, 2, 24, 95, 100};
  const byte_buffer bytes = encode_track_file(model);
  ASSERT_EQ(bytes.size(), 30u);
  EXPECT_EQ(slice(bytes, 0, 15), byte_buffer(15, 0));
  EXPECT_EQ(slice(bytes, 15, 15), (byte_buffer{0x03, 0xFE, 0xFF, 0x34, 0x12, 0x00, 0x80, 0xFF, 0x7F,  //
                                               0x06, 0x1F, 0x02, 0x18, 0x5F, 0x64}));
}

TEST(BinaryFiles, AnItemIsPackedWithItsTextInTheMiddle) {
  scenario_model model;
  item& it = model.items[0];
  it = {7, -1, 0x01020304, 82000, 9, "Ab c", 610, -1, 3, 32767, -32768, 1, 2, 3, 255, -3600};
  model.items[86].text = "40517";
  const byte_buffer bytes = encode_item_file(model);
  ASSERT_EQ(bytes.size(), 87u * 34 + 4 + 5);
  EXPECT_EQ(slice(bytes, 0, 38), (byte_buffer{0x07,                                // kind
                                              0xFF, 0xFF, 0xFF, 0xFF,              // start_m
                                              0x04, 0x03, 0x02, 0x01,              // end_m
                                              0x50, 0x40, 0x01, 0x00,              // at_m
                                              0x09,                                // flag
                                              0x04, 0x00, 'A',  'b',  ' ',  'c',   // text
                                              0x62, 0x02, 0xFF, 0xFF, 0x03, 0x00,  // word_1..3
                                              0xFF, 0x7F, 0x00, 0x80,              // word_4, word_5
                                              0x01, 0x02, 0x03, 0xFF,              // byte_1..4
                                              0xF0, 0xF1, 0xFF, 0xFF}));           // seconds
  EXPECT_EQ(slice(bytes, 38, 34), byte_buffer(34, 0));                             // an empty item
  const std::size_t slot_86 = 38 + 85 * 34;
  EXPECT_EQ(slice(bytes, slot_86 + 14, 7), (byte_buffer{0x05, 0x00, '4', '0', '5', '1', '7'}));
}

TEST(BinaryFiles, ATextTooLongForItsCountIsCutSoTheRecordStaysWhole) {
  scenario_model model;
  model.items[0].text = std::string(70000, 'x');
  model.items[0].word_1 = 610;
  const byte_buffer bytes = encode_item_file(model);
  ASSERT_EQ(bytes.size(), 87u * 34 + 65535);
  EXPECT_EQ(slice(bytes, 14, 2), (byte_buffer{0xFF, 0xFF}));
  EXPECT_EQ(slice(bytes, 16 + 65535, 2), (byte_buffer{0x62, 0x02}));
}

TEST(BinaryFiles, TaggedValuesCarryTheirVariantCode) {
  scenario_model model;
  model.track_plan.create(4);
  EXPECT_EQ(encode_line_data(model), byte_buffer(20, 0x00));  // before the origin every point is empty
  model.track_plan.place_origin();
  model.track_plan.extend_to(2, 0.0);
  EXPECT_EQ(encode_line_data(model), (byte_buffer{0x02, 0x00, 0x00, 0x00,                       // x: 16-bit integers
                                                  0x02, 0x00, 0x00, 0x00,                       //
                                                  0x05, 0x00, 0,    0,    0, 0, 0, 0, 0, 0,     // binary64 0.0
                                                  0x00, 0x00, 0x00, 0x00,                       // two empty points
                                                  0x02, 0x00, 0x00, 0x00,                       // then the y half
                                                  0x02, 0x00, 0x01, 0x00,                       //
                                                  0x05, 0x00, 0,    0,    0, 0, 0, 0, 0, 0x40,  // binary64 2.0
                                                  0x00, 0x00, 0x00, 0x00}));
}

TEST(BinaryFiles, TheLineDataFileOfACompiledLineHasItsFixedSize) {
  const scenario_model model = testing::compiled_model(testing::line_source("", 1000));
  ASSERT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  ASSERT_EQ(model.track_extent_m, 8000);
  const byte_buffer bytes = encode_line_data(model);
  ASSERT_EQ(bytes.size(), 20u * (8000 - 3) + 24);
  const std::size_t half = bytes.size() / 2;
  EXPECT_EQ(slice(bytes, 0, 10), (byte_buffer{0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00}));
  EXPECT_EQ(slice(bytes, half - 4, 4), (byte_buffer{0x00, 0x00, 0x00, 0x00}));  // x of the last two points
  EXPECT_EQ(slice(bytes, half, 10), (byte_buffer{0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x05, 0x00}));
  EXPECT_EQ(slice(bytes, bytes.size() - 4, 4), (byte_buffer{0x00, 0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace compila

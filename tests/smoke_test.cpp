#include <gtest/gtest.h>

#include "test_support.h"

namespace compila::testing {
namespace {

TEST(Smoke, EmbeddedTrainSourceCompilesWithoutDiagnostic) {
  scenario_model model = compiled_model(line_source(""), embedded_train_source());
  EXPECT_EQ(model.error_kind, 0) << model.diagnostic.detail;
  EXPECT_EQ(model.cell_count, 1780);
}

}  // namespace
}  // namespace compila::testing

// SPDX-License-Identifier: GPL-3.0-or-later
// The progress percentage both front ends show.
#include <gtest/gtest.h>

#include "ui/Ui.h"

namespace rz::test {
namespace {

TEST(UiProgress, PercentRoundsDownCapsAndSurvivesLargeCounts) {
  struct Case {
    std::uint32_t done, total;
    std::optional<unsigned> percent;
  };
  const Case cases[] = {
      {0, ui::kUnknownTotal, std::nullopt}, {7, ui::kUnknownTotal, std::nullopt},
      {0, 200, 0u},                         {199, 200, 99u},
      {200, 200, 100u},                     {300, 200, 100u},
      {0x80000000u, 0xFFFFFFFFu, 50u},      {0xFFFFFFFFu, 0xFFFFFFFFu, 100u},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ui::ProgressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

}  // namespace
}  // namespace rz::test

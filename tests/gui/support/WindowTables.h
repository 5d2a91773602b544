#pragma once
// The layout tables of the start, explanation and import windows, as the
// window tests compare them.

#include "support/GuiTest.h"

#include "ui/Deliverable.h"

#include <vector>

namespace classdiv::testing {

std::vector<ExpectedControl> startWindowTable();
std::vector<ExpectedControl> explanationWindowTable();
std::vector<ExpectedControl> importWindowTable(const Deliverable& deliverable);

} // namespace classdiv::testing

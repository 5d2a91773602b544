#pragma once
// Program start, shared by both programs.

#include "ui/Deliverable.h"

namespace classdiv {

int runProgram(int argc, char* argv[], const Deliverable& deliverable);

} // namespace classdiv

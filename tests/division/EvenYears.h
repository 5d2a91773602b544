#pragma once
// Years for evening out the averages: the ones the benchmarks measure.

#include "support/BenchmarkYears.h"

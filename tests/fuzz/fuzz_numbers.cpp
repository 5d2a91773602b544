// The numeric value of arbitrary text, and the file and print forms of it.

#include "common/Numbers.h"

#include <cmath>

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const double value = textValue(text);
    if (const std::optional<int16_t> whole = boxNumber(text); whole && std::abs(*whole - value) > 0.5)
        __builtin_trap();
    if (!std::isfinite(value))
        return 0;
    // What is written reads back as itself once rounded to the digits written.
    const QString written = fileNumber(value, 15);
    if (fileNumber(textValue(written), 15) != written)
        __builtin_trap();
    printNumber(value, 7);
    roundOneDecimal(float(value));
    return 0;
}

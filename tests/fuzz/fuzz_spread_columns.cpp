// The file of the marks and mixing columns: whatever it holds, the reader
// either refuses it or returns a choice that writes back to the same bytes.

#include "conditions/SpreadColumns.h"

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<SpreadChoice> choice = parseSpreadFile(bytes);
    if (!choice)
        return 0;
    if (choice->marksColumn < 0 || choice->mixColumn < 0 || formatSpreadFile(*choice) != bytes)
        __builtin_trap();
    return 0;
}

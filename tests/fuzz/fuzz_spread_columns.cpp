// The file of the rules' columns: whatever it holds, the reader either
// refuses it or returns a choice that writes back to the same bytes; a file
// whose later lines are empty (three of five, or the sixth) writes back as
// the lines it means.

#include "conditions/SpreadColumns.h"

#include <algorithm>

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<SpreadChoice> choice = parseSpreadFile(bytes);
    if (!choice)
        return 0;
    const QByteArray written = formatSpreadFile(*choice);
    const QByteArray rest = bytes.mid(written.size());
    const bool unusedLaterLines = written.size() < bytes.size() && bytes.startsWith(written) &&
                                  (rest == "\r\n\r\n\r\n" || rest == "\r\n" || rest == "\r\n\r\n\r\n\r\n");
    const bool unsetAsZero = std::any_of(choice->begin(), choice->end(), [](const std::vector<int16_t>& columns) {
        return std::find_if(columns.begin(), columns.end(), [](int16_t column) { return column < 1; }) != columns.end();
    });
    if (unsetAsZero || (written != bytes && !unusedLaterLines) ||
        parseSpreadFile(written) != choice)
        __builtin_trap();
    return 0;
}

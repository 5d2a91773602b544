// The file of the rules' columns: whatever it holds, the reader either
// refuses it or returns a choice that writes back to the same bytes; a file
// of five lines whose last three are empty writes back as the two lines it
// means.

#include "conditions/SpreadColumns.h"

using namespace classdiv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<SpreadChoice> choice = parseSpreadFile(bytes);
    if (!choice)
        return 0;
    const QByteArray written = formatSpreadFile(*choice);
    const bool unusedLaterLines = written.size() < bytes.size() && bytes.startsWith(written) &&
                                  bytes.mid(written.size()) == "\r\n\r\n\r\n";
    if (choice->marksColumn < 0 || choice->mixColumn < 0 || (written != bytes && !unusedLaterLines) ||
        parseSpreadFile(written) != choice)
        __builtin_trap();
    return 0;
}

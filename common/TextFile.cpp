#include "common/TextFile.h"

#include "common/CodePage932.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <chrono>
#include <thread>

namespace classdiv {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

} // namespace

std::optional<DecodedText> decodeText(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    const bool bom = view.startsWith(kUtf8Bom);
    const bool ascii = std::all_of(view.begin(), view.end(), [](char c) { return static_cast<uchar>(c) < 0x80; });
    if (bom || (!ascii && view.isValidUtf8())) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(bom ? view.sliced(kUtf8Bom.size()) : view);
        if (decoder.hasError())
            return std::nullopt;
        return DecodedText{text, TextEncoding::Utf8};
    }
    std::optional<QString> text = cp932Decode(bytes);
    if (!text)
        return std::nullopt;
    return DecodedText{std::move(*text), TextEncoding::Cp932};
}

QByteArray byteOrderMark(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? kUtf8Bom : QByteArray();
}

std::optional<QByteArray> encodeFragment(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) {
        QStringEncoder encoder(QStringEncoder::Utf8);
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError())
            return std::nullopt;
        return bytes;
    }
    return cp932Encode(text);
}

std::optional<QByteArray> encodeText(const QString& text, TextEncoding encoding)
{
    auto bytes = encodeFragment(text, encoding);
    if (!bytes)
        return std::nullopt;
    return byteOrderMark(encoding) + *bytes;
}

TextFileContent readTextFile(const QString& path)
{
    TextFileContent content;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        content.status = ReadStatus::NotFound;
        return content;
    }
    if (!info.isFile()) {
        content.status = ReadStatus::Unreadable;
        return content;
    }
    if (info.size() > kMaxTextFileBytes) {
        content.status = ReadStatus::TooLarge;
        return content;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        content.status = ReadStatus::Unreadable;
        return content;
    }
    // A read of n bytes sets n bytes aside first: ask for what the file
    // holds, and for the rest only if it grew since it was measured.
    QByteArray bytes = file.read(std::min(info.size(), kMaxTextFileBytes) + 1);
    if (bytes.size() > info.size())
        bytes += file.read(kMaxTextFileBytes + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError) {
        content.status = ReadStatus::Unreadable;
        return content;
    }
    if (bytes.size() > kMaxTextFileBytes) {
        content.status = ReadStatus::TooLarge;
        return content;
    }
    auto decoded = decodeText(bytes);
    if (!decoded) {
        content.status = ReadStatus::InvalidEncoding;
        return content;
    }
    content.status = ReadStatus::Ok;
    content.text = std::move(decoded->text);
    content.encoding = decoded->encoding;
    return content;
}

namespace {

// Windows renames nothing over a file another program has open at that
// moment (a colleague's program reading the drafts, a virus scanner, the
// indexer; under Wine any open handle at all), where POSIX replaces it at
// once. The rename is tried again for a short while there, so that a reader
// of a few milliseconds does not make a save fail and wait for the next
// change; everywhere else one try decides.
#ifdef Q_OS_WIN
constexpr int kReplaceTries = 40;
#else
constexpr int kReplaceTries = 1;
#endif
constexpr auto kReplacePause = std::chrono::milliseconds(25);

enum class Commit { Done, Failed, NotReplaced };

Commit writeOnce(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Only a complete, committed file replaces the target.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return Commit::Failed;
    // commit() does not notice a flush that fails when it closes the file (a
    // full disk cuts a small file short), so flush and check first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return Commit::Failed;
    }
    if (file.commit())
        return Commit::Done;
    return file.error() == QFileDevice::RenameError ? Commit::NotReplaced : Commit::Failed;
}

} // namespace

WriteStatus writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return WriteStatus::Failed;
    for (int tries = 1;; ++tries) {
        const Commit commit = writeOnce(path, bytes);
        if (commit == Commit::Done)
            return WriteStatus::Ok;
        if (commit == Commit::Failed || tries >= kReplaceTries)
            return WriteStatus::Failed;
        std::this_thread::sleep_for(kReplacePause);
    }
}

} // namespace classdiv

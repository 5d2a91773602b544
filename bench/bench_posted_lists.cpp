// The posted lists of 500 students in 12 classes: numbers, pages, the PDF
// and the numbers' CSV (goal: 1 s); and 500 readings sorted in the 五十音
// order (goal: 5 ms).

#include "division/lists/KanaOrder.h"
#include "export/PostedLists.h"
#include "ui/Layout.h"
#include "bench/PaintingMain.h"
#include "ui/PostedListsPdf.h"

#include "support/Years.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <random>

using namespace classdiv;

namespace {

// Readings of family and given name mixing hiragana, katakana, half-width
// katakana, voiced kana, small kana and long marks.
std::vector<QString> readings(int count)
{
    const QString syllables = QStringLiteral("あいうえおかがきぎくけこさざしじすせそただちぢつってとなにのはばぱひびぴふまみもやゃゆよらりわをんー");
    std::mt19937 rng(500);
    std::vector<QString> result;
    for (int i = 0; i < count; ++i) {
        QString reading;
        for (int part = 0; part < 2; ++part) {
            for (int k = 0, n = 2 + int(rng() % 3); k < n; ++k)
                reading += syllables[int(rng() % syllables.size())];
            reading += part == 0 ? QStringLiteral("　") : QString();
        }
        if (i % 3 == 1)
            for (QChar& c : reading)
                if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
                    c = QChar(c.unicode() + 0x60);
        if (i % 7 == 2)
            reading = reading.normalized(QString::NormalizationForm_KD); // voiced marks apart
        result.push_back(reading);
    }
    return result;
}

struct PostedYear {
    testing::PlacedYear year;
    NumberingChoice choice;
};

PostedYear postedYear()
{
    std::vector<testing::Placed> placed;
    PostedYear posted;
    posted.choice.readings = readings(kMaxStudents);
    posted.choice.readings.insert(posted.choice.readings.begin(), QString());
    posted.choice.readingName = QStringLiteral("ふりがな");
    for (int i = 0; i < kMaxStudents; ++i)
        placed.push_back({1 + i % 12, {QString::number(20101 + i), QStringLiteral("山田　太郎%1").arg(i), QStringLiteral("G"),
                                       QString::number(i % 100)}});
    posted.year = testing::placedYear(placed);
    return posted;
}

void PostedLists500(benchmark::State& state)
{
    const PostedYear posted = postedYear();
    for (auto _ : state) {
        const AttendanceNumbers numbers = attendanceNumbers(posted.year.students, posted.year.classes, posted.choice);
        const QByteArray pdf = postedListsPdf(postedPages(posted.year.students, posted.year.classes, numbers));
        const NumbersFileContent file = formatNumbersFile(posted.year.students, posted.year.classes, numbers);
        if (pdf.isEmpty() || !file.bytes) {
            state.SkipWithError("nothing made");
            return;
        }
        benchmark::DoNotOptimize(pdf);
    }
}
BENCHMARK(PostedLists500)->Unit(benchmark::kMillisecond);

void SortReadings500(benchmark::State& state)
{
    const std::vector<QString> all = readings(kMaxStudents);
    for (auto _ : state) {
        std::vector<std::pair<ReadingKey, int>> keys;
        keys.reserve(all.size());
        for (size_t i = 0; i < all.size(); ++i)
            keys.emplace_back(readingKey(all[i]), int(i));
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            const int c = compareReadingKeys(a.first, b.first);
            return c != 0 ? c < 0 : a.second < b.second;
        });
        benchmark::DoNotOptimize(keys);
    }
}
BENCHMARK(SortReadings500)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char* argv[]) { return runPaintingBenchmarks(argc, argv); }

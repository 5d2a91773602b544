#pragma once
// The class lists: which classes a draw uses, each class's students in the
// order the teacher asks for, the cells of a row and the figures of a class,
// the same figures the distribution table shows.

#include "conditions/SpreadRules.h"
#include "division/draw/DistributionTable.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <vector>

namespace classdiv {

enum class RosterOrder {
    Score, // highest first
    Name,  // Japanese collation
    File   // the order of the CSV
};

// "１組" .. "９組" in full-width digits, "10組", "11組" and so on.
QString classLabel(int classNumber);

// The distinct classes of the draw, ascending; none without a draw. Students
// not placed yet are in none of them.
std::vector<int> classesInUse(const std::vector<int16_t>& classes);

// The rows of the class's students; equal keys keep the CSV's order.
std::vector<int> rosterRows(const Students& students, const std::vector<int16_t>& classes, int classNumber,
                            RosterOrder order);

struct ClassFigures {
    int headCount = 0;
    float average = 0;
    float difference = 0;
    BandCounts bandCounts{}; // [1 .. kBandCount]
    bool operator==(const ClassFigures&) const = default;
};

// Computed as the distribution table computes a class row, for any class
// (a class above 10 has no row there but still has a list): every class
// number that has students in one pass, kUnplacedClass for the students not
// placed, the difference from the year's average as the table shows it.
// division/DivisionFigures.h holds them with the other figures of a division.
std::map<int, ClassFigures> everyClassFigures(const Students& students, const std::vector<int16_t>& classes,
                                              const ScoreBands& bands, float yearAverage);
// One class's of them; zeros for a class with no students.
ClassFigures classFigures(const Students& students, const std::vector<int16_t>& classes,
                          const DistributionTable& distribution, int classNumber);
// "40人　平均 62.3　平均差 0.5"
QString figuresText(const ClassFigures& figures);

// The columns of a roster row. The headings are the CSV's own item names
// where it has them. With no name column the identifier stands in for it.
struct RosterColumns {
    bool identifierForName = false;
    QStringList headings;
    int scoreColumn = 2;
    // The rules' columns when set, -1 when not; flagColumns beside the rules' flag columns.
    int markColumn = -1;
    int mixColumn = -1;
    int togetherColumn = -1;
    int fixedColumn = -1;
    std::vector<int> flagColumns;
};
RosterColumns rosterColumns(const Students& students, const SpreadRules& rules);
QStringList rosterCells(const Students& students, const SpreadRules& rules, const RosterColumns& columns, int row);

} // namespace classdiv

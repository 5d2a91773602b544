#pragma once
// The class lists: which classes a draw uses, each class's students in the
// order the teacher asks for, the cells of a row and the figures of a class,
// the same figures the distribution table shows.

#include "division/DistributionTable.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace classdiv {

enum class RosterOrder {
    Score, // highest first
    Name,  // Japanese collation
    File   // the order of the CSV
};

// "１組" .. "９組" in full-width digits, "10組", and any other class as typed.
QString classLabel(const QString& classText);
// Class numbers by value, so 2 comes before 10.
bool classTextLess(const QString& a, const QString& b);

// The distinct non-empty classes of students 1 .. N, in class order.
std::vector<QString> classesInUse(const StudentTable& table);

// The rows of the class's students; equal keys keep the CSV's order.
std::vector<int> rosterRows(const StudentTable& table, const QString& classText, RosterOrder order);

struct ClassFigures {
    int headCount = 0;
    float average = 0;
    float difference = 0;
    std::array<int, 7> bandCounts{}; // [1..6]
    bool operator==(const ClassFigures&) const = default;
};

// Computed as the distribution table computes a class row, for any class
// text (a class above 10 has no row there but still has a list).
ClassFigures classFigures(const StudentTable& table, const DistributionTable& distribution, const QString& classText);
// "40人　平均 62.3　平均差 0.5"
QString figuresText(const ClassFigures& figures);

// The columns of a roster row. The headings are the CSV's own item names
// where it has them. With no name column the identifier stands in for it.
struct RosterColumns {
    bool identifierForName = false;
    bool marks = false;
    bool mix = false;
    QStringList headings;
    int scoreColumn = 2;
    int markColumn = -1;
};
RosterColumns rosterColumns(const StudentTable& table, const SpreadRules& rules);
QStringList rosterCells(const StudentTable& table, const SpreadRules& rules, const RosterColumns& columns, int row);

} // namespace classdiv

#include "division/Year.h"

#include "conditions/SpreadColumns.h"
#include "division/EveningProblem.h"
#include "division/EveningRun.h"
#include "division/rules/RuleChecks.h"

namespace classdiv {

namespace {

Year::Loaded loadedFrom(const LoadOutcome& load)
{
    return {load.listEntries, load.studentCountText, load.groupCountText, load.refusal};
}

} // namespace

Year::Year(const StudentTable& table) : m_students(typedStudents(table))
{
    LoadOutcome load = table.studentCount() > kMaxStudents ? refusedLoad(kStudentsBeyondTableMessage)
                                                           : loadGroups(m_students);
    if (load.refusal) {
        // Nothing of a year that does not fit is kept: every later button
        // works on a consistent, empty year.
        m_students.rows.resize(1);
        m_students.wholeScores = true;
    }
    m_loaded = loadedFrom(load);
    m_workspace = std::move(load.workspace);
    m_bands = scoreBands(m_students);
    setRules({});
}

Year::Year(Students students, ConditionsWorkspace workspace)
    : m_students(std::move(students)), m_workspace(std::move(workspace))
{
    m_loaded.studentCountText = QString::number(m_students.count());
    m_loaded.groupCountText = QString::number(m_workspace.groupCount());
    for (int g = 1; g <= m_workspace.groupCount(); ++g)
        m_loaded.groupList << m_workspace.groupName[g];
    m_bands = scoreBands(m_students);
    setRules({});
}

SelectGroupOutcome Year::selectGroup(int listPosition) const
{
    return classdiv::selectGroup(m_workspace, listPosition);
}

SetClassCountOutcome Year::setClassCount(int listPosition, const QString& classCountText)
{
    SetClassCountOutcome outcome = classdiv::setClassCount(m_workspace, listPosition, classCountText);
    plansChanged();
    return outcome;
}

ConfirmEntryOutcome Year::confirmEntry(const ConfirmEntryInput& input)
{
    ConfirmEntryOutcome outcome = classdiv::confirmEntry(m_workspace, input);
    plansChanged();
    return outcome;
}

ReadConditionsOutcome Year::readConditions(const QString& text)
{
    ReadConditionsOutcome outcome = parseConditions(m_workspace, text);
    plansChanged();
    return outcome;
}

void Year::fitHeadCounts(const std::vector<FittingCounts>& fits)
{
    for (const FittingCounts& fit : fits)
        if (fit.group >= 1 && fit.group < int(m_workspace.conditions.size()))
            m_workspace.conditions[size_t(fit.group)] = fit.offered;
    plansChanged();
}

void Year::setRules(SpreadRules rules)
{
    m_rules = RuleSet(std::move(rules), m_students, m_workspace);
    m_rules.recordEntries = m_recordEntries;
    m_searchModel.reset();
}

void Year::setRecordEntries(std::vector<ApartEntry> entries)
{
    m_recordEntries = std::move(entries);
    m_rules.recordEntries = m_recordEntries;
    m_searchModel.reset();
}

void Year::plansChanged()
{
    setRules(m_rules.text());
}

const SearchModel& Year::searchModel() const
{
    if (!m_searchModel)
        m_searchModel = std::make_shared<const SearchModel>(buildSearchModel(m_students, m_workspace, m_bands, m_rules));
    return *m_searchModel;
}

DrawOutcome Year::press(RandomSource& random)
{
    const DrawOutcome outcome = draw(random);
    if (outcome.drawn)
        refill();
    return outcome;
}

DrawOutcome Year::pressNumber(uint32_t drawNumber)
{
    NumberedRandomSource numbered(drawNumber);
    const DrawOutcome outcome = drawClasses(m_workspace, m_division, m_students, numbered, m_classes);
    if (outcome.drawn) {
        markDrawn();
        m_drawNumber = drawNumber;
        refill();
    }
    return outcome;
}

DrawOutcome Year::draw(RandomSource& random)
{
    // A refusal leaves the classes as they were.
    if (m_numbered) {
        const uint32_t number = freshDrawNumber(random);
        NumberedRandomSource numbered(number);
        const DrawOutcome outcome = drawClasses(m_workspace, m_division, m_students, numbered, m_classes);
        if (outcome.drawn) {
            markDrawn();
            m_drawNumber = number;
        }
        return outcome;
    }
    const DrawOutcome outcome = drawClasses(m_workspace, m_division, m_students, random, m_classes);
    if (outcome.drawn) {
        markDrawn();
        m_drawNumber = 0;
    }
    return outcome;
}

void Year::restoreDraw(std::vector<int16_t> classes, const std::vector<ClassSwaps::Pair>& swaps, uint32_t drawNumber)
{
    m_classes = std::move(classes);
    m_drawn = true;
    m_restored = true;
    m_swaps.restore(swaps, m_classes);
    m_mends.clear();
    m_drawNumber = drawNumber;
    refill();
}

EvenOutcome Year::evenOut(RandomSource& random, bool pressFirst)
{
    if (auto refusal = checkPress(m_workspace, m_students))
        return {std::move(refusal), false};
    if (auto refusal = checkRules(m_workspace, m_students, m_rules))
        return {std::move(refusal), false};
    if (auto refusal = checkRulesTogether(searchModel(), m_students, m_rules))
        return {std::move(refusal), false};

    bool pressed = false;
    // Classes put back from a draft were pressed in an earlier run: they stand
    // as long as they fit the plans.
    if (pressFirst || !m_drawn || (!m_restored && conditionsChangedSincePreparation(m_workspace, m_division)) ||
        !fitsThePlans(m_workspace, m_classes)) {
        const DrawOutcome outcome = draw(random);
        if (outcome.message)
            return {outcome.message, false};
        pressed = true;
    }

    std::vector<int16_t> classes = m_classes;
    EvenResult result = evenClasses(searchModel(), m_students, classes, seedFrom(random));
    if (result.evened)
        takeDraw(std::move(classes));
    if (result.evened || pressed)
        refill();
    return {std::move(result.message), result.evened || pressed};
}

SwapStatus Year::swap(int rowA, int rowB)
{
    const SwapStatus status = m_swaps.swap(m_students, m_classes, rowA, rowB);
    if (status == SwapStatus::Swapped)
        refill();
    return status;
}

bool Year::undoSwap()
{
    if (!m_swaps.undo(m_classes)) {
        if (m_mends.empty())
            return false;
        m_classes = std::move(m_mends.back().classes);
        m_swaps = std::move(m_mends.back().swaps);
        m_mends.pop_back();
    }
    refill();
    return true;
}

void Year::applyMoves(std::vector<int16_t> classes)
{
    m_mends.push_back({std::move(m_classes), std::move(m_swaps)});
    m_classes = std::move(classes);
    m_swaps = ClassSwaps();
    refill();
}

void Year::takeDraw(std::vector<int16_t> classes)
{
    m_classes = std::move(classes);
    markDrawn();
}

void Year::markDrawn()
{
    m_drawn = true;
    m_restored = false;
    m_swaps.clear();
    m_mends.clear();
}

void Year::refill()
{
    fillDistributionTable(m_students, m_bands, m_classes, m_distribution);
}

} // namespace classdiv

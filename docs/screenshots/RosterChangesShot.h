#pragma once
// The screenshot of 「名簿の変更」: the example year's roster changed after its
// drafts were kept (two students moved away, three moved in, a score
// corrected), shown over the drafts file as the next run shows it.

#include <QString>
#include <QWidget>

#include <memory>

namespace classdiv {

class Year;

// The window, or nullptr with what went wrong in `failure`.
std::unique_ptr<QWidget> changedRosterWindow(const Year& year, QString& failure);

} // namespace classdiv

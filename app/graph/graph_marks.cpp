// The marks on the graph and in the cursor panel, and the statistics between the cursors.
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "core/module_data.h"
#include "graph/chart2d.h"
#include "graph/graph.h"
#include "graph/graph_controls.h"
#include "graph/mark_lines.h"

namespace {

// A running measurement's statistics are computed again at most this often.
constexpr int64_t kStatisticsEveryMs = 1000;

}  // namespace

void Graph::ConnectMarkControls() {
  if (ui_.lstMarks) {
    QObject::connect(ui_.lstMarks, &QListWidget::itemClicked, ui_.lstMarks,
                     [this](QListWidgetItem* item) {
                       SetCursors({item->data(Qt::UserRole).toInt(), cursors_[1]});
                     });
  }
  if (ui_.cmdCopyStatistics) {
    QObject::connect(ui_.cmdCopyStatistics, &QPushButton::clicked, ui_.cmdCopyStatistics,
                     [this] { CopyStatistics(); });
  }
}

void Graph::ShowMarks() {
  const std::vector<Mark>& marks = md_.Record.Marks;
  const MarksShown now{marks.size(), marks.empty() ? 0 : marks.back().number,
                       md_.Record.IntervalTM};
  MaybeRefreshStatistics();
  if (now.count == marksShown_.count && now.lastNumber == marksShown_.lastNumber &&
      now.interval == marksShown_.interval) {
    return;
  }
  marksShown_ = now;
  if (ui_.Chart2D1) ui_.Chart2D1->SetMarkLines(MarkLinesOf(md_.Record));
  if (!ui_.lstMarks) return;
  ui_.lstMarks->clear();
  for (const Mark& m : marks) {
    auto* item = new QListWidgetItem(MarkListText(md_.Record, m), ui_.lstMarks);
    item->setData(Qt::UserRole, m.sample);
    item->setToolTip(m.text);
  }
  ui_.lstMarks->setVisible(!marks.empty());
}

void Graph::MaybeRefreshStatistics() {
  if (!ui_.lblStatistics || md_.Record.SampleCount == statisticsSamples_) return;
  // While measuring without cursors the range grows with every sample: the table follows once a
  // second, never at every tick.
  const int64_t nowMs = QDateTime::currentMSecsSinceEpoch();
  if (md_.Measuring && nowMs - statisticsShownMs_ < kStatisticsEveryMs) return;
  ShowStatistics();
}

void Graph::ShowStatistics() {
  statisticsSamples_ = md_.Record.SampleCount;
  statisticsShownMs_ = QDateTime::currentMSecsSinceEpoch();
  if (!ui_.lblStatistics) return;
  const QString html = StatisticsHtml(md_.Record, Statistics());
  ui_.lblStatistics->setText(html);
  if (ui_.cmdCopyStatistics) ui_.cmdCopyStatistics->setEnabled(!html.isEmpty());
}

void Graph::SetStatisticsLimits(const StatisticsLimits& limits) {
  statLimits_ = limits;
  ShowStatistics();
}

RangeStatistics Graph::Statistics() const {
  return ComputeStatistics(md_.Record, cursors_[0], cursors_[1], statLimits_);
}

void Graph::CopyStatistics() const {
  const QString text = StatisticsTsv(md_.Record, Statistics());
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

#include "gui/windows/trend_window.h"

#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/files/file_io.h"
#include "core/panels/trend_axis.h"
#include "gui/main/dialog_seam.h"

namespace {

// A colour per channel, told apart on a white plot; a channel's second series (a
// new unit) is dashed.
const QColor kChannelColours[] = {
    QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),   QColor(255, 127, 14),
    QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(23, 190, 207),
};

// The time axis never shows less than this, so a fresh plot does not zoom into noise.
constexpr double kMinSpanSeconds = 10.0;
// At most this many tick intervals on each axis, at round values.
constexpr int kTimeTicks = 10;
constexpr int kValueTicks = 8;
// Points per pixel column are thinned to a low and a high.
constexpr int kMinBuckets = 100;

QString fromStd(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

TForm_Trend::TForm_Trend(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_Trend"));
    setWindowTitle(caption);
    setModal(false);

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    axis_time_ = new QValueAxis(chart_);
    axis_time_->setTitleText(QStringLiteral("Time (s)"));
    axis_time_->setLabelFormat(QStringLiteral("%.0f"));
    // Ticks at multiples of a round interval counted from 0, wherever the data lie.
    axis_time_->setTickType(QValueAxis::TicksDynamic);
    axis_time_->setTickAnchor(0.0);
    axis_value_ = new QValueAxis(chart_);
    axis_value_->setTitleText(QStringLiteral("Value"));
    axis_value_->setTickType(QValueAxis::TicksDynamic);
    axis_value_->setTickAnchor(0.0);
    chart_->addAxis(axis_time_, Qt::AlignBottom);
    chart_->addAxis(axis_value_, Qt::AlignLeft);
    ChartView_Trend = new QChartView(chart_, this);
    ChartView_Trend->setObjectName(QStringLiteral("ChartView_Trend"));
    ChartView_Trend->setMinimumSize(640, 360);

    Button_Pause = new QPushButton(QStringLiteral("Pause"), this);
    Button_Pause->setObjectName(QStringLiteral("Button_Pause"));
    Button_Clear = new QPushButton(QStringLiteral("Clear"), this);
    Button_Clear->setObjectName(QStringLiteral("Button_Clear"));
    Button_SaveCSV = new QPushButton(QStringLiteral("Save CSV"), this);
    Button_SaveCSV->setObjectName(QStringLiteral("Button_SaveCSV"));
    Button_Exit = new QPushButton(QStringLiteral("Exit"), this);
    Button_Exit->setObjectName(QStringLiteral("Button_Exit"));
    for (QPushButton* button : {Button_Pause, Button_Clear, Button_SaveCSV, Button_Exit}) button->setAutoDefault(false);
    Label_TrendStatus = new QLabel(this);
    Label_TrendStatus->setObjectName(QStringLiteral("Label_TrendStatus"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_Pause);
    buttons->addWidget(Button_Clear);
    buttons->addWidget(Button_SaveCSV);
    buttons->addWidget(Label_TrendStatus, 1);
    buttons->addWidget(Button_Exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ChartView_Trend, 1);
    layout->addLayout(buttons);

    Timer_Redraw = new QTimer(this);
    Timer_Redraw->setInterval(kRedrawIntervalMs);
    connect(Timer_Redraw, &QTimer::timeout, this, &TForm_Trend::Redraw);
    connect(Button_Pause, &QPushButton::clicked, this, &TForm_Trend::Button_PauseClick);
    connect(Button_Clear, &QPushButton::clicked, this, &TForm_Trend::Button_ClearClick);
    connect(Button_SaveCSV, &QPushButton::clicked, this, &TForm_Trend::Button_SaveCSVClick);
    connect(Button_Exit, &QPushButton::clicked, this, &QWidget::close);
    Redraw();
}

void TForm_Trend::AddReading(const PanelReading& reading) { log_.Add(reading); }

void TForm_Trend::Restart() {
    log_.Clear();
    Label_TrendStatus->clear();
    Redraw();
}

void TForm_Trend::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Timer_Redraw->start();
    Redraw();
}

// Nothing is drawn while nobody looks; readings are still kept.
void TForm_Trend::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    Timer_Redraw->stop();
}

void TForm_Trend::RebuildSeries() {
    for (QLineSeries* line : lines_) {
        chart_->removeSeries(line);
        delete line;
    }
    lines_.clear();
    drawn_labels_.clear();
    int previous_channel = -1;
    for (const TrendSeries& s : log_.series()) {
        auto* line = new QLineSeries;
        line->setName(fromStd(s.Label()));
        QPen pen(kChannelColours[static_cast<std::size_t>(s.channel) % std::size(kChannelColours)]);
        pen.setWidthF(1.5);
        if (s.channel == previous_channel) pen.setStyle(Qt::DashLine);
        previous_channel = s.channel;
        line->setPen(pen);
        chart_->addSeries(line);
        line->attachAxis(axis_time_);
        line->attachAxis(axis_value_);
        lines_.push_back(line);
        drawn_labels_.push_back(s.Label());
    }
}

void TForm_Trend::Redraw() {
    if (paused_ || drawn_version_ == log_.version()) return;
    drawn_version_ = log_.version();
    const std::vector<TrendSeries>& series = log_.series();
    std::vector<std::string> labels;
    for (const TrendSeries& s : series) labels.push_back(s.Label());
    if (labels != drawn_labels_) RebuildSeries();

    const std::int64_t to_ms = log_.latest_ms();
    const std::int64_t from_ms = std::max<std::int64_t>(0, to_ms - TrendLog::kSpanMs);
    const int buckets = std::max(kMinBuckets, static_cast<int>(chart_->plotArea().width()));
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < series.size(); ++i) {
        const std::vector<TrendPoint> drawn = trendDecimate(series[i].points, from_ms, to_ms, buckets);
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(drawn.size()));
        for (const TrendPoint& p : drawn) {
            points.append(QPointF(static_cast<double>(p.ms) / 1000.0, p.value));
            low = std::min(low, p.value);
            high = std::max(high, p.value);
        }
        lines_[i]->replace(points);
    }
    const double from_s = static_cast<double>(from_ms) / 1000.0;
    const double to_s = std::max(static_cast<double>(to_ms) / 1000.0, from_s + kMinSpanSeconds);
    axis_time_->setRange(from_s, to_s);
    axis_time_->setTickInterval(round_step(to_s - from_s, kTimeTicks));
    if (low > high) {
        low = 0.0;
        high = 1.0;
    }
    const AxisScale scale = round_axis(low, high, kValueTicks);
    axis_value_->setRange(scale.low, scale.high);
    axis_value_->setTickInterval(scale.step);
    // As many decimals as the step has: 0.5 V shows "0.5", 2 V shows "2".
    const int decimals = scale.step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(scale.step) - 1e-9));
    axis_value_->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

void TForm_Trend::Button_PauseClick() {
    paused_ = !paused_;
    Button_Pause->setText(paused_ ? QStringLiteral("Continue") : QStringLiteral("Pause"));
    Redraw();
}

void TForm_Trend::Button_ClearClick() {
    log_.Clear();
    Label_TrendStatus->clear();
    const bool was_paused = paused_;
    paused_ = false;
    Redraw();
    paused_ = was_paused;
}

void TForm_Trend::Button_SaveCSVClick() {
    const QString chosen = dialogs().SaveFileName(this, save_folder_, save_name_, QStringLiteral("CSV Files|*.csv"));
    if (chosen.isEmpty()) return;
    const QFileInfo info(chosen);
    save_folder_ = info.absolutePath();
    save_name_ = info.fileName();
    const std::string path = trend_csv_path(chosen.toStdString());
    const std::string text = log_.CsvText();
    if (file_write_all(text, path) != static_cast<std::int32_t>(text.size())) {
        dialogs().message(this, fromStd(path) + QStringLiteral(" : ") + fromStd(last_file_error()));
        return;
    }
    Label_TrendStatus->setText(QStringLiteral("Saved ") + fromStd(path));
}

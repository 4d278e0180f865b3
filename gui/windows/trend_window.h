// A live plot of what a panel reads: the engineering value of every AD channel and
// the read-back value of every DA channel against the time since the panel opened,
// the last ten minutes, with pause, clear and "Save CSV".
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "core/panels/trend_log.h"

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;

class TForm_Trend : public QDialog {
    Q_OBJECT

public:
    // How often a visible, running plot is redrawn when readings came in.
    static constexpr int kRedrawIntervalMs = 500;

    explicit TForm_Trend(const QString& caption, QWidget* parent = nullptr);

    // A reading of the panel (window thread).
    void AddReading(const PanelReading& reading);
    // The panel showed again: its time starts from zero, so the plot starts empty.
    void Restart();
    // Redraws now if there is anything new (the timer does this while shown).
    void Redraw();

    const TrendLog& log() const { return log_; }
    bool paused() const { return paused_; }
    QChart* chart() const { return chart_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Button_PauseClick();
    void Button_ClearClick();
    void Button_SaveCSVClick();
    void RebuildSeries();

    TrendLog log_;
    bool paused_ = false;
    std::uint64_t drawn_version_ = 0;
    // The labels the chart's series were built for, in the log's order.
    std::vector<std::string> drawn_labels_;
    std::vector<QLineSeries*> lines_;
    QString save_folder_;
    QString save_name_;

    QChart* chart_ = nullptr;
    QChartView* ChartView_Trend = nullptr;
    QValueAxis* axis_time_ = nullptr;
    QValueAxis* axis_value_ = nullptr;
    QPushButton* Button_Pause = nullptr;
    QPushButton* Button_Clear = nullptr;
    QPushButton* Button_SaveCSV = nullptr;
    QPushButton* Button_Exit = nullptr;
    QLabel* Label_TrendStatus = nullptr;
    QTimer* Timer_Redraw = nullptr;
};

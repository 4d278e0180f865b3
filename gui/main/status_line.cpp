#include "gui/main/status_line.h"

#include <QLocale>

#include "core/terminal/console_session.h"
#include "core/terminal/port_status_text.h"

namespace {
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

CountLabel* makeCount(QWidget* parent, const char* name, const QString& text) {
    auto* label = new CountLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    // Counts change while bytes flow: of a fixed size and opaque, so a new count
    // repaints the label alone and asks for no new layout of the status line (room
    // for a count of a thousand billion).
    label->setFixedWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("RX 000,000,000,000,000")));
    label->setFixedHeight(label->sizeHint().height());
    label->setAutoFillBackground(true);
    return label;
}

QString grouped(std::uint64_t n) {
    return QLocale().toString(static_cast<qulonglong>(n));
}
} // namespace

void CountLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    if (double_clicked_) double_clicked_();
}

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar_Main"));
    setSizeGripEnabled(true);
    port_ = makeLabel(this, "Label_StatusPort", QStringLiteral("None"));
    settings_ = makeLabel(this, "Label_StatusSettings", QString());
    state_ = makeLabel(this, "Label_StatusState", QStringLiteral("Closed"));
    rx_ = makeCount(this, "Label_StatusRx", QStringLiteral("RX 0"));
    tx_ = makeCount(this, "Label_StatusTx", QStringLiteral("TX 0"));
    addWidget(port_);
    addWidget(settings_);
    addWidget(state_);
    addPermanentWidget(rx_);
    addPermanentWidget(tx_);
}

void StatusLine::SetResetCounts(std::function<void()> reset) {
    rx_->SetDoubleClicked(reset);
    tx_->SetDoubleClicked(std::move(reset));
}

void StatusLine::Show(const ConsoleSession& session, const std::string& target) {
    port_->setText(QString::fromStdString(port_status_name(session.port_name(), target)));
    settings_->setText(QString::fromStdString(port_status_line(session.setting(), target)));
    state_->setText(QString::fromStdString(port_state_name(session.state())));
    state_->setToolTip(QString::fromStdString(session.state_reason()));
}

void StatusLine::ShowCounts(std::uint64_t received, std::uint64_t sent) {
    // setText returns at once for an unchanged text: a count at rest repaints nothing.
    rx_->setText(QStringLiteral("RX ") + grouped(received));
    tx_->setText(QStringLiteral("TX ") + grouped(sent));
}

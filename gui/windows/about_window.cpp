#include "gui/windows/about_window.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSysInfo>
#include <QVBoxLayout>
#include <QtGlobal>

#include "core/serial/port_values.h"

#ifndef BENCHLINK_BUILD_DATE
#define BENCHLINK_BUILD_DATE "unknown"
#endif

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Both windows sit in the middle of the screen they open on.
void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

QString AboutText(const ProductInfo& product) {
#ifdef _WIN32
    const QString ports = QStringLiteral("COM n is the Windows port of that number.");
#else
    const std::string folder = comport_ports_folder();
    const QString where = folder.empty()
                              ? QStringLiteral("the ports folder (there is none now: neither HOME nor "
                                               "XDG_CONFIG_HOME is an absolute path)")
                              : Text(folder);
    const QString ports =
        QStringLiteral("COM n is the link comN in %1 when it exists, otherwise /dev/ttyS(n-1). "
                       "The folder is ${XDG_CONFIG_HOME:-$HOME/.config}/benchlink/ports/; "
                       "the program keeps no other settings.")
            .arg(where);
#endif
    return QStringLiteral(
               "%1 is a bench terminal for serial devices. It shows every byte a device sends, "
               "sends stored command lines, hex strings and protocol frames by hand, answers and "
               "records lines, and operates, watches and sets up RD24 and PT57 I/O devices.\n\n"
               "Version %2 (%3), running on Qt %4.\n\n"
               "Licence: MIT, with no warranty; the LICENSE file that comes with the program has "
               "the whole text.\n\n"
               "%5\n")
        .arg(Text(product.product), Text(product.version), Text(product.type_number),
             QString::fromLatin1(qVersion()), ports);
}

// The logo frame of the company window.
class LogoView : public QWidget {
public:
    explicit LogoView(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("Image_Logo")); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        DrawBenchlinkLogo(painter, QRectF(rect()));
    }
};

}  // namespace

void DrawBenchlinkLogo(QPainter& painter, const QRectF& frame) {
    // The icon is drawn on a 64 by 64 grid and stretched to the frame.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(frame.topLeft());
    painter.scale(frame.width() / 64.0, frame.height() / 64.0);
    const QColor ink(0x10, 0x18, 0x20);

    painter.setPen(QPen(ink, 2));
    painter.setBrush(QColor(0x2b, 0x3a, 0x4a));
    painter.drawRoundedRect(QRectF(4, 8, 48, 40), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x0e, 0x1a, 0x12));
    painter.drawRoundedRect(QRectF(8, 15, 40, 29), 1, 1);
    const QColor lamps[] = {QColor(0xe0, 0x5a, 0x47), QColor(0xe8, 0xb5, 0x3a), QColor(0x4f, 0xb3, 0x60)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(lamps[i]);
        painter.drawEllipse(QPointF(10 + 5 * i, 11.5), 1.5, 1.5);
    }

    // The serial line's signal on the screen.
    const QPointF signal[] = {{10, 36}, {15, 36}, {15, 24}, {21, 24}, {21, 36}, {25, 36}, {25, 24}, {33, 24},
                              {33, 36}, {37, 36}, {37, 24}, {41, 24}, {41, 36}, {46, 36}};
    QPen trace(QColor(0x52, 0xe0, 0x7a), 2);
    trace.setJoinStyle(Qt::RoundJoin);
    painter.setPen(trace);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(signal, int(std::size(signal)));

    // The cable and its plug.
    QPainterPath cable(QPointF(52, 30));
    cable.cubicTo(58, 30, 58, 40, 52, 46);
    cable.cubicTo(47, 51, 48, 58, 56, 58);
    QPen cable_pen(ink, 3);
    cable_pen.setCapStyle(Qt::RoundCap);
    painter.setPen(cable_pen);
    painter.drawPath(cable);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(QColor(0x8a, 0x97, 0xa5));
    painter.drawRoundedRect(QRectF(52, 26, 6, 8), 1, 1);
    painter.restore();
}

TForm_AboutZQ70::TForm_AboutZQ70(ProductInfo product, QWidget* parent)
    : QDialog(parent), product_(std::move(product)) {
    setObjectName(QStringLiteral("Form_AboutZQ70"));
    setWindowTitle(QStringLiteral("About ZQ70"));
    setModal(true);

    auto* fields = new QGridLayout;
    const struct {
        const char* caption;
        const char* name;
        QLineEdit** edit;
    } rows[] = {{"Products", "Edit1", &edit_product_},
                {"Type No", "Edit2", &edit_type_number_},
                {"Version", "Edit3", &edit_version_}};
    for (int row = 0; row < 3; ++row) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(rows[row].name));
        *rows[row].edit = edit;
        fields->addWidget(new QLabel(QLatin1String(rows[row].caption), this), row, 0);
        fields->addWidget(edit, row, 1);
    }

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setPlainText(AboutText(product_));

    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("Button_Exit"));
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(memo_, 1);
    layout->addLayout(buttons);
    resize(440, 340);
}

void TForm_AboutZQ70::showEvent(QShowEvent* event) {
    edit_product_->setText(Text(product_.product));
    edit_type_number_->setText(Text(product_.type_number));
    edit_version_->setText(Text(product_.version));
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

QStringList TForm_DUVA::Facts(const ProductInfo& product) {
    return {QStringLiteral("DUVA"),
            QStringLiteral("%1 %2, a bench terminal for serial devices")
                .arg(Text(product.product), Text(product.type_number)),
            QStringLiteral("Version %1").arg(Text(product.version)),
            QStringLiteral("Free software under the MIT licence"),
            QStringLiteral("Source and issue tracker: see README"),
            QStringLiteral("Built %1 with Qt %2, running on Qt %3")
                .arg(QStringLiteral(BENCHLINK_BUILD_DATE), QStringLiteral(QT_VERSION_STR),
                     QString::fromLatin1(qVersion())),
            QStringLiteral("Running on %1").arg(QSysInfo::prettyProductName())};
}

TForm_DUVA::TForm_DUVA(ProductInfo product, QWidget* parent) : QDialog(parent), product_(std::move(product)) {
    setObjectName(QStringLiteral("Form_DUVA"));
    setWindowTitle(QStringLiteral("DUVA"));
    setModal(true);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto* logo = new LogoView(this);
    logo->setFixedSize(96, 96);

    auto* texts = new QVBoxLayout;
    for (int i = 1; i <= 7; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StaticText%1").arg(i));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(label);
        facts_.append(label);
    }
    texts->addStretch();

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Ok"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(logo, 0, Qt::AlignLeft | Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
}

void TForm_DUVA::showEvent(QShowEvent* event) {
    const QStringList facts = Facts(product_);
    for (int i = 0; i < facts_.size(); ++i) facts_[i]->setText(facts.value(i));
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

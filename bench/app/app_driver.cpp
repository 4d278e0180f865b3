// Drives the real program for bench_app from inside its own process, the way a user
// would: it is loaded into an unmodified build/gui/benchlink with LD_PRELOAD, finds
// the windows' controls by object name and clicks them. It links nothing of the
// program, only Qt, so the program runs exactly the code a user runs.
//
// Commands arrive one per line on the descriptor named by BENCHLINK_DRIVER_FD; each
// is answered with one line ("ok ..." or "error ..."). While no command arrives the
// driver costs nothing: a socket notifier on the GUI thread, no timer.
//
//   ready                   answered once the main window is shown
//   configure <n>           Comport -> Configure, COM<n> at 115200 8N1, "Ok"
//   click <name>            clicks the button (or radio button) of that name
//   rows                    the message list's row count
//   watch <path>            from now on notes when each row reached the list; the
//                           rows' first 8 characters are the line's number
//   unwatch                 writes "<number> <steady clock ns>" per row to the path
//   dump <path>             writes every row of the list to the file, one a line
//   paints                  from now on counts the paint events of every widget
//   painted                 the widgets painted since, most painted first:
//                           "<count> <class>:<name> in <parent's name>; ..."
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPaintEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Driver : public QObject {
public:
    explicit Driver(int fd) : fd_(fd) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &Driver::ReadCommands);
    }

private:
    QWidget* Main() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("Form_ZQ70_Main")) return w;
        return nullptr;
    }
    template <typename T>
    T* Find(const QString& name) const {
        QWidget* main = Main();
        return main ? main->findChild<T*>(name) : nullptr;
    }
    QAbstractItemModel* List() const {
        auto* view = Find<QAbstractItemView>(QStringLiteral("Memo_Message"));
        return view ? view->model() : nullptr;
    }

    void Reply(const std::string& text) {
        std::string line = text + "\n";
        if (::write(fd_, line.data(), line.size()) < 0) std::perror("bench driver");
    }

    void ReadCommands() {
        char buffer[512];
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            notifier_->setEnabled(false); // the bench went away
            return;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            std::string command = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            // Run from the event loop, not inside the notifier: a command may open a
            // modal dialog.
            QMetaObject::invokeMethod(this, [this, command] { Run(command); }, Qt::QueuedConnection);
        }
    }

    void Run(const std::string& line) {
        const std::size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string arg = space == std::string::npos ? std::string() : line.substr(space + 1);
        const QString name = QString::fromStdString(arg);
        if (verb == "ready") {
            QWidget* main = Main();
            if (main && main->isVisible()) return Reply("ok");
            // Not shown yet: ask again from the event loop once it had a turn.
            QMetaObject::invokeMethod(this, [this, line] { Run(line); }, Qt::QueuedConnection);
            return;
        }
        if (verb == "configure") return Configure(std::atoi(arg.c_str()));
        if (verb == "click") {
            auto* button = Find<QAbstractButton>(name);
            if (!button) return Reply("error no button " + arg);
            button->click();
            return Reply("ok");
        }
        if (verb == "rows") {
            QAbstractItemModel* model = List();
            return Reply(model ? "ok " + std::to_string(model->rowCount()) : "error no list");
        }
        if (verb == "watch") return Watch(arg);
        if (verb == "unwatch") return Unwatch();
        if (verb == "dump") return Dump(arg);
        if (verb == "paints") {
            painted_.clear();
            QApplication::instance()->installEventFilter(this);
            return Reply("ok");
        }
        if (verb == "painted") return Painted();
        Reply("error unknown command " + verb);
    }

    void Configure(int port) {
        auto* setup = Find<QDialog>(QStringLiteral("Form_ComportSetup"));
        auto* action = Find<QAction>(QStringLiteral("ComportConfigure"));
        if (!setup || !action) return Reply("error no configure dialog");
        // Runs inside the dialog's own event loop, once it is shown.
        QPointer<QDialog> dialog = setup;
        QMetaObject::invokeMethod(
            setup,
            [dialog, port] {
                if (!dialog) return;
                auto* ports = dialog->findChild<QComboBox*>(QStringLiteral("ComboBox_Comport"));
                auto* rates = dialog->findChild<QComboBox*>(QStringLiteral("ComboBox_Buadrate"));
                auto* ok = dialog->findChild<QAbstractButton*>(QStringLiteral("Botton_OK"));
                if (ports) ports->setCurrentIndex(port);
                if (rates) rates->setCurrentText(QStringLiteral("115200"));
                if (ok) ok->click();
            },
            Qt::QueuedConnection);
        action->trigger();
        Reply("ok");
    }

    void Watch(const std::string& path) {
        QAbstractItemModel* model = List();
        if (!model) return Reply("error no list");
        watch_path_ = path;
        arrivals_.clear();
        arrivals_.reserve(100000);
        watching_ = connect(model, &QAbstractItemModel::rowsInserted, this,
                            [this, model](const QModelIndex&, int first, int last) {
                                const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
                                for (int row = first; row <= last; ++row) {
                                    const QString text = model->index(row, 0).data().toString();
                                    bool ok = false;
                                    const long number = text.left(8).toLong(&ok);
                                    if (ok) arrivals_.push_back({number, now});
                                }
                            });
        Reply("ok");
    }

    void Unwatch() {
        disconnect(watching_);
        FILE* out = std::fopen(watch_path_.c_str(), "w");
        if (!out) return Reply("error cannot write " + watch_path_);
        for (const Arrival& a : arrivals_) std::fprintf(out, "%ld %lld\n", a.number, static_cast<long long>(a.ns));
        std::fclose(out);
        Reply("ok " + std::to_string(arrivals_.size()));
        arrivals_ = {};
    }

    void Dump(const std::string& path) {
        QAbstractItemModel* model = List();
        if (!model) return Reply("error no list");
        FILE* out = std::fopen(path.c_str(), "w");
        if (!out) return Reply("error cannot write " + path);
        const int rows = model->rowCount();
        for (int row = 0; row < rows; ++row) {
            const QByteArray text = model->index(row, 0).data().toString().toLatin1();
            std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), out);
            std::fputc('\n', out);
        }
        std::fclose(out);
        Reply("ok " + std::to_string(rows));
    }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object->isWidgetType()) {
            QObject* parent = object->parent();
            while (parent && parent->objectName().isEmpty()) parent = parent->parent();
            const QRect r = static_cast<QPaintEvent*>(event)->rect();
            ++painted_[QStringLiteral("%1:%2 in %3 %4 (%5,%6 %7x%8)")
                           .arg(QString::fromLatin1(object->metaObject()->className()), object->objectName(),
                                parent ? parent->objectName() : QString())
                           .arg(reinterpret_cast<quintptr>(object), 0, 16)
                           .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                           .toStdString()];
        }
        return false;
    }

    void Painted() {
        QApplication::instance()->removeEventFilter(this);
        std::vector<std::pair<long, std::string>> list;
        for (const auto& [what, count] : painted_) list.push_back({count, what});
        std::sort(list.rbegin(), list.rend());
        std::string text = "ok";
        for (const auto& [count, what] : list) text += " " + std::to_string(count) + " " + what + ";";
        Reply(text);
    }

    struct Arrival {
        long number;
        long long ns;
    };

    int fd_;
    QSocketNotifier* notifier_ = nullptr;
    std::string pending_;
    std::string watch_path_;
    QMetaObject::Connection watching_;
    std::vector<Arrival> arrivals_;
    std::map<std::string, long> painted_;
};

void start_driver() {
    const char* fd = std::getenv("BENCHLINK_DRIVER_FD");
    if (!fd || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    // Parented to the application, so it goes before the application does.
    auto* driver = new Driver(std::atoi(fd));
    driver->setParent(QCoreApplication::instance());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start_driver)

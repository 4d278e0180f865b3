#include "support/window_lookup.h"

#include "gui/main/main_window.h"
#include "gui/main/message_list_model.h"

QStringList messageLines(const TForm_ZQ70_Main& main) {
    const LineStore& store = main.message_model().store();
    QStringList out;
    for (std::size_t i = 0; i < store.size(); ++i) {
        std::string_view line = store.line(i);
        out << QString::fromLatin1(line.data(), qsizetype(line.size()));
    }
    return out;
}

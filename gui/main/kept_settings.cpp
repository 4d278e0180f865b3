#include "gui/main/kept_settings.h"

#include <QByteArray>

#include "core/files/file_io.h"
#include "gui/main/dialog_seam.h"
#include "gui/main/main_window.h"
#include "gui/main/message_files.h"
#include "gui/main/receive_settings_panel.h"
#include "gui/pages/general_ascii_page.h"

void KeptSettings::Restore(TForm_ZQ70_Main& window) {
    if (path_.empty()) return;
    ProgramSettings settings;
    std::string reason;
    switch (read_program_settings(path_, settings, reason)) {
    case SettingsRead::kMissing:
        return;
    case SettingsRead::kDamaged:
        // The defaults stay; the file is written anew at the next change.
        window.AddMessageLine("Settings " + path_ + " not read (" + reason + "): the defaults are used.");
        return;
    case SettingsRead::kLoaded:
        break;
    }
    saved_ = settings;
    known_ = true;
    if (!settings.geometry.empty())
        window.restoreGeometry(QByteArray::fromHex(QByteArray::fromStdString(settings.geometry)));
    window.receive_settings()->Restore(settings);
    window.message_files()->SetDirectory(settings.message_folder);
    SetLastFileFolder(QString::fromStdString(settings.file_folder));
    window.SetReconnect(settings.reconnect);
    window.session().RememberSetting(settings.port);
    if (!settings.project_file.empty() && !window.general_ascii_page()->OpenProject(settings.project_file)) {
        // Said once: the name is not kept, so the next start does not say it again.
        window.AddMessageLine("Command project " + settings.project_file + " is gone.");
        known_ = false;
    }
    window.ShowPortStatus();
}

void KeptSettings::Save(const TForm_ZQ70_Main& window) {
    if (path_.empty()) return;
    ProgramSettings settings;
    settings.port = window.session_setting();
    settings.reconnect = window.reconnect();
    window.receive_settings()->Store(settings);
    const ProjectLocation& project = window.general_ascii_page()->project_location();
    if (!project.name.empty() && file_name_taken(project.path())) settings.project_file = project.path();
    settings.message_folder = window.message_files()->directory();
    settings.file_folder = LastFileFolder().toStdString();
    settings.geometry = window.saveGeometry().toHex().toStdString();
    if (known_ && settings == saved_) return;
    if (write_program_settings(path_, settings)) {
        saved_ = settings;
        known_ = true;
    }
}

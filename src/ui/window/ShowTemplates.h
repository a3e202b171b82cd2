#pragma once

#include "settings/ShowSettings.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace bildertafel::ui {

// Where the templates in the window came from: a configuration file or a ready-made set.
struct TemplateSource {
    enum class Kind { None, ConfigFile, TemplateSet };
    Kind kind = Kind::None;
    std::string where; // the configuration file's path, or the set's name; bytes
    QString shown;     // as the user knows it: the file's name, or the set's title

    bool known() const { return kind != Kind::None && !where.empty(); }
    // The name "Konfiguration Laden" shows for it: the file's, or the set's file; "" for none.
    std::string configName() const;
};

// What the user's settings keep of a show's pages, per show folder: the templates' source when
// they were written, the templates' hash then, and the start page with the hash of its bytes.
struct ShowTemplates {
    TemplateSource source;
    QByteArray templatesHash;
    std::string startPage; // its file name in the show folder; bytes
    QByteArray startPageHash;
};

// The memory of the show folder (its bytes, ending in "/"); none when its pages were never
// written by this program.
std::optional<ShowTemplates> recallShowTemplates(const std::string& showFolder);
void rememberShowTemplates(const std::string& showFolder, const ShowTemplates& memory);

// SHA-256 of the six templates, each with its length, so that no two sets of templates share a
// hash by moving a line from one to the next.
QByteArray templatesHash(const settings::ShowSettings& settings);
// SHA-256 of the file's bytes; empty when it cannot be read.
QByteArray fileHash(const std::string& path);

// Where the window keeps the settings a show's pages were last written with, as a configuration
// file in the program's data folder (~/.local/share/bildertafel/Fotoshows), named by a hash of
// the show folder: templates typed by hand, or changed after loading, come back from it whole.
std::string pagesSettingsPath(const std::string& showFolder);
bool hasKeptPagesSettings(const std::string& showFolder);
// Keeps them there; false when they cannot be written (their source stays the way back).
bool keepPagesSettings(const std::string& showFolder, const settings::ShowSettings& used);
// The settings kept for the show, read onto base, when they give back templates of that hash.
std::optional<settings::ShowSettings> keptPagesSettings(const std::string& showFolder,
                                                        const QByteArray& hash,
                                                        settings::ShowSettings base);

// The start page at path is one this program wrote last for the show, untouched since, and the
// templates of `now` differ from those it was written with: replacing it would lose them.
bool replacesOtherTemplates(const ShowTemplates& memory, const std::string& startPagePath,
                            const settings::ShowSettings& now);

} // namespace bildertafel::ui

#pragma once

#include "generator/SelectionBlock.h"
#include "generator/ShowZip.h"

#include <QString>

#include <optional>
#include <string>

namespace bildertafel::ui {

// "Auswahl erlauben" and "Alle Bilder als ZIP anbieten" of one show, kept with the show's other
// settings of the user.
struct SelectionSettings {
    bool allowed = false;
    QString mailAddress;
    QString note;
    generator::ZipChoice zip = generator::ZipChoice::Off;
};

SelectionSettings rememberedSelection(const std::string& showFolder);
void rememberSelection(const std::string& showFolder, const SelectionSettings& settings);

// What the pages of the show get: the choice when it is allowed with a usable address.
std::optional<generator::SelectionChoice> selectionForPages(const std::string& showFolder);

} // namespace bildertafel::ui

#pragma once

#include <QString>

#include <string>

namespace bildertafel::ui {

struct PreparationChoices;

// The notice of "Bilder vorbereiten" ("Urheber", "Copyright" and the two choices) is the user's
// own: it is kept in the user's settings, apart from any show, and outlives the program.
void readCreditSettings(PreparationChoices& choices);
void writeCreditSettings(const PreparationChoices& choices);

// What a run of "Bilder vorbereiten" last used for a show folder (its bytes): the folder of the
// originals (with its trailing "/"), the sizes and the quality, kept in the user's settings per
// show, never in a configuration file. recall fills choices and originals and returns true when
// the show has such a memory; sizes out of range are left as they were.
bool recallShowPreparation(const std::string& showFolder, PreparationChoices& choices,
                           QString& originals);
void rememberShowPreparation(const std::string& showFolder, const PreparationChoices& choices,
                             const QString& originals);

} // namespace bildertafel::ui

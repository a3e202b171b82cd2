#pragma once

namespace bildertafel::ui {

struct PreparationChoices;

// The notice of "Bilder vorbereiten" ("Urheber", "Copyright" and the two choices) is the user's
// own: it is kept in the user's settings, apart from any show, and outlives the program.
void readCreditSettings(PreparationChoices& choices);
void writeCreditSettings(const PreparationChoices& choices);

} // namespace bildertafel::ui

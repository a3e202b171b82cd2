#include "ui/CreditSettings.h"

#include "ui/PrepareDialog.h"

#include <QSettings>

namespace bildertafel::ui {
namespace {

// In ~/.config/bildertafel/bildertafel.conf.
const QString Group = QStringLiteral("Bilder");
const QString ArtistKey = QStringLiteral("artist");
const QString CopyrightKey = QStringLiteral("copyright");
const QString ReplaceKey = QStringLiteral("replaceCredits");
const QString NoneKey = QStringLiteral("noCredits");

} // namespace

void readCreditSettings(PreparationChoices& choices) {
    QSettings settings(QStringLiteral("bildertafel"), QStringLiteral("bildertafel"));
    settings.beginGroup(Group);
    choices.artist = settings.value(ArtistKey, choices.artist).toString();
    choices.copyright = settings.value(CopyrightKey, choices.copyright).toString();
    choices.replaceCredits = settings.value(ReplaceKey, choices.replaceCredits).toBool();
    choices.noCredits = settings.value(NoneKey, choices.noCredits).toBool();
}

void writeCreditSettings(const PreparationChoices& choices) {
    QSettings settings(QStringLiteral("bildertafel"), QStringLiteral("bildertafel"));
    settings.beginGroup(Group);
    settings.setValue(ArtistKey, choices.artist);
    settings.setValue(CopyrightKey, choices.copyright);
    settings.setValue(ReplaceKey, choices.replaceCredits);
    settings.setValue(NoneKey, choices.noCredits);
}

} // namespace bildertafel::ui

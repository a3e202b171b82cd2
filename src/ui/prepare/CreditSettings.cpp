#include "ui/prepare/CreditSettings.h"

#include "imaging/Preparation.h"
#include "ui/common/UserSettings.h"
#include "ui/prepare/PrepareDialog.h"

#include <QSettings>

namespace bildertafel::ui {
namespace {

// In ~/.config/bildertafel/bildertafel.conf.
const QString Group = QStringLiteral("Bilder");
const QString ArtistKey = QStringLiteral("artist");
const QString CopyrightKey = QStringLiteral("copyright");
const QString ReplaceKey = QStringLiteral("replaceCredits");
const QString NoneKey = QStringLiteral("noCredits");
const QString ShowSection = QStringLiteral("Bilder vorbereiten");

// A size as the dialog takes it, else the one it had.
int sizeOr(const QSettings& settings, const QString& key, int fallback) {
    bool ok = false;
    const int size = settings.value(key).toInt(&ok);
    return ok && imaging::isValidSize(size) && size > 0 ? size : fallback;
}

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

bool recallShowPreparation(const std::string& showFolder, PreparationChoices& choices,
                           QString& originals) {
    QSettings settings(userSettingsName(), userSettingsName());
    settings.beginGroup(showGroup(ShowSection, showFolder));
    if (!settings.contains(QStringLiteral("originals"))) {
        return false;
    }
    originals = settings.value(QStringLiteral("originals")).toString();
    choices.pictureSize = sizeOr(settings, QStringLiteral("pictureSize"), choices.pictureSize);
    choices.makeLarge = settings.value(QStringLiteral("makeLarge"), choices.makeLarge).toBool();
    choices.largeSize = sizeOr(settings, QStringLiteral("largeSize"), choices.largeSize);
    choices.miniSize = sizeOr(settings, QStringLiteral("miniSize"), choices.miniSize);
    bool ok = false;
    const int quality = settings.value(QStringLiteral("quality")).toInt(&ok);
    if (ok && quality >= 1 && quality <= 100) {
        choices.quality = quality;
    }
    return true;
}

void rememberShowPreparation(const std::string& showFolder, const PreparationChoices& choices,
                             const QString& originals) {
    QSettings settings(userSettingsName(), userSettingsName());
    settings.beginGroup(showGroup(ShowSection, showFolder));
    settings.setValue(QStringLiteral("originals"), originals);
    settings.setValue(QStringLiteral("pictureSize"), choices.pictureSize);
    settings.setValue(QStringLiteral("makeLarge"), choices.makeLarge);
    settings.setValue(QStringLiteral("largeSize"), choices.largeSize);
    settings.setValue(QStringLiteral("miniSize"), choices.miniSize);
    settings.setValue(QStringLiteral("quality"), choices.quality);
}

} // namespace bildertafel::ui

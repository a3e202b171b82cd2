#include "ui/publish/PublishTexts.h"

#include "core/ByteSize.h"
#include "core/TimeLeft.h"

#include "ui/common/QtText.h"
#include "ui/lists/FileNames.h"

#include <QLocale>
#include <QStringList>

#include <array>

namespace bildertafel::ui {

namespace {

QString fileLines(const std::vector<publish::PlannedFile>& files) {
    QStringList lines;
    for (const publish::PlannedFile& file : files) {
        lines << QStringLiteral("  %1 (%2)")
                     .arg(uilists::fromFileName(file.path), byteSizeText(file.size));
    }
    return lines.join(u'\n');
}

std::uint64_t totalOf(const std::vector<publish::PlannedFile>& files) {
    std::uint64_t total = 0;
    for (const publish::PlannedFile& file : files) {
        total += file.size;
    }
    return total;
}

QString filesCount(std::size_t count) {
    return count == 1 ? QStringLiteral("1 Datei") : QStringLiteral("%1 Dateien").arg(count);
}

} // namespace

publish::ControlNames publishControlNames() {
    return {"mit „Schlüsseldatei…“", "„HTML erstellen“", "im Feld „Pfad auf dem Server“"};
}

QString passwordKeepingText(bool keyring) {
    return keyring ? QStringLiteral("Das Passwort der Fotoshow kommt in den Schlüsselbund des "
                                    "Desktops, nie in eine Datei.")
                   : QStringLiteral("Ohne Schlüsselbund wird das Passwort der Fotoshow nur bis "
                                    "zum Ende des Programms behalten, nie in einer Datei.");
}

QString passwordsDifferText() {
    return QStringLiteral("Die beiden Passwörter stimmen nicht überein.");
}

QString suggestionText(const QString& password) {
    return QStringLiteral("Vorschlag: %1 – bitte notieren und den Gästen sagen.").arg(password);
}

QString checkReportText(const publish::CheckResult& check) {
    if (!check.done) {
        return {};
    }
    QString text = QStringLiteral("Prüfung von außen: ") + fromUtf8(check.line);
    for (const std::string& warning : check.warnings) {
        text += u'\n' + fromUtf8(warning);
    }
    return text;
}

QString byteSizeText(std::uint64_t bytes) {
    return fromUtf8(core::byteSizeText(bytes));
}

QString progressText(const publish::Progress& progress, double secondsSending) {
    using Stage = publish::Progress::Stage;
    switch (progress.stage) {
    case Stage::Connecting:
        return QStringLiteral("Verbindung zum Server wird aufgebaut…");
    case Stage::Comparing:
        return QStringLiteral("Vergleich mit dem, was der Server hat…");
    case Stage::Removing:
        return QStringLiteral("Entfernt: %1").arg(uilists::fromFileName(progress.currentFile));
    case Stage::Sending:
        break;
    }
    QString text = QStringLiteral("%1 von %2")
                       .arg(byteSizeText(progress.bytesDone), byteSizeText(progress.bytesTotal));
    if (secondsSending >= 1.0 && progress.bytesDone > 0) {
        const double rate = static_cast<double>(progress.bytesDone) / secondsSending;
        text += QStringLiteral(", %1/s").arg(byteSizeText(static_cast<std::uint64_t>(rate)));
        const double left = static_cast<double>(progress.bytesTotal -
                                                std::min(progress.bytesTotal, progress.bytesDone)) /
                            rate;
        text += QStringLiteral(", noch etwa ") + fromUtf8(core::timeLeftText(left));
    }
    if (!progress.currentFile.empty()) {
        text = uilists::fromFileName(progress.currentFile) + QStringLiteral(" – ") + text;
    }
    return text;
}

QString finishedBarText(const publish::Result& result, bool dryRun) {
    const publish::Plan& plan = result.plan;
    if (dryRun) {
        return plan.send.empty()
                   ? QStringLiteral("Probelauf: nichts würde gesendet")
                   : QStringLiteral("Probelauf: %1, %2 würden gesendet")
                         .arg(filesCount(plan.send.size()), byteSizeText(plan.sendBytes));
    }
    return result.filesSent == 0 ? QStringLiteral("Nichts zu senden") : QString();
}

QString planText(const publish::Result& result) {
    const publish::Plan& plan = result.plan;
    QStringList parts;
    parts << QStringLiteral("Probelauf: nichts wurde gesendet oder gelöscht.");
    if (plan.send.empty()) {
        parts << QStringLiteral("Zu senden: nichts, der Server ist auf dem Stand der Fotoshow.");
    } else {
        parts << QStringLiteral("Zu senden: %1, %2")
                         .arg(filesCount(plan.send.size()), byteSizeText(plan.sendBytes)) +
                     u'\n' + fileLines(plan.send);
    }
    if (!plan.remove.empty()) {
        parts << QStringLiteral("Zu löschen: %1, %2")
                         .arg(filesCount(plan.remove.size()), byteSizeText(totalOf(plan.remove))) +
                     u'\n' + fileLines(plan.remove);
    }
    if (!plan.keptUnneeded.empty()) {
        parts << QStringLiteral("Nicht mehr benötigt, bleiben ohne „Nicht mehr benötigte Dateien "
                                "löschen“ auf dem Server: %1")
                         .arg(filesCount(plan.keptUnneeded.size())) +
                     u'\n' + fileLines(plan.keptUnneeded);
    }
    if (!plan.unsendable.empty()) {
        parts << QStringLiteral("Lassen sich per FTP nicht senden, ihr Name enthält einen "
                                "Zeilenumbruch: %1")
                         .arg(filesCount(plan.unsendable.size())) +
                     u'\n' + fileLines(plan.unsendable);
    }
    for (const std::string& warning : result.warnings) {
        parts << fromUtf8(warning);
    }
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace bildertafel::ui

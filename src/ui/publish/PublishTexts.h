#pragma once

#include "publish/Publisher.h"

#include <QString>

#include <cstdint>

namespace bildertafel::ui {

// The window's controls as the core's messages name them: the dialog's "Schlüsseldatei…" and
// the main window's "HTML erstellen".
publish::ControlNames publishControlNames();
// "Zugang…": where the show's password is kept; the two typed differ; a suggestion to note.
QString passwordKeepingText(bool keyring);
QString passwordsDifferText();
QString suggestionText(const QString& password);
// The check from outside after a publish, for the report.
QString checkReportText(const publish::CheckResult& check);

// A size as the dialog "Veröffentlichen" shows it: "512 Byte", "3,4 MB".
QString byteSizeText(std::uint64_t bytes);

// One line of progress: the file in hand, the bytes, the rate and the time left, the rate over
// the seconds spent sending so far.
QString progressText(const publish::Progress& progress, double secondsSending);

// What a dry run found: the files to send and to remove with their sizes, those left alone, and
// the warnings.
QString planText(const publish::Result& result);
// What the bar says when a run is over: a dry run its plan ("Probelauf: 33 Dateien, 1,5 MB
// würden gesendet"), a publish that found nothing to send so; empty for a publish that sent.
QString finishedBarText(const publish::Result& result, bool dryRun);

} // namespace bildertafel::ui

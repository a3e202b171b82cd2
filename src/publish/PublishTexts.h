#pragma once

#include "publish/FailureFacts.h"
#include "publish/Publisher.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The German sentences of publishing that are no failure of the wire (those are failureText()'s):
// the publish set's refusals, the summary of a run and its notices.
namespace bildertafel::publish {

// The start page is not a file directly in the show folder.
std::string startPageNotInShow(const std::string& startPage, const std::string& showFolder,
                               const ControlNames& controls);
// A page of the show cannot be read; unclosed: it was read, but a quote or a comment in it is
// never closed.
std::string pageUnreadable(const std::string& page, bool unclosed);
// After the link check's notice of links that lead nowhere.
std::string missingLinksRefusal(const std::string& notice);
// A page's link that is left out, and why ("ist versteckt").
std::string leftOutWarning(const std::string& page, const std::string& link,
                           const std::string& reason);

// The files whose names FTP cannot carry, as a dry run lists them, and as a publish refuses.
std::string unsendableNotice(const std::vector<PlannedFile>& refused);
std::string unsendableRefusal(const std::vector<PlannedFile>& refused);
// The record on the server is too large to be read, or cannot be read at all.
std::string recordTooLargeWarning(std::string_view name);
std::string recordUnreadableWarning(std::string_view name);
// A public show goes up beside a .htaccess that Bildertafel did not write, which stays.
std::string foreignAccessFileWarning();
// The check from outside in one line: what address answered what (status; reason when none).
std::string checkLine(CheckFinding finding, const std::string& address, long status,
                      const std::string& reason);
// The server declares a character set other than the pages' Windows-1252.
std::string charsetWarning(const std::string& address, const std::string& charset);
// "Abbrechen" was heard after filesSent files had arrived.
std::string cancelledMessage(std::size_t filesSent);
// "12 Dateien gesendet (3,4 MB), 2 entfernt." / a dry run's plan in a line.
std::string publishSummary(const Result& result, bool dryRun);

} // namespace bildertafel::publish

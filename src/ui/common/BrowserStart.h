#pragma once

#include <QUrl>

#include <functional>
#include <string>
#include <string_view>

class QObject;

namespace bildertafel::ui {

// Opens the address in the user's browser without waiting for it. `failed` runs on the calling
// thread: at once when no launcher exists, later when the launcher cannot be started or ends with
// an error within its first seconds; not at all once `context` is gone.
void openInBrowser(const QUrl& address, QObject* context, const std::function<void()>& failed);

namespace texts {
// No browser could be started for the page (UTF-8 path).
std::string browserNotStarted(std::string_view page);
} // namespace texts

} // namespace bildertafel::ui

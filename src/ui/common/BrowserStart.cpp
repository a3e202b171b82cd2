#include "ui/common/BrowserStart.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>

namespace bildertafel::ui {

namespace {

// A launcher that ends with an error later than this has handed the page on; what happens to it
// afterwards is the browser's.
constexpr qint64 WatchMilliseconds = 3000;

} // namespace

void openInBrowser(const QUrl& address, QObject* context, const std::function<void()>& failed) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!launcher.isEmpty()) {
        // Without a parent: a launcher that stays with the browser is neither waited for nor
        // ended with the window.
        auto* process = new QProcess();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->setStandardInputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        QObject::connect(process, &QProcess::errorOccurred, context,
                         [failed](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 failed();
                             }
                         });
        // A launcher that never started sends no end of its own.
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 process->deleteLater();
                             }
                         });
        QObject::connect(process, &QProcess::finished, context,
                         [clock, failed](int exitCode, QProcess::ExitStatus status) {
                             const bool error = status != QProcess::NormalExit || exitCode != 0;
                             if (error && clock.elapsed() < WatchMilliseconds) {
                                 failed();
                             }
                         });
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        const QString argument =
            address.isLocalFile() ? address.toLocalFile() : address.toString(QUrl::FullyEncoded);
        process->start(launcher, {argument});
        return;
    }
#endif
    if (!QDesktopServices::openUrl(address)) {
        failed();
    }
}

} // namespace bildertafel::ui

namespace bildertafel::ui::texts {

std::string browserNotStarted(std::string_view page) {
    return "Es konnte kein Browser gestartet werden. Die Startseite lässt sich von Hand im "
           "Browser öffnen:\n" +
           std::string(page);
}

} // namespace bildertafel::ui::texts

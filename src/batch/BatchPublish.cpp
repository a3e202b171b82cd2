#include "batch/BatchPublish.h"

#include "batch/BatchRun.h"
#include "core/ByteSize.h"
#include "publish/Publisher.h"
#include "publish/S3Settings.h"
#include "publish/UserPlaces.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bildertafel::batch {

namespace {

const char* const PassphraseVariable = "BILDERTAFEL_PASSPHRASE";
const char* const ShowPasswordVariable = "BILDERTAFEL_SHOW_PASSWORD";

std::vector<std::string_view> tokensOf(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) == 0) {
            ++at;
        }
        if (at > start) {
            tokens.push_back(text.substr(start, at - start));
        }
    }
    return tokens;
}

// The controlling terminal, for questions that must not come from a pipe.
class Terminal {
public:
    Terminal() : m_fd(::open("/dev/tty", O_RDWR | O_CLOEXEC)) {}
    ~Terminal() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool present() const { return m_fd >= 0 && ::isatty(m_fd) == 1; }

    std::string ask(const std::string& prompt, bool echo) {
        write(prompt);
        termios saved{};
        const bool quiet = !echo && ::tcgetattr(m_fd, &saved) == 0;
        if (quiet) {
            termios silent = saved;
            silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(m_fd, TCSAFLUSH, &silent);
        }
        std::string answer;
        char c = 0;
        while (::read(m_fd, &c, 1) == 1 && c != '\n') {
            answer += c;
        }
        if (quiet) {
            ::tcsetattr(m_fd, TCSAFLUSH, &saved);
            write("\n");
        }
        return answer;
    }

    bool askYes(const std::string& question) {
        for (;;) {
            // The words of the question ("„Ja“ wählen"), as the window's buttons say them.
            std::string answer = ask(question + " (Ja/Nein) ", true);
            for (char& c : answer) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            if (answer == "ja" || answer == "j") {
                return true;
            }
            if (answer == "nein" || answer == "n" || answer.empty()) {
                return false;
            }
        }
    }

private:
    void write(const std::string& text) {
        if (::write(m_fd, text.data(), text.size()) < 0) {
            return;
        }
    }

    int m_fd;
};

std::string netrcText() {
    const char* home = std::getenv("HOME");
    if (home == nullptr) {
        return {};
    }
    std::ifstream in(std::filesystem::path(home) / ".netrc", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The passphrase of --key given to a script: taken out of the environment at once, so that no
// program started on the way (a ProxyCommand) inherits it.
// The password of a protected show: from BILDERTAFEL_SHOW_PASSWORD (removed at once), else asked
// twice on the terminal; nothing when neither can give one, or the two answers differ.
std::optional<std::string> takeShowPassword(Terminal& terminal, std::ostream& err) {
    if (const char* given = std::getenv(ShowPasswordVariable)) {
        std::string password = given;
        ::unsetenv(ShowPasswordVariable);
        return password;
    }
    if (!terminal.present()) {
        err << "Für --protect fehlt das Passwort der Fotoshow: bitte in der Umgebungsvariable "
            << ShowPasswordVariable << " angeben oder im Terminal aufrufen.\n";
        return std::nullopt;
    }
    std::string password = terminal.ask("Passwort für die Fotoshow: ", false);
    std::string again = terminal.ask("Passwort noch einmal: ", false);
    const bool same = password == again;
    std::fill(again.begin(), again.end(), '\0');
    if (!same) {
        err << "Die beiden Passwörter stimmen nicht überein; es wurde nichts gesendet.\n";
        return std::nullopt;
    }
    return password;
}

std::optional<std::string> takePassphrase() {
    const char* given = std::getenv(PassphraseVariable);
    if (given == nullptr) {
        return std::nullopt;
    }
    std::string passphrase = given;
    ::unsetenv(PassphraseVariable);
    return passphrase;
}

class BatchPublishHost : public publish::PublishHost {
public:
    BatchPublishHost(std::ostream& err, bool errIsTerminal, Terminal& terminal,
                     std::optional<std::string> passphrase)
        : m_err(err), m_showProgress(errIsTerminal), m_terminal(terminal),
          m_passphrase(std::move(passphrase)) {}
    ~BatchPublishHost() override {
        endProgress();
        if (m_passphrase) {
            std::fill(m_passphrase->begin(), m_passphrase->end(), '\0');
        }
    }

    bool acceptUnknownHostKey(const std::string& question) override {
        endProgress();
        if (!m_terminal.present()) {
            m_err << question
                  << "\nOhne Terminal kann niemand bestätigen; bitte einmal im "
                     "Terminal oder im Fenster veröffentlichen.\n";
            return false;
        }
        return m_terminal.askYes(question + "\n");
    }
    // The passphrase of the environment where it was given (again when it did not fit: the key
    // is then refused as unusable), else asked on the terminal without echo.
    std::optional<std::string> askPassphrase(const std::string& question) override {
        endProgress();
        if (m_passphrase) {
            return m_passphrase;
        }
        if (!m_terminal.present()) {
            m_err << question << "\nOhne Terminal kann niemand danach fragen; bitte die "
                  << "Passphrase in der Umgebungsvariable " << PassphraseVariable
                  << " übergeben.\n";
            return std::nullopt;
        }
        return m_terminal.ask(question + " ", false);
    }
    bool confirmPlainFtp(const std::string& warning) override {
        if (!m_terminal.present()) {
            m_err << "Unverschlüsseltes FTP braucht eine Bestätigung im Terminal; bitte "
                     "ftps:// oder sftp:// verwenden.\n";
            return false;
        }
        return m_terminal.askYes(warning);
    }
    void progress(const publish::Progress& progress) override {
        if (!m_showProgress || progress.stage != publish::Progress::Stage::Sending) {
            return;
        }
        // The line is written again only when what it says changes, not on every answer of
        // the server.
        std::string line = "Veröffentlichen: " + std::to_string(progress.filesDone) + " von " +
                           std::to_string(progress.filesTotal) + " Dateien, " +
                           core::byteSizeText(progress.bytesDone) + " von " +
                           core::byteSizeText(progress.bytesTotal);
        if (m_progressShown && line == m_lastProgress) {
            return;
        }
        m_err << '\r' << line << "\x1b[K" << std::flush;
        m_lastProgress = std::move(line);
        m_progressShown = true;
    }
    bool cancelRequested() override { return false; }

    void endProgress() {
        if (m_progressShown) {
            m_err << '\n';
            m_progressShown = false;
        }
    }

private:
    std::ostream& m_err;
    bool m_showProgress;
    Terminal& m_terminal;
    std::optional<std::string> m_passphrase;
    bool m_progressShown = false;
    std::string m_lastProgress;
};

std::string startPageOf(const BatchOptions& options) {
    std::string name = options.startPage.value_or(options.name.value_or("bilder01"));
    if (!name.ends_with(".html") && !name.ends_with(".htm")) {
        name += ".html";
    }
    return name;
}

} // namespace

std::optional<NetrcLogin> netrcLogin(std::string_view text, std::string_view host,
                                     std::string_view user) {
    const std::vector<std::string_view> tokens = tokensOf(text);
    std::optional<NetrcLogin> fallback;
    for (std::size_t i = 0; i < tokens.size();) {
        const bool machine = tokens[i] == "machine" && i + 1 < tokens.size();
        if (!machine && tokens[i] != "default") {
            ++i;
            continue;
        }
        const bool matches = machine ? tokens[i + 1] == host : true;
        i += machine ? 2 : 1;
        NetrcLogin login;
        while (i < tokens.size() && tokens[i] != "machine" && tokens[i] != "default") {
            if ((tokens[i] == "login" || tokens[i] == "password") && i + 1 < tokens.size()) {
                (tokens[i] == "login" ? login.login : login.password) = tokens[i + 1];
                i += 2;
            } else {
                ++i;
            }
        }
        if (!matches || (!user.empty() && !login.login.empty() && login.login != user)) {
            continue;
        }
        if (machine) {
            return login;
        }
        fallback = fallback ? fallback : std::optional(login);
    }
    return fallback;
}

int publishShow(const BatchOptions& options, std::ostream& err, bool errIsTerminal) {
    const publish::TargetParse parsed = publish::parseTarget(options.publish);
    if (!parsed.target) {
        err << parsed.error << '\n';
        return ExitRefused;
    }
    publish::Target target = *parsed.target;
    // The user's cache, ~/.ssh and the ssh-agent, as the command's environment names them.
    const publish::EnvironmentLookup environment =
        [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
    publish::PublishOptions publishOptions = publish::userPublishOptions(environment);
    if (target.protocol == publish::Protocol::S3) {
        publish::fillS3Access(publishOptions.s3, environment);
        publishOptions.s3.publicRead = options.publicRead;
    }
    publishOptions.showFolder = std::filesystem::absolute(options.show).lexically_normal();
    publishOptions.startPage = startPageOf(options);
    publishOptions.dryRun = options.dryRun;
    publishOptions.deleteUnneeded = options.deleteUnneeded;
    publishOptions.keyFile = options.keyFile.value_or("");
    publishOptions.controls = {"mit --key",
                               "die Seiten mit --show, --minis und --pictures erstellen",
                               "mit --server-path"};
    publish::ShowAccess& access = publishOptions.access;
    access.serverFiles = true;
    access.keepProtection = !options.protectUser && !options.noProtect;
    access.visibleUntil =
        options.visibleUntil ? publish::parseDay(*options.visibleUntil) : std::nullopt;
    access.noindex = options.noindex.value_or(0) == 1;
    access.webAddress = options.webAddress.value_or("");
    access.serverPath = options.serverPath.value_or("");
    access.check = !options.noCheck;

    Terminal terminal;
    const bool s3 = target.protocol == publish::Protocol::S3;
    if (const auto login = s3 ? std::nullopt : netrcLogin(netrcText(), target.host, target.user)) {
        target.user = target.user.empty() ? login->login : target.user;
        publishOptions.password = login->password;
    }
    const std::string account = (target.user.empty() ? "" : target.user + "@") + target.host;
    // SSH tries the agent and the keys first; FTP needs a password from the start.
    // An object store's keys come from the environment or ~/.aws, the secret asked where the
    // access key is known without it.
    if (s3 && publishOptions.s3.secretKey.empty() && !publishOptions.s3.accessKey.empty() &&
        terminal.present()) {
        publishOptions.s3.secretKey =
            terminal.ask("Geheimer Schlüssel für " + publishOptions.s3.accessKey + ": ", false);
    }
    if (!s3 && publishOptions.password.empty() && target.protocol != publish::Protocol::Sftp) {
        if (!terminal.present()) {
            err << "Für " << account
                << " steht kein Passwort in ~/.netrc, und ohne Terminal kann niemand danach "
                   "gefragt werden. Bitte eine Zeile „machine "
                << target.host << " login " << target.user
                << " password …“ in ~/.netrc eintragen (nur für Sie lesbar: chmod 600).\n";
            return ExitRefused;
        }
        publishOptions.password = terminal.ask("Passwort für " + account + ": ", false);
    }

    if (options.protectUser) {
        access.protect = true;
        access.user = *options.protectUser;
        std::optional<std::string> password = takeShowPassword(terminal, err);
        if (!password) {
            return ExitRefused;
        }
        access.password = std::move(*password);
    }

    BatchPublishHost host(err, errIsTerminal, terminal, takePassphrase());
    publish::Result result = publish::publish(target, publishOptions, host);
    if (publish::isLoginRefusal(result.failure) && publishOptions.password.empty() &&
        terminal.present()) {
        publishOptions.password = terminal.ask("Passwort für " + account + ": ", false);
        result = publish::publish(target, publishOptions, host);
    }
    host.endProgress();
    for (const std::string& warning : result.warnings) {
        err << warning << '\n';
    }
    if (options.dryRun && result.failure == publish::FailureKind::None) {
        for (const publish::PlannedFile& file : result.plan.send) {
            err << "Senden: " << file.path << " (" << core::byteSizeText(file.size) << ")\n";
        }
        for (const publish::PlannedFile& file : result.plan.remove) {
            err << "Löschen: " << file.path << " (" << core::byteSizeText(file.size) << ")\n";
        }
        for (const publish::PlannedFile& file : result.plan.keptUnneeded) {
            err << "Bleibt: " << file.path << " (" << core::byteSizeText(file.size) << ")\n";
        }
        for (const publish::PlannedFile& file : result.plan.unsendable) {
            err << "Nicht sendbar: " << file.path << " (" << core::byteSizeText(file.size) << ")\n";
        }
    }
    std::fill(access.password.begin(), access.password.end(), '\0');
    if (options.dryRun && result.failure == publish::FailureKind::None) {
        for (const std::string& name : result.plan.ownSend) {
            err << "Senden: " << name << " (von Bildertafel erzeugt)\n";
        }
        for (const std::string& name : result.plan.ownRemove) {
            err << "Löschen: " << name << '\n';
        }
    }
    if (result.failure == publish::FailureKind::None) {
        if (options.dryRun || errIsTerminal) {
            err << result.summary << '\n';
        }
        if (result.protectionKept) {
            err << "Der Passwortschutz auf dem Server bleibt, wie er ist (--protect ändert ihn, "
                   "--no-protect nimmt ihn weg).\n";
        }
        if (result.check.done) {
            err << result.check.line << '\n';
            for (const std::string& warning : result.check.warnings) {
                err << warning << '\n';
            }
        }
        return result.check.failed ? ExitCheckFailed : ExitWritten;
    }
    err << result.message << '\n';
    return result.nothingSent ? ExitRefused : ExitFileSystem;
}

} // namespace bildertafel::batch

#include "publish/Connection.h"

#include <curl/curl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace bildertafel::publish {

namespace {

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Commands = std::unique_ptr<curl_slist, ListDeleter>;

struct FileDeleter {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string encoded(std::string_view path) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string_view("-._~/").find(c) != std::string_view::npos) {
            text += c;
        } else {
            text += '%';
            text += Hex[byte >> 4];
            text += Hex[byte & 15];
        }
    }
    return text;
}

std::size_t appendTo(char* data, std::size_t size, std::size_t count, void* text) {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
}

// What is read of a file, up to a limit.
struct Bounded {
    std::string text;
    std::uint64_t limit;
};

std::size_t appendBounded(char* data, std::size_t size, std::size_t count, void* into) {
    auto* bounded = static_cast<Bounded*>(into);
    bounded->text.append(data, size * count);
    return bounded->text.size() > bounded->limit ? 0 : size * count;
}

// "20261208173000" or "20261208173000.123" (UTC): seconds since 1970, or -1.
std::int64_t secondsOf(std::string_view stamp) {
    if (stamp.size() < 14 ||
        stamp.substr(0, 14).find_first_not_of("0123456789") != std::string_view::npos) {
        return -1;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        return std::stoi(std::string(stamp.substr(at, length)));
    };
    std::tm time{};
    time.tm_year = number(0, 4) - 1900;
    time.tm_mon = number(4, 2) - 1;
    time.tm_mday = number(6, 2);
    time.tm_hour = number(8, 2);
    time.tm_min = number(10, 2);
    time.tm_sec = number(12, 2);
    return static_cast<std::int64_t>(::timegm(&time));
}

// "type=file;size=12;modify=20261208173000; name"
std::optional<RemoteEntry> machineListed(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    RemoteEntry entry;
    entry.name = line.substr(blank + 1);
    std::string_view facts = line.substr(0, blank);
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        std::string key;
        for (const char c : fact.substr(0, equals)) {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::string_view value = fact.substr(equals + 1);
        if (key == "type") {
            if (value == "cdir" || value == "pdir") {
                return std::nullopt;
            }
            entry.folder = value == "dir";
            // "OS.unix=slink:/ziel" and the like: a symbolic link.
            entry.link = value.size() > 8 && value.substr(0, 8) == "OS.unix=" &&
                         value.substr(8).starts_with("s");
        } else if (key == "size") {
            entry.size = std::strtoull(std::string(value).c_str(), nullptr, 10);
        } else if (key == "modify") {
            entry.stamp = value;
            entry.modified = secondsOf(value);
        }
    }
    return entry;
}

// "-rw-r--r-- 1 user group 12 Dec  8 17:30 name": servers without MLSD.
std::optional<RemoteEntry> longListed(std::string_view line) {
    std::size_t at = 0;
    std::string_view fields[8];
    for (std::string_view& field : fields) {
        while (at < line.size() && line[at] == ' ') {
            ++at;
        }
        const std::size_t end = std::min(line.find(' ', at), line.size());
        field = line.substr(at, end - at);
        at = end;
    }
    if (at >= line.size() || fields[0].empty()) {
        return std::nullopt;
    }
    RemoteEntry entry;
    entry.name = line.substr(at + 1);
    entry.folder = fields[0].front() == 'd';
    entry.size = std::strtoull(std::string(fields[4]).c_str(), nullptr, 10);
    entry.stamp =
        std::string(fields[5]) + ' ' + std::string(fields[6]) + ' ' + std::string(fields[7]);
    if (entry.name == "." || entry.name == "..") {
        return std::nullopt;
    }
    if (fields[0].front() == 'l') {
        entry.link = true; // "name -> target"
        entry.name = entry.name.substr(0, entry.name.find(" -> "));
    }
    return entry;
}

class FtpConnection final : public Connection {
public:
    FtpConnection(const Target& target, const PublishOptions& options)
        : m_target(target), m_options(options) {
        static std::once_flag initialised;
        std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        m_curl = curl_easy_init();
        if (m_curl == nullptr) {
            throw PublishError(Failure::Other, "Die FTP-Verbindung lässt sich nicht anlegen.");
        }
        const bool ipv6 = target.host.find(':') != std::string::npos;
        m_base = "ftp://" + (ipv6 ? "[" + target.host + "]" : target.host) + ":" +
                 std::to_string(effectivePort(target)) + "/";
        if (target.folder.starts_with('/')) {
            m_base += "%2F" + encoded(std::string_view(target.folder).substr(1));
        } else {
            m_base += encoded(target.folder);
        }
        if (!m_base.ends_with('/')) {
            m_base += '/';
        }
    }

    ~FtpConnection() override { curl_easy_cleanup(m_curl); }

    std::optional<std::vector<RemoteEntry>> list(const std::string& folder) override {
        std::string text;
        const std::string url = m_base + encoded(folder) + (folder.empty() ? "" : "/");
        CURLcode code = CURLE_OK;
        if (m_machineListing) {
            prepare(url);
            curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "MLSD");
            curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, appendTo);
            curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &text);
            code = curl_easy_perform(m_curl);
            if (code != CURLE_OK && code != CURLE_REMOTE_ACCESS_DENIED && responseCode() >= 500 &&
                responseCode() <= 504) {
                m_machineListing = false; // the server knows no MLSD
                text.clear();
            }
        }
        if (!m_machineListing) {
            prepare(url);
            curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "LIST -a");
            curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, appendTo);
            curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &text);
            code = curl_easy_perform(m_curl);
        }
        if (code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_REMOTE_FILE_NOT_FOUND) {
            return std::nullopt; // the folder is not there
        }
        check(code, "Der Ordner „" + (folder.empty() ? std::string(".") : folder) +
                        "“ auf dem Server lässt sich nicht lesen");
        std::vector<RemoteEntry> entries;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end;
            std::string_view line(text.data() + start, end - start);
            if (line.ends_with('\r')) {
                line.remove_suffix(1);
            }
            auto entry = m_machineListing ? machineListed(line) : longListed(line);
            if (entry) {
                entries.push_back(std::move(*entry));
            }
            start = end + 1;
        }
        return entries;
    }

    std::optional<std::string> read(const std::string& path,
                                    std::uint64_t limit = UnlimitedRead) override {
        Bounded text{{}, limit};
        prepare(m_base + encoded(path));
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, appendBounded);
        curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &text);
        CURLcode code = curl_easy_perform(m_curl);
        if (code == CURLE_WRITE_ERROR && text.text.size() > limit) {
            text.text.resize(static_cast<std::size_t>(limit) + 1); // stopped at the limit
            return std::move(text.text);
        }
        if (code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_REMOTE_ACCESS_DENIED) {
            return std::nullopt;
        }
        check(code, "Die Datei „" + path + "“ auf dem Server lässt sich nicht lesen");
        return std::move(text.text);
    }

    void send(const std::string& localPath, const std::string& content,
              const std::string& temporary, const std::string& final, const SendProgress& progress,
              std::int64_t modified = -1) override {
        const std::string finalName = final.substr(final.rfind('/') + 1);
        if (finalName.find_first_of("\r\n") != std::string::npos) {
            throw PublishError(Failure::Other,
                               "Der Name „" + final +
                                   "“ enthält einen Zeilenumbruch und lässt sich per FTP "
                                   "nicht senden. Bitte die Datei umbenennen.");
        }
        std::unique_ptr<std::FILE, FileDeleter> file;
        std::uint64_t size = content.size();
        Source source{nullptr, content, 0};
        if (!localPath.empty()) {
            file.reset(std::fopen(localPath.c_str(), "rb"));
            if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
                throw PublishError(Failure::LocalRead,
                                   "Die Datei „" + final +
                                       "“ der Fotoshow lässt sich nicht lesen.");
            }
            size = static_cast<std::uint64_t>(std::ftell(file.get()));
            std::rewind(file.get());
            source.file = file.get();
        }
        // The rename happens in the file's folder, where the upload left the connection. The
        // time goes first ("*": a server without MFMT keeps its own; the file is then sent
        // again after an interruption).
        const std::string temporaryName = temporary.substr(temporary.rfind('/') + 1);
        Commands rename;
        if (modified >= 0) {
            char stamp[32];
            const auto seconds = static_cast<std::time_t>(modified);
            std::tm time{};
            ::gmtime_r(&seconds, &time);
            std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &time);
            rename.reset(curl_slist_append(
                nullptr, ("*MFMT " + std::string(stamp) + " " + temporaryName).c_str()));
        }
        rename.reset(curl_slist_append(rename.release(), ("RNFR " + temporaryName).c_str()));
        curl_slist_append(rename.get(), ("RNTO " + finalName).c_str());
        prepare(m_base + encoded(temporary));
        // Only an upload makes missing folders: a listing, a read or a dry run leaves the
        // server as it is.
        curl_easy_setopt(m_curl, CURLOPT_FTP_CREATE_MISSING_DIRS,
                         static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, readSource);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, &source);
        curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
        curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, rename.get());
        m_progress = &progress;
        const CURLcode code = curl_easy_perform(m_curl);
        m_progress = nullptr;
        if (source.failed) {
            throw PublishError(Failure::LocalRead,
                               "Die Datei „" + final + "“ der Fotoshow lässt sich nicht lesen.");
        }
        check(code, "Die Datei „" + final + "“ lässt sich auf dem Server nicht schreiben");
    }

    void remove(const std::string& path) override {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        Commands remove(curl_slist_append(nullptr, ("DELE " + path.substr(folder.size())).c_str()));
        prepare(m_base + encoded(folder));
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, remove.get());
        check(curl_easy_perform(m_curl),
              "Die Datei „" + path + "“ lässt sich auf dem Server nicht löschen");
    }

    bool makeFolder(const std::string& path) override {
        // The server says only that it failed: something of that name may be there, or may have
        // been there a moment ago (another client's lock, given back meanwhile).
        for (int attempt = 0;; ++attempt) {
            const CURLcode code = inFolderOf(path, {"MKD " + nameOf(path)}, true);
            if (code == CURLE_OK) {
                return true;
            }
            const std::size_t slash = path.rfind('/');
            const auto entries = list(slash == std::string::npos ? "" : path.substr(0, slash));
            if (entries && std::any_of(entries->begin(), entries->end(), [&](const RemoteEntry& e) {
                    return e.name == nameOf(path);
                })) {
                return false;
            }
            if (attempt == 2) {
                check(code, "Der Ordner „" + path + "“ lässt sich auf dem Server nicht anlegen");
                return false;
            }
        }
    }

    void removeFolder(const std::string& path) override {
        check(inFolderOf(path, {"RMD " + nameOf(path)}, false),
              "Der Ordner „" + path + "“ lässt sich auf dem Server nicht löschen");
    }

    void rename(const std::string& from, const std::string& to) override {
        check(inFolderOf(from, {"RNFR " + nameOf(from), "RNTO " + nameOf(to)}, false),
              "„" + from + "“ lässt sich auf dem Server nicht umbenennen");
    }

private:
    static std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

    // Runs the commands in the folder of path; make: missing folders on the way are made.
    CURLcode inFolderOf(const std::string& path, const std::vector<std::string>& commands,
                        bool make) {
        const std::size_t slash = path.rfind('/');
        Commands list;
        for (const std::string& command : commands) {
            list.reset(curl_slist_append(list.release(), command.c_str()));
        }
        prepare(m_base + encoded(slash == std::string::npos ? "" : path.substr(0, slash + 1)));
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
        if (make) {
            curl_easy_setopt(m_curl, CURLOPT_FTP_CREATE_MISSING_DIRS,
                             static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        }
        curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, list.get());
        return curl_easy_perform(m_curl);
    }

    struct Source {
        std::FILE* file;
        const std::string& content;
        std::size_t at;
        bool failed = false;
    };

    static std::size_t readSource(char* buffer, std::size_t size, std::size_t count, void* data) {
        auto* source = static_cast<Source*>(data);
        if (source->file == nullptr) {
            const std::size_t n = std::min(size * count, source->content.size() - source->at);
            source->content.copy(buffer, n, source->at);
            source->at += n;
            return n;
        }
        const std::size_t n = std::fread(buffer, 1, size * count, source->file);
        if (n == 0 && std::ferror(source->file) != 0) {
            source->failed = true;
            return CURL_READFUNC_ABORT;
        }
        return n;
    }

    static int onProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
        auto* self = static_cast<FtpConnection*>(data);
        if (self->m_progress != nullptr && *self->m_progress &&
            !(*self->m_progress)(static_cast<std::uint64_t>(sent))) {
            return 1;
        }
        return 0;
    }

    void prepare(const std::string& url) {
        curl_easy_reset(m_curl);
        m_error[0] = '\0';
        curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_error);
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, 20L);
        // A connection that stalls for a minute counts as lost.
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, 60L);
        curl_easy_setopt(m_curl, CURLOPT_USERNAME,
                         m_target.user.empty() ? "anonymous" : m_target.user.c_str());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_options.password.c_str());
        if (m_target.protocol == Protocol::Ftps) {
            curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            if (!m_options.caFile.empty()) {
                curl_easy_setopt(m_curl, CURLOPT_CAINFO, m_options.caFile.c_str());
            }
        }
        curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
    }

    long responseCode() const {
        long code = 0;
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }

    void check(CURLcode code, const std::string& what) {
        if (code == CURLE_OK) {
            m_connected = true;
            return;
        }
        const std::string reason = m_error[0] != '\0' ? m_error : curl_easy_strerror(code);
        const long response = responseCode();
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            throw PublishError(Failure::HostUnknown,
                               "Den Server „" + m_target.host +
                                   "“ gibt es nicht. Bitte den Namen in der Adresse prüfen.");
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
            if (!m_connected) {
                throw PublishError(Failure::NoRoute,
                                   "Der Server „" + m_target.host + "“ ist auf Port " +
                                       std::to_string(effectivePort(m_target)) +
                                       " nicht erreichbar. Bitte die Netzverbindung, den Namen "
                                       "und den Port prüfen (" +
                                       reason + ").");
            }
            break;
        case CURLE_LOGIN_DENIED:
            throw PublishError(Failure::Login, "Die Anmeldung wurde abgelehnt. Bitte "
                                               "Benutzername und Passwort prüfen.");
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_ISSUER_ERROR:
            throw PublishError(Failure::Certificate,
                               "Das Zertifikat des Servers „" + m_target.host +
                                   "“ lässt sich nicht bestätigen; es wurde nichts gesendet. "
                                   "Bitte den Namen des Servers so schreiben, wie ihn der "
                                   "Anbieter nennt, und beim Anbieter nachfragen (" +
                                   reason + ").");
        case CURLE_USE_SSL_FAILED:
            throw PublishError(Failure::Certificate,
                               "Der Server „" + m_target.host +
                                   "“ bietet keine Verschlüsselung (FTPS) an; es wurde nichts "
                                   "gesendet. Bitte sftp:// versuchen oder beim Anbieter "
                                   "nachfragen.");
        case CURLE_ABORTED_BY_CALLBACK:
            throw PublishError(Failure::Cancelled, "Abgebrochen.");
        case CURLE_REMOTE_DISK_FULL:
            throw PublishError(Failure::QuotaFull,
                               what + ": der Speicherplatz auf dem Server ist voll. Bitte Platz "
                                      "schaffen oder den Speicher beim Anbieter erweitern.");
        default:
            break;
        }
        if (response == 452 || response == 552) {
            throw PublishError(Failure::QuotaFull,
                               what + ": der Speicherplatz auf dem Server ist voll. Bitte Platz "
                                      "schaffen oder den Speicher beim Anbieter erweitern.");
        }
        if (code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_UPLOAD_FAILED ||
            code == CURLE_QUOTE_ERROR || response == 550 || response == 553) {
            throw PublishError(Failure::PermissionDenied,
                               what +
                                   ": der Server verweigert den Zugriff. Bitte den Ordner in "
                                   "der Adresse und die Rechte auf dem Server prüfen (" +
                                   reason + ").");
        }
        if (!m_connected) {
            throw PublishError(Failure::NoRoute,
                               "Mit dem Server „" + m_target.host +
                                   "“ kommt keine Verbindung zustande. Bitte Adresse und Port "
                                   "prüfen (" +
                                   reason + ").");
        }
        throw PublishError(Failure::ConnectionLost,
                           what +
                               ": die Verbindung zum Server ist abgebrochen. Bitte noch "
                               "einmal veröffentlichen; was schon oben ist, wird nicht noch "
                               "einmal gesendet (" +
                               reason + ").");
    }

    Target m_target;
    PublishOptions m_options;
    CURL* m_curl = nullptr;
    std::string m_base;
    char m_error[CURL_ERROR_SIZE] = {};
    bool m_machineListing = true;
    bool m_connected = false;
    const SendProgress* m_progress = nullptr;
};

} // namespace

// An SSH server greets first with "SSH-2.0-…", which an FTP client would wait on until its
// time is up: a look at the greeting tells it at once. Anything else is left to the connection.
void refuseSshServer(const Target& target) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(target.host.c_str(), std::to_string(effectivePort(target)).c_str(), &hints,
                      &found) != 0) {
        return;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    const int fd = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                            found->ai_protocol);
    if (fd < 0) {
        return;
    }
    char greeting[4] = {};
    ssize_t got = -1;
    pollfd wait{fd, POLLOUT, 0};
    if ((::connect(fd, found->ai_addr, found->ai_addrlen) == 0 || errno == EINPROGRESS) &&
        ::poll(&wait, 1, 5000) == 1) {
        wait.events = POLLIN;
        if (::poll(&wait, 1, 5000) == 1) {
            got = ::recv(fd, greeting, sizeof greeting, MSG_PEEK);
        }
    }
    ::close(fd);
    if (got == 4 && std::string_view(greeting, 4) == "SSH-") {
        throw PublishError(Failure::NoRoute,
                           "Unter „" + target.host + "“ auf Port " +
                               std::to_string(effectivePort(target)) +
                               " antwortet ein SSH-Server, kein FTP-Server. Bitte die Adresse mit "
                               "sftp:// beginnen oder den Port des FTP-Servers angeben.");
    }
}

std::unique_ptr<Connection> connectFtp(const Target& target, const PublishOptions& options) {
    refuseSshServer(target);
    return std::make_unique<FtpConnection>(target, options);
}

} // namespace bildertafel::publish

#pragma once

#include <optional>
#include <string>
#include <string_view>

// Who may see a published show, and what the web server is told about it: Bildertafel's own
// .htaccess and .htpasswd, made at publish time and never kept in the show folder.
namespace bildertafel::publish {

// A calendar day, as "Sichtbar bis" and --visible-until name it.
struct Day {
    int year = 0;
    int month = 0;
    int day = 0;

    bool operator==(const Day&) const = default;
};

// "YYYY-MM-DD", a day that exists; nothing otherwise.
std::optional<Day> parseDay(std::string_view text);
// "YYYY-MM-DD".
std::string dayText(const Day& day);

struct ShowAccess {
    // Bildertafel's own .htaccess goes up with the show (it tells the server the pages'
    // character set, and protects when protect is set). Off: nothing but the show's files is
    // sent and nothing of the server's .htaccess is looked at.
    bool serverFiles = false;
    // "Nur mit Passwort sichtbar": Basic authentication for everything in the target folder.
    bool protect = false;
    std::string user = "gast";
    // Hashed at publish time into .htpasswd; never written anywhere in plain text.
    std::string password;
    // The last day the show is visible, in the server's time; nothing: no end.
    std::optional<Day> visibleUntil;
    // Search engines are asked not to index the pages and the pictures.
    bool noindex = false;
    // The target folder's absolute path as the web server sees it (AuthUserFile needs it). Empty:
    // over SFTP the server is asked; over FTP(S) a protected show cannot go up without it.
    std::string serverPath;
    // The web address of the target folder (http:// or https://); empty: nothing is checked.
    std::string webAddress;
    // After a publish with a web address, the show is fetched from outside and judged.
    bool check = true;
    // Neither protect nor its end was asked for (a command line that names neither): a protected
    // show on the server keeps Bildertafel's two files as they are.
    bool keepProtection = false;
};

inline constexpr std::string_view AccessFileName = ".htaccess";
inline constexpr std::string_view PasswordFileName = ".htpasswd";
// The first line of both files: a .htaccess without it is somebody else's and is never touched.
inline constexpr std::string_view OwnFirstLine =
    "# Von Bildertafel geschrieben: jede Veröffentlichung ersetzt diese Datei.";

// What is wrong with the access settings before anything is made or sent.
enum class AccessProblem {
    None,
    UserInvalid,       // empty, longer than 255 bytes, or with ':' or a control character
    PasswordMissing,   // protect without a password
    PasswordTooLong,   // bcrypt reads 72 bytes only: the rest would protect nothing
    PasswordInvalid,   // a line break or NUL
    ServerPathInvalid, // not absolute, or a character the server's configuration cannot carry
    WebAddressInvalid, // not http:// or https:// with a host
};

AccessProblem accessProblem(const ShowAccess& access);
// An absolute path without '"', '\\' or control characters, as AuthUserFile can carry it.
bool isUsableServerPath(std::string_view path);
// "http://" or "https://" followed by a host, no spaces or control characters.
bool isWebAddress(std::string_view address);

// True when content begins with OwnFirstLine (LF or CR LF after it).
bool isOwnServerFile(std::string_view content);
// True when Bildertafel's .htaccess content asks for the password.
bool isProtectingAccessFile(std::string_view content);

// Bildertafel's .htaccess for the show; passwordFile: the absolute path of .htpasswd on the
// server, used only when protected.
std::string accessFileText(const ShowAccess& access, const std::string& passwordFile);
// The .htpasswd: OwnFirstLine, then "user:$2y$10$…" (bcrypt with a fresh salt). Nothing when
// the system cannot hash.
std::optional<std::string> passwordFileText(const std::string& user, const std::string& password);

// True when content is Bildertafel's .htpasswd with one line for user whose bcrypt hash (cost 10
// or more) takes password: it need not be sent again.
bool passwordFileFits(std::string_view content, const std::string& user,
                      const std::string& password);

// A password that is easy to read out and type ("kefu-rami-tobe-nasu"): 19 characters, about 48
// bits from the system's random source.
std::string suggestedPassword();

} // namespace bildertafel::publish

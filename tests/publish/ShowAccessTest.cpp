#include "publish/ShowAccess.h"
#include "publish/OutsideCheck.h"

#include <gtest/gtest.h>

#include <crypt.h>

#include <memory>
#include <set>

namespace bildertafel::publish {
namespace {

TEST(ShowAccess, ReadsOnlyDaysThatExist) {
    const struct {
        const char* text;
        std::optional<Day> day;
    } rows[] = {
        {"2026-12-31", Day{2026, 12, 31}},
        {"2028-02-29", Day{2028, 2, 29}},
        {"2027-02-29", std::nullopt},
        {"2026-13-01", std::nullopt},
        {"2026-1-01", std::nullopt},
        {"2026-01-01x", std::nullopt},
        {"+026-01-01", std::nullopt},
        {"1969-12-31", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseDay(row.text), row.day);
        if (row.day) {
            EXPECT_EQ(dayText(*row.day), row.text);
        }
    }
}

TEST(ShowAccess, RefusesWhatTheServerCouldNotCarry) {
    const auto with = [](auto change) {
        ShowAccess access;
        access.protect = true;
        access.password = "kefu-rami-tobe-nasu";
        change(access);
        return access;
    };
    const struct {
        const char* what;
        ShowAccess access;
        AccessProblem problem;
    } rows[] = {
        {"as it comes", with([](ShowAccess&) {}), AccessProblem::None},
        {"no password", with([](ShowAccess& a) { a.password.clear(); }),
         AccessProblem::PasswordMissing},
        {"public, no password", with([](ShowAccess& a) { a.protect = false, a.password.clear(); }),
         AccessProblem::None},
        {"colon in the user", with([](ShowAccess& a) { a.user = "a:b"; }),
         AccessProblem::UserInvalid},
        {"empty user", with([](ShowAccess& a) { a.user.clear(); }), AccessProblem::UserInvalid},
        {"line break in the user", with([](ShowAccess& a) { a.user = "a\nb"; }),
         AccessProblem::UserInvalid},
        {"line break in the password", with([](ShowAccess& a) { a.password = "a\nb"; }),
         AccessProblem::PasswordInvalid},
        {"73 bytes", with([](ShowAccess& a) { a.password = std::string(73, 'x'); }),
         AccessProblem::PasswordTooLong},
        {"72 bytes", with([](ShowAccess& a) { a.password = std::string(72, 'x'); }),
         AccessProblem::None},
        {"relative path", with([](ShowAccess& a) { a.serverPath = "htdocs"; }),
         AccessProblem::ServerPathInvalid},
        {"quote in the path", with([](ShowAccess& a) { a.serverPath = "/a\"b"; }),
         AccessProblem::ServerPathInvalid},
        {"hoster's path", with([](ShowAccess& a) { a.serverPath = "/homepages/12/d1/htdocs"; }),
         AccessProblem::None},
        {"ftp address", with([](ShowAccess& a) { a.webAddress = "ftp://example.de/"; }),
         AccessProblem::WebAddressInvalid},
        {"no host", with([](ShowAccess& a) { a.webAddress = "https:///x"; }),
         AccessProblem::WebAddressInvalid},
        {"https", with([](ShowAccess& a) { a.webAddress = "https://example.de/fotos"; }),
         AccessProblem::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(accessProblem(row.access), row.problem);
    }
}

// Which directives each choice brings into the .htaccess, and which it leaves out.
TEST(ShowAccess, WritesTheDirectivesOfTheChoice) {
    const struct {
        const char* what;
        bool protect;
        std::optional<Day> until;
        bool noindex;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } rows[] = {
        {"public",
         false,
         std::nullopt,
         false,
         {"AddCharset windows-1252 .html"},
         {"Auth", "Require", "X-Robots-Tag", "<If \""}},
        {"public without search engines",
         false,
         std::nullopt,
         true,
         {"Header set X-Robots-Tag \"noindex, noimageindex\""},
         {"Auth", "Require"}},
        {"protected",
         true,
         std::nullopt,
         false,
         {"AuthType Basic\n", "AuthUserFile \"/srv/www/.htpasswd\"\n", "Require valid-user\n",
          "<Files \".ht*\">\nRequire all denied\n</Files>", "X-Robots-Tag", "AddCharset"},
         {"<If \""}},
        {"until the last day of the year",
         true,
         Day{2026, 12, 31},
         false,
         {"<If \"%{TIME} >= '20270101000000'\">\nRequire all denied\n</If>"},
         {}},
        {"until the end of February",
         false,
         Day{2028, 2, 28},
         false,
         {"'20280229000000'"},
         {"Auth"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ShowAccess access;
        access.protect = row.protect;
        access.visibleUntil = row.until;
        access.noindex = row.noindex;
        const std::string text = accessFileText(access, "/srv/www/.htpasswd");
        EXPECT_TRUE(isOwnServerFile(text));
        for (const std::string& part : row.present) {
            EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
        }
        for (const std::string& part : row.absent) {
            EXPECT_EQ(text.find(part), std::string::npos) << part << "\n" << text;
        }
    }
}

TEST(ShowAccess, KnowsItsOwnFilesByTheFirstLine) {
    const std::string own(OwnFirstLine);
    const struct {
        std::string content;
        bool own;
    } rows[] = {
        {own + "\nRequire valid-user\n", true},
        {own + "\r\n", true},
        {own, false}, // cut off: not as written
        {own + " und mehr\n", false},
        {"RewriteEngine On\n" + own + "\n", false},
        {"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.content);
        EXPECT_EQ(isOwnServerFile(row.content), row.own);
    }
}

// The hash is bcrypt of cost 10 with its own salt each time, and takes only the right password.
TEST(ShowAccess, HashesThePasswordWithBcrypt) {
    const std::optional<std::string> first = passwordFileText("gast", "kefu-rami-tobe-nasu");
    const std::optional<std::string> second = passwordFileText("gast", "kefu-rami-tobe-nasu");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_TRUE(isOwnServerFile(*first));
    EXPECT_EQ(first->find("kefu"), std::string::npos);
    const std::string line = first->substr(OwnFirstLine.size() + 1);
    ASSERT_TRUE(line.starts_with("gast:$2y$10$")) << line;
    const std::string hash = line.substr(5, line.size() - 6);
    const struct {
        const char* password;
        bool fits;
    } rows[] = {{"kefu-rami-tobe-nasu", true}, {"kefu-rami-tobe-nas", false}, {"", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.password);
        const auto data = std::make_unique<crypt_data>();
        const char* again = crypt_r(row.password, hash.c_str(), data.get());
        EXPECT_EQ(again != nullptr && hash == again, row.fits);
        EXPECT_EQ(passwordFileFits(*first, "gast", row.password), row.fits);
    }
    EXPECT_FALSE(passwordFileFits(*first, "gäste", "kefu-rami-tobe-nasu"));
    EXPECT_FALSE(passwordFileFits(*first + "x:y\n", "gast", "kefu-rami-tobe-nasu"));
}

// The verdict on answers a test's Apache does not give: hidden files served, no answer at all,
// a password refused.
TEST(ShowAccess, JudgesTheAnswersOfTheCheck) {
    CheckRequest request;
    request.webAddress = "https://example.de/fotos";
    request.startPage = "index.html";
    request.samples = {"minis/a.jpg"};
    request.protect = true;
    request.password = "kefu-rami-tobe-nasu";
    const auto answered = [&](std::vector<long> statuses) {
        std::vector<CheckAnswer> answers = checkPlan(request);
        for (std::size_t i = 0; i < answers.size(); ++i) {
            answers[i].status = i < statuses.size() ? statuses[i] : 0;
            answers[i].error = "Verbindung abgelehnt";
        }
        return answers;
    };
    // Without: start page, preview; with: the same; then .htpasswd and the record.
    const struct {
        const char* what;
        std::vector<long> statuses;
        bool failed;
        const char* line;
    } rows[] = {
        {"as it should be", {401, 401, 200, 200, 403, 403}, false, "Geschützt:"},
        {".htpasswd served", {401, 401, 200, 200, 200, 403}, true, "Die .htpasswd ist ohne"},
        {"record served", {401, 401, 200, 200, 403, 200}, true, "Die Liste der veröffentlichten"},
        {"a preview open", {401, 200, 200, 200, 403, 403}, true, "Die Bilder sind ohne Passwort"},
        {"the password refused", {401, 401, 401, 401, 403, 403}, true, "Mit Passwort antwortet"},
        {"nobody answers", {}, true, "Die Prüfung von außen erreicht"},
        {"a redirect", {401, 401, 302, 200, 403, 403}, true, "Unerwartete Antwort: https://"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const CheckResult result = judgeCheck(request, answered(row.statuses));
        EXPECT_EQ(result.failed, row.failed);
        EXPECT_TRUE(result.line.starts_with(row.line)) << result.line;
    }
    // Without the password at hand only what a stranger meets is asked and judged.
    request.password.clear();
    const CheckResult stranger = judgeCheck(request, answered({401, 401, 403, 403}));
    EXPECT_FALSE(stranger.failed);
    EXPECT_EQ(stranger.line, "Geschützt: ohne Passwort antwortet der Server 401.");
    EXPECT_EQ(checkAddress("https://example.de/fotos", "minis/Bild 1#.jpg"),
              "https://example.de/fotos/minis/Bild%201%23.jpg");
}

TEST(ShowAccess, SuggestsReadablePasswordsThatDiffer) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        const std::string password = suggestedPassword();
        ASSERT_GE(password.size(), 12U);
        EXPECT_EQ(password.find_first_not_of("bdfgkmnprstvzaeiou-"), std::string::npos) << password;
        seen.insert(password);
    }
    EXPECT_EQ(seen.size(), 50U);
}

} // namespace
} // namespace bildertafel::publish

#include "publish/Target.h"

#include <gtest/gtest.h>

namespace bildertafel::publish {
namespace {

TEST(Target, AddressesGiveTheirPartsAndComeBackUnchanged) {
    const struct {
        const char* address;
        Target target;
    } rows[] = {
        {"sftp://anna@example.org/var/www", {Protocol::Sftp, "anna", "example.org", 0, "/var/www"}},
        {"SFTP://anna@example.org:2222/~/www/",
         {Protocol::Sftp, "anna", "example.org", 2222, "~/www"}},
        {"sftp://example.org", {Protocol::Sftp, "", "example.org", 0, "~"}},
        {"ftps://web1%40kunde@ftp.example.de/html/fotos%202026",
         {Protocol::Ftps, "web1@kunde", "ftp.example.de", 0, "html/fotos 2026"}},
        {"ftp://u@[::1]:21/%2Fsrv/show", {Protocol::Ftp, "u", "::1", 21, "/srv/show"}},
        {"ftps://u@h", {Protocol::Ftps, "u", "h", 0, ""}},
        {"s3://fotos/hochzeit/2026%20Juni+%23/",
         {Protocol::S3, "", "fotos", 0, "hochzeit/2026 Juni+#"}},
        {"S3://my.bucket-1", {Protocol::S3, "", "my.bucket-1", 0, ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        const TargetParse parsed = parseTarget(row.address);
        ASSERT_TRUE(parsed.target) << parsed.error;
        EXPECT_EQ(*parsed.target, row.target);
        EXPECT_EQ(parseTarget(targetAddress(*parsed.target)).target, row.target);
    }
}

TEST(Target, BadAddressesAreNamedInGerman) {
    const struct {
        const char* address;
        const char* reason;
    } rows[] = {
        {"http://example.org/", "sftp://, ftps://, ftp:// oder s3://"},
        {"sftp:///www", "Name des Servers fehlt"},
        {"sftp://u@h:0/www", "Portnummer"},
        {"sftp://u@h:70000/www", "Portnummer"},
        {"sftp://u@h:/www", "Portnummer"},
        {"ftps://u:geheim@h/www", "Passwort"},
        {"ftps://u@h/www?x=1", "„?“"},
        {"ftps://u@h/a b", "%20"},
        {"ftps://u@h/a%zz", "Hexadezimalziffern"},
        {"ftp://u@[::1/x", "eckige Klammer"},
        {"s3://Fotos/x", "Buckets"},
        {"s3://fo/x", "Buckets"},
        {"s3://-fotos/x", "Buckets"},
        {"s3://u@fotos/x", "ohne Benutzer"},
        {"s3://fotos:443/x", "ohne Benutzer"},
        {"s3://fotos/a//b", "leeren Teil"},
        {"s3://fotos/a/../b", "„..“"},
        {"s3://fotos/a%0Ab", "Zeilenumbruch"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        const TargetParse parsed = parseTarget(row.address);
        EXPECT_FALSE(parsed.target);
        EXPECT_NE(parsed.error.find(row.reason), std::string::npos) << parsed.error;
        EXPECT_EQ(parsed.error.find("geheim"), std::string::npos) << parsed.error;
    }
}

} // namespace
} // namespace bildertafel::publish

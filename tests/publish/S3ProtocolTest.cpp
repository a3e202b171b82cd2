#include "publish/S3Protocol.h"
#include "publish/S3Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace bildertafel::publish {
namespace {

TEST(S3Protocol, KeysAndQueriesAreEncodedAsTheSignatureTakesThem) {
    EXPECT_EQ(s3::keyInPath("fotos/Bäume im Park+1#2.jpg"),
              "fotos/B%C3%A4ume%20im%20Park%2B1%232.jpg");
    EXPECT_EQ(s3::keyInPath("a-b_c.d~e/f"), "a-b_c.d~e/f");
    // Sorted by name, "/" and "+" in values encoded, an empty value with its "=".
    EXPECT_EQ(s3::canonicalQuery({{"prefix", "show/a b+/"},
                                  {"list-type", "2"},
                                  {"delimiter", "/"},
                                  {"continuation-token", "1/x=="}}),
              "continuation-token=1%2Fx%3D%3D&delimiter=%2F&list-type=2&prefix=show%2Fa%20b%2B%2F");
    EXPECT_EQ(s3::canonicalQuery({{"uploads", ""}}), "uploads=");
    EXPECT_EQ(s3::canonicalQuery({{"uploadId", "2~x"}, {"partNumber", "10"}}),
              "partNumber=10&uploadId=2~x");
}

TEST(S3Protocol, TheEndpointDecidesTheAddressing) {
    const struct {
        const char* endpoint;
        const char* region;
        S3Addressing addressing;
        const char* bucket;
        const char* base; // empty: refused
        const char* error;
    } rows[] = {
        {"", "", S3Addressing::Auto, "fotos", "https://fotos.s3.us-east-1.amazonaws.com", ""},
        {"", "eu-central-1", S3Addressing::Auto, "my.fotos",
         "https://s3.eu-central-1.amazonaws.com/my.fotos", ""},
        {"https://fsn1.your-objectstorage.com/", "fsn1", S3Addressing::Auto, "fotos",
         "https://fsn1.your-objectstorage.com/fotos", ""},
        {"https://fsn1.your-objectstorage.com", "fsn1", S3Addressing::Virtual, "fotos",
         "https://fotos.fsn1.your-objectstorage.com", ""},
        {"https://s3.eu-west-1.amazonaws.com", "", S3Addressing::Path, "fotos",
         "https://s3.eu-west-1.amazonaws.com/fotos", ""},
        {"http://127.0.0.1:7480", "", S3Addressing::Auto, "fotos", "http://127.0.0.1:7480/fotos",
         ""},
        {"https://[::1]:9000", "", S3Addressing::Auto, "b12", "https://[::1]:9000/b12", ""},
        {"http://s3.example.org", "", S3Addressing::Auto, "fotos", "", "http://"},
        {"ftp://s3.example.org", "", S3Addressing::Auto, "fotos", "", "https://"},
        {"https://s3.example.org/pfad", "", S3Addressing::Auto, "fotos", "", "keinen Pfad"},
        {"https://s3.example.org:0", "", S3Addressing::Auto, "fotos", "", "Portnummer"},
        {"https://s3.example.org:99999", "", S3Addressing::Auto, "fotos", "", "Portnummer"},
        {"https://user@s3.example.org", "", S3Addressing::Auto, "fotos", "", "keinen Pfad"},
        {"https://", "", S3Addressing::Auto, "fotos", "", "Name des Servers"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.endpoint);
        S3Access s3;
        s3.endpoint = row.endpoint;
        s3.region = row.region;
        s3.addressing = row.addressing;
        std::string error;
        const auto address = s3::addressOf(s3, row.bucket, error);
        if (*row.base == '\0') {
            EXPECT_FALSE(address);
            EXPECT_NE(error.find(row.error), std::string::npos) << error;
        } else {
            ASSERT_TRUE(address) << error;
            EXPECT_EQ(address->base, row.base);
        }
    }
}

constexpr const char* GoodPage =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult xmlns="http://s3.amazonaws.com/doc/2006-03-01/"><Name>b</Name>
<Prefix>show/</Prefix><KeyCount>3</KeyCount><IsTruncated>true</IsTruncated>
<NextContinuationToken>t&amp;1</NextContinuationToken>
<Contents><Key>show/a &amp; b&#xE4;.jpg</Key><LastModified>2026-03-01T12:00:01.000Z</LastModified>
<ETag>&quot;9e107d9d372bb6826bd81d3542a419d6&quot;</ETag><Size>1234</Size></Contents>
<Contents><Key>elsewhere/x.jpg</Key><Size>1</Size></Contents>
<Contents><Key>show/</Key><Size>0</Size></Contents>
<CommonPrefixes><Prefix>show/bilder/</Prefix></CommonPrefixes>
<CommonPrefixes><Prefix>other/</Prefix></CommonPrefixes>
</ListBucketResult>)";

TEST(S3Protocol, AListingPageGivesOnlyWhatLiesBelowThePrefix) {
    const auto listing = s3::parseListing(GoodPage, "show/");
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->objects.size(), 1U);
    EXPECT_EQ(listing->objects[0].key, "show/a & b\xC3\xA4.jpg");
    EXPECT_EQ(listing->objects[0].size, 1234U);
    EXPECT_EQ(listing->objects[0].etag, "\"9e107d9d372bb6826bd81d3542a419d6\"");
    EXPECT_EQ(listing->objects[0].modified, 1772366401);
    EXPECT_EQ(listing->prefixes, std::vector<std::string>{"show/bilder/"});
    EXPECT_TRUE(listing->truncated);
    EXPECT_EQ(listing->next, "t&1");
}

TEST(S3Protocol, HostileListingsAreRefused) {
    std::string deep = "<ListBucketResult>";
    for (int i = 0; i < 20; ++i) {
        deep += "<a>";
    }
    const struct {
        const char* what;
        std::string xml;
    } rows[] = {
        {"a document type with an entity",
         R"(<?xml version="1.0"?><!DOCTYPE l [<!ENTITY x "xxxxxxxx">]><ListBucketResult><Contents><Key>&x;</Key><Size>1</Size></Contents></ListBucketResult>)"},
        {"an entity of its own",
         "<ListBucketResult><Contents><Key>&x;</Key><Size>1</Size></Contents></ListBucketResult>"},
        {"a reference to the byte 0", "<ListBucketResult><Contents><Key>a&#0;</Key><Size>1</Size></"
                                      "Contents></ListBucketResult>"},
        {"a reference beyond Unicode",
         "<ListBucketResult><Contents><Key>&#x110000;</Key><Size>1</Size></Contents></"
         "ListBucketResult>"},
        {"an unclosed element", "<ListBucketResult><Contents><Key>a</Key>"},
        {"a wrongly closed element", "<ListBucketResult><Key>a</Size></ListBucketResult>"},
        {"too deep", deep},
        {"text after the end", "<ListBucketResult></ListBucketResult><x/>"},
        {"a CDATA section", "<ListBucketResult><![CDATA[x]]></ListBucketResult>"},
        {"another answer", "<Error><Code>AccessDenied</Code></Error>"},
        {"a size that is no number",
         "<ListBucketResult><Contents><Key>show/a</Key><Size>-1</Size></Contents></"
         "ListBucketResult>"},
        {"a size beyond 64 bits",
         "<ListBucketResult><Contents><Key>show/a</Key><Size>99999999999999999999</Size></"
         "Contents></ListBucketResult>"},
        {"truncated without a token", "<ListBucketResult><IsTruncated>true</IsTruncated></"
                                      "ListBucketResult>"},
        {"larger than the limit",
         "<ListBucketResult>" + std::string(s3::ListingLimit, ' ') + "</ListBucketResult>"},
        {"empty", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(s3::parseListing(row.xml, "show/"));
    }
}

TEST(S3Protocol, AnswersOtherThanListings) {
    const s3::ErrorReply error = s3::parseErrorReply(
        "<?xml version=\"1.0\"?><Error><Code>NoSuchBucket</Code><Message>gibt &lt;es&gt; "
        "nicht</Message></Error>");
    EXPECT_EQ(error.code, "NoSuchBucket");
    EXPECT_EQ(error.message, "gibt <es> nicht");
    EXPECT_EQ(s3::parseErrorReply("<html>502</html>").code, "");
    EXPECT_EQ(s3::uploadIdOf("<InitiateMultipartUploadResult><Bucket>b</Bucket><UploadId>2~a"
                             "</UploadId></InitiateMultipartUploadResult>"),
              "2~a");
    EXPECT_FALSE(s3::uploadIdOf("<InitiateMultipartUploadResult/>"));
    EXPECT_EQ(s3::completionBody({"\"a\"", "\"b\""}),
              "<CompleteMultipartUpload><Part><PartNumber>1</PartNumber><ETag>&quot;a&quot;</"
              "ETag></Part><Part><PartNumber>2</PartNumber><ETag>&quot;b&quot;</ETag></Part></"
              "CompleteMultipartUpload>");
    EXPECT_EQ(s3::isoSeconds("1970-01-02T00:00:00Z"), 86400);
    EXPECT_EQ(s3::isoSeconds("1970-01-02 00:00:00Z"), -1);
    EXPECT_EQ(s3::isoSeconds("gestern"), -1);
}

TEST(S3Protocol, ObjectsGetTheirTypeAndCaching) {
    const struct {
        const char* path;
        const char* firstBytes;
        const char* type;
        const char* cache;
    } rows[] = {
        {"index.html", "<html><head><title>x</title>", "text/html; charset=windows-1252",
         "no-cache"},
        {"seiten/a.HTM", "<meta charset=\"UTF-8\">", "text/html; charset=utf-8", "no-cache"},
        {"a.html", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
         "text/html; charset=utf-8", "no-cache"},
        {"bilder/a.JPG", "", "image/jpeg", "public, max-age=86400"},
        {"stil.css", "", "text/css", "public, max-age=86400"},
        {"alle.zip", "", "application/zip", "public, max-age=86400"},
        {"ohne-endung", "", "application/octet-stream", "public, max-age=86400"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(s3::contentTypeOf(row.path, row.firstBytes), row.type);
        EXPECT_EQ(s3::cacheControlOf(row.path), row.cache);
    }
}

// The S3 tools' order: the window's fields, the variables, the credentials file, the config
// file; a profile of its own; files named by variables.
TEST(S3Settings, KeysRegionAndEndpointComeInTheToolsOrder) {
    const test::TempDir home;
    test::writeFile(home / ".aws/credentials",
                    "[default]\naws_access_key_id = DEFKEY\naws_secret_access_key = defsecret\n"
                    "# comment\n[fotos]\naws_access_key_id=FOTOKEY\naws_secret_access_key=fs\n"
                    "aws_session_token = tok\n");
    test::writeFile(home / ".aws/config",
                    "[default]\nregion = eu-central-1\n[profile fotos]\nregion = fsn1\n"
                    "endpoint_url = https://fsn1.your-objectstorage.com\ns3 =\n"
                    "  addressing_style = virtual\n[profile cfg]\naws_access_key_id = CFGKEY\n"
                    "aws_secret_access_key = cs\n");
    test::writeFile(home / "other", "[default]\naws_access_key_id = OTHER\n"
                                    "aws_secret_access_key = os\n");
    const std::string h = home.path().string();
    const struct {
        const char* what;
        std::map<std::string, std::string> environment;
        S3Access given;
        S3Access expected;
    } rows[] = {
        {"the default profile",
         {{"HOME", h}},
         {},
         {"", "eu-central-1", "DEFKEY", "defsecret", "", S3Addressing::Auto, false}},
        {"the variables first",
         {{"HOME", h},
          {"AWS_ACCESS_KEY_ID", "ENVKEY"},
          {"AWS_SECRET_ACCESS_KEY", "es"},
          {"AWS_SESSION_TOKEN", "et"},
          {"AWS_REGION", "auto"},
          {"AWS_DEFAULT_REGION", "x"},
          {"AWS_ENDPOINT_URL", "https://e"},
          {"AWS_ENDPOINT_URL_S3", "https://s3e"}},
         {},
         {"https://s3e", "auto", "ENVKEY", "es", "et", S3Addressing::Auto, false}},
        {"a key without its secret in the environment is not used",
         {{"HOME", h}, {"AWS_ACCESS_KEY_ID", "ENVKEY"}, {"AWS_DEFAULT_REGION", "x"}},
         {},
         {"", "x", "DEFKEY", "defsecret", "", S3Addressing::Auto, false}},
        {"a profile of its own",
         {{"HOME", h}, {"AWS_PROFILE", "fotos"}},
         {},
         {"https://fsn1.your-objectstorage.com", "fsn1", "FOTOKEY", "fs", "tok",
          S3Addressing::Virtual, false}},
        {"keys in the config file",
         {{"HOME", h}, {"AWS_PROFILE", "cfg"}},
         {},
         {"", "", "CFGKEY", "cs", "", S3Addressing::Auto, false}},
        {"files named by variables",
         {{"HOME", "/nirgends"}, {"AWS_SHARED_CREDENTIALS_FILE", h + "/other"}},
         {},
         {"", "", "OTHER", "os", "", S3Addressing::Auto, false}},
        {"the window's fields first",
         {{"HOME", h}, {"AWS_REGION", "auto"}},
         {"https://mine", "mine", "MYKEY", "mysecret", "", S3Addressing::Auto, true},
         {"https://mine", "mine", "MYKEY", "mysecret", "", S3Addressing::Auto, true}},
        {"the window's key takes the secret that belongs to it",
         {{"HOME", h}},
         {"", "", "DEFKEY", "", "", S3Addressing::Auto, false},
         {"", "eu-central-1", "DEFKEY", "defsecret", "", S3Addressing::Auto, false}},
        {"but never the secret of another key",
         {{"HOME", h}},
         {"", "", "FOTOKEY", "", "", S3Addressing::Auto, false},
         {"", "eu-central-1", "FOTOKEY", "", "", S3Addressing::Auto, false}},
        {"no home, nothing", {}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        S3Access s3 = row.given;
        fillS3Access(s3, [&](std::string_view name) -> std::optional<std::string> {
            const auto found = row.environment.find(std::string(name));
            return found == row.environment.end() ? std::nullopt : std::optional(found->second);
        });
        EXPECT_EQ(s3.endpoint, row.expected.endpoint);
        EXPECT_EQ(s3.region, row.expected.region);
        EXPECT_EQ(s3.accessKey, row.expected.accessKey);
        EXPECT_EQ(s3.secretKey, row.expected.secretKey);
        EXPECT_EQ(s3.sessionToken, row.expected.sessionToken);
        EXPECT_EQ(s3.addressing, row.expected.addressing);
    }
}

} // namespace
} // namespace bildertafel::publish

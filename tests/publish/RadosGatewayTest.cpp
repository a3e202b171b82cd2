#include "TestServers.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

// The S3 server of the tests: what it must refuse and take as AWS does, for the tests of the
// publish to rely on.
namespace bildertafel::test {
namespace {

const std::string Key = "/bilder/" + RadosGateway::encodeKey("Rügen am Meer+1#.jpg");

struct Step {
    const char* what;
    bool isSigned;
    std::string method;
    std::string target;
    std::string body;
    std::vector<std::string> headers;
    std::string secret;
    long status;
    std::string answer; // in the body
};

TEST(RadosGatewayTest, checksSignaturesPayloadsAndConditionsAsAwsDoes) {
    BILDERTAFEL_NEEDS_SERVER(RadosGateway::missing());
    RadosGateway gateway;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(gateway.launch(), "");
    std::printf("RADOS Gateway started in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_EQ(gateway.makeBucket("bilder"), "");
    const std::vector<std::string> once = {"If-None-Match: *", "Content-Type: image/jpeg"};
    const std::vector<Step> steps = {
        {"first put", true, "PUT", Key, "jpeg", once, {}, 200, ""},
        {"second put", true, "PUT", Key, "neu", once, {}, 412, "PreconditionFailed"},
        {"get", true, "GET", Key, {}, {}, {}, 200, "jpeg"},
        {"get unsigned", false, "GET", Key, {}, {}, {}, 403, "AccessDenied"},
        {"wrong secret", true, "GET", Key, {}, {}, "falsch", 403, "SignatureDoesNotMatch"},
        {"wrong secret put", true, "PUT", "/bilder/x", "x", {}, "falsch", 403, ""},
        {"public put", true, "PUT", "/bilder/offen", "o", {"x-amz-acl: public-read"}, {}, 200, ""},
        {"public get", false, "GET", "/bilder/offen", {}, {}, {}, 200, "o"},
        {"listing",
         true,
         "GET",
         "/bilder?list-type=2",
         {},
         {},
         {},
         200,
         "<Key>Rügen am Meer+1#.jpg</Key>"},
        {"unknown bucket", true, "GET", "/fehlt/a", {}, {}, {}, 404, "NoSuchBucket"},
    };
    for (const Step& step : steps) {
        const RadosGateway::Reply reply =
            step.isSigned
                ? gateway.request(step.method, step.target, step.body, step.headers, step.secret)
                : gateway.anonymous(step.method, step.target);
        EXPECT_EQ(reply.status, step.status) << step.what << ": " << reply.body;
        EXPECT_NE(reply.body.find(step.answer), std::string::npos)
            << step.what << ": " << reply.body;
    }
    EXPECT_NE(gateway.request("HEAD", Key).headers.find("Content-Type: image/jpeg"),
              std::string::npos);
    EXPECT_EQ(gateway.request("GET", "/bilder/x").status, 404) << "the refused put left nothing";
}

TEST(RadosGatewayTest, speaksTlsWithACertificateOfItsOwnCa) {
    BILDERTAFEL_NEEDS_SERVER(RadosGateway::missing());
    RadosGateway gateway;
    ASSERT_EQ(gateway.launch(true), "");
    EXPECT_EQ(gateway.endpoint().substr(0, 8), "https://");
    EXPECT_EQ(gateway.makeBucket("sicher"), "");
    EXPECT_FALSE(runQuietly("curl -sf --cacert " + gateway.otherCaFile().string() + " " +
                            gateway.endpoint()))
        << "a certificate of another CA is taken";
}

// Whether a process's command line names the folder.
bool anyProcessIn(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        if (readFile(entry.path() / "cmdline").find(folder.string()) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(RadosGatewayTest, goesWithTheProcessThatStartedItEvenWhenItCrashes) {
    BILDERTAFEL_NEEDS_SERVER(RadosGateway::missing());
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        auto* gateway = new RadosGateway; // never destroyed: the process ends as by a crash
        const std::string folder = gateway->launch().empty() ? gateway->folder().string() : "";
        (void)!::write(pipe[1], folder.data(), folder.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    char buffer[4096];
    const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_GT(got, 0) << "the gateway did not start";
    const std::filesystem::path folder(std::string(buffer, static_cast<std::size_t>(got)));
    for (int i = 0; i < 100 && (anyProcessIn(folder) || std::filesystem::exists(folder)); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(anyProcessIn(folder));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

} // namespace
} // namespace bildertafel::test

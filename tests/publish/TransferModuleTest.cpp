#include "publish/TransferModule.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace bildertafel::publish {
namespace {

class RefusingHost : public PublishHost {
public:
    bool acceptUnknownHostKey(const std::string&) override { return false; }
    bool confirmPlainFtp(const std::string& warning) override {
        asked = warning;
        return false;
    }
    void progress(const Progress&) override {}
    bool cancelRequested() override { return false; }

    std::string asked;
};

// The module answers through the caller's host and fills the caller's result.
TEST(TransferModule, PublishesThroughTheModuleWithTheCallersHost) {
    const test::TempDir show;
    test::writeFile(show / "index.html", "<html><body>Fotos</body></html>\n");
    const Target target{Protocol::Ftp, "anna", "127.0.0.1", 1, "/show"};
    PublishOptions options;
    options.showFolder = show.path().string();
    options.startPage = "index.html";
    RefusingHost host;
    const Result result = publishThroughModule(BILDERTAFEL_TRANSFER_MODULE, target, options, host);
    EXPECT_EQ(result.failure, FailureKind::FtpNotConfirmed);
    EXPECT_TRUE(result.nothingSent);
    EXPECT_EQ(host.asked, PlainFtpWarning);
    EXPECT_NE(result.message.find("FTP"), std::string::npos) << result.message;
}

TEST(TransferModule, AModuleThatCannotBeLoadedSendsNothingAndSaysWhy) {
    const test::TempDir folder;
    test::writeFile(folder / "kaputt.so", "kein Modul\n");
    const struct {
        std::string path;
        const char* reason; // part of the German reason
    } rows[] = {
        {(folder / "fehlt.so").string(), "existiert nicht"},
        {(folder / "kaputt.so").string(), "keine Bibliothek"},
        {"libm.so.6", "fehlt der Einsprungpunkt"}, // loads, but has no entry point
    };
    const Target target{Protocol::Sftp, "anna", "127.0.0.1", 1, "/show"};
    PublishOptions options;
    options.showFolder = folder.path().string();
    options.startPage = "index.html";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        RefusingHost host;
        const Result result = publishThroughModule(row.path, target, options, host);
        EXPECT_EQ(result.failure, FailureKind::NoTransferModule);
        EXPECT_TRUE(result.nothingSent);
        EXPECT_NE(result.message.find("„" + row.path + "“ lässt sich nicht laden"),
                  std::string::npos)
            << result.message;
        EXPECT_NE(result.message.find(row.reason), std::string::npos) << result.message;
        EXPECT_NE(result.message.find("nichts gesendet"), std::string::npos) << result.message;
    }
}

} // namespace
} // namespace bildertafel::publish

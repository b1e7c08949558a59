// PROCESAR with a publish folder, run as the window runs it, with a scripted front end
// and real servers on 127.0.0.1: the results go up beneath the folder at their sources'
// places, a result that fails is asked about as a download's file is, the end box tells
// how many were published, and cancel leaves no partial file under a final name.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "processing/batch_test_support.h"
#include "settings/password.h"
#include "sources/remote_download.h"
#include "support/ftp_test_server.h"
#include "support/scoped_env.h"
#include "support/sshd_test_server.h"
#include "support/vsftpd_test_server.h"
#include "ui/desktop_batch.h"

namespace tesselon {
namespace {

using Files = std::map<std::string, std::string>;
using testing::batch::BatchFixture;

// The files of `folder` whose names a publish leaves on the server for good: no
// temporaries of an upload.
Files finalFilesUnder(const std::string& folder) {
    Files files = testing::filesUnder(folder);
    for (auto it = files.begin(); it != files.end();) {
        const size_t slash = it->first.rfind('/');
        const std::string name = slash == std::string::npos ? it->first : it->first.substr(slash + 1);
        it = name.front() == '.' ? files.erase(it) : std::next(it);
    }
    return files;
}

size_t countOf(const std::string& text, const std::string& word) {
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
    return count;
}

struct PublishBatch : BatchFixture {
    PublishBatch() {
        state.settings.entorno.imagenesRecursivo = 1;
        sessionTableIn(state.ftpSessions).timeoutSeconds = 10;
    }

    void useServer(const std::string& protocol, uint16_t port, const std::string& user, const std::string& password,
                   const std::string& publishFolder) {
        STRProcesosEntorno& env = state.settings.entorno;
        env.servidor = "127.0.0.1";
        env.puerto = std::to_string(port);
        env.usuario = user;
        env.password = protectPassword(password);
        env.pasivo = 1;
        env.protocolo = protocol;
        env.carpetaPublicacion = publishFolder;
    }

    // The images, scanned, converted and published as PROCESAR does.
    void process() {
        scan();
        runDesktopBatch(state, false);
    }

    // What the progress window said while publishing.
    std::vector<std::string> publishingTexts() const {
        std::vector<std::string> texts;
        for (const std::string& text : ui.progressTexts)
            if (text.rfind("Publicando", 0) == 0) texts.push_back(text);
        return texts;
    }

    // The end box of the batch: the last box shown.
    const testing::ShownMessage& endBox() const { return ui.messages.back(); }
};

TEST(DesktopPublish, TheResultsOfALocalSourceArriveWholeAtTheirPlacesBelowTheFolder) {
    PublishBatch f;
    f.addImages(3);
    f.addImages(2, "2020");
    testing::TempDir served;
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    f.useServer("ftp", server.port(), testing::FtpTestServer::kUser, testing::FtpTestServer::kPassword, "/web/optimizadas/");
    f.process();

    const Files results = testing::filesUnder(f.dir.file("out/"));
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(testing::filesUnder(served.file("web/optimizadas/")), results);  // and no temporary left
    EXPECT_EQ(f.endBox().title, "Fin de proceso");
    EXPECT_NE(f.endBox().text.find("Se publicaron las 5 imágenes en '/web/optimizadas/'"), std::string::npos)
        << f.endBox().text;
    EXPECT_FALSE(f.ui.progressOpen);
    EXPECT_EQ(f.publishingTexts().front(), "Publicando imágenes...");
    EXPECT_EQ(f.publishingTexts().back(), "Publicando imágenes...\r\n(5 de 5)");
    EXPECT_EQ(f.state.settings.config.Cancelado, 0);
}

TEST(DesktopPublish, WithoutAPublishFolderNothingIsSentAndTheEndBoxIsThePlainOne) {
    PublishBatch f;
    f.addImages(2);
    testing::TempDir served;
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    f.useServer("ftp", server.port(), testing::FtpTestServer::kUser, testing::FtpTestServer::kPassword, "   ");
    f.process();
    EXPECT_EQ(testing::filesUnder(f.dir.file("out/")).size(), 2u);
    EXPECT_TRUE(testing::filesUnder(served.path()).empty());
    EXPECT_TRUE(f.publishingTexts().empty());
    ASSERT_EQ(f.ui.batchEnds.size(), 1u);  // told by the batch itself, with nothing added
}

TEST(DesktopPublish, ABatchStoppedByCancelarPublishesNothing) {
    PublishBatch f;
    f.addImages(4);
    testing::TempDir served;
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    f.useServer("ftp", server.port(), testing::FtpTestServer::kUser, testing::FtpTestServer::kPassword, "/web/");
    f.ui.cancelAtCounter = 1;
    f.process();
    EXPECT_TRUE(testing::filesUnder(served.path()).empty());
    EXPECT_TRUE(f.ui.messages.empty());
}

// A folder stands where one result's file would go: that result is asked about as a
// download's file is, tried again once, then skipped; the others are published.
TEST(DesktopPublish, AResultThatFailsIsAskedAboutAndTheEndBoxNamesIt) {
    PublishBatch f;
    f.addImages(3);
    testing::TempDir served;
    served.write("web/img1.jpg/taken", "x");
    testing::FtpTestServer server(served.path());
    ASSERT_NE(server.port(), 0);
    f.useServer("ftp", server.port(), testing::FtpTestServer::kUser, testing::FtpTestServer::kPassword, "/web");
    f.ui.answers = {MessageAnswer::Yes, MessageAnswer::No};  // retry, then skip
    f.process();

    const Files results = testing::filesUnder(f.dir.file("out/"));
    Files published = finalFilesUnder(served.file("web/"));
    EXPECT_EQ(published.erase("img1.jpg/taken"), 1u);
    EXPECT_EQ(published, (Files{{"img0.jpg", results.at("img0.jpg")}, {"img2.jpg", results.at("img2.jpg")}}));

    ASSERT_EQ(f.ui.messages.size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(f.ui.messages[i].title, "Error de publicación de archivo");
        EXPECT_EQ(f.ui.messages[i].buttons, MessageButtons::RetrySkipCancel);
        EXPECT_NE(f.ui.messages[i].text.find("'/web/img1.jpg'"), std::string::npos) << f.ui.messages[i].text;
    }
    EXPECT_EQ(f.endBox().title, "Fin de proceso con errores");
    EXPECT_EQ(f.endBox().icon, MessageIcon::Warning);
    EXPECT_NE(f.endBox().text.find("Se publicaron 2 de 3 imágenes en '/web'"), std::string::npos) << f.endBox().text;
    EXPECT_NE(f.endBox().text.find("• /web/img1.jpg: "), std::string::npos) << f.endBox().text;
}

TEST(DesktopPublish, AServerThatCannotBeReachedPublishesNoneAndSaysWhy) {
    PublishBatch f;
    f.addImages(2);
    uint16_t port = 0;
    {
        testing::TempDir served;
        testing::FtpTestServer gone(served.path());
        port = gone.port();
    }  // stopped: nothing listens there any more
    ASSERT_NE(port, 0);
    f.useServer("ftp", port, testing::FtpTestServer::kUser, testing::FtpTestServer::kPassword, "/web/");
    f.process();
    EXPECT_EQ(testing::filesUnder(f.dir.file("out/")).size(), 2u);  // the results stay
    EXPECT_EQ(f.endBox().title, "Fin de proceso con errores");
    EXPECT_NE(f.endBox().text.find("No se publicó ninguna imagen en '/web/'"), std::string::npos) << f.endBox().text;
    EXPECT_NE(f.endBox().text.find("127.0.0.1"), std::string::npos) << f.endBox().text;
}

// vsftpd requires TLS on every data connection and slows them down, so the uploads are
// still in hand when the progress window's Cancelar is pressed.
TEST(DesktopPublish, CancelDuringThePublishingLeavesNoPartialFileUnderAFinalName) {
    PublishBatch f;
    f.addImages(6, "", 400, 300);
    testing::TempDir served;
    served.write("web/keep.txt", "k");
    testing::VsftpdTestServer server(served.path(), "127.0.0.1", 20000, testing::VsftpdTestServer::Access::Writable);
    if (!server.skipReason().empty()) GTEST_SKIP() << server.skipReason();
    testing::ScopedEnv noCaFile{"TESSELON_CA_FILE", ""};
    f.state.tlsCaFile = server.caFile();
    f.useServer("ftps", server.port(), testing::VsftpdTestServer::kUser, "secreto", "/web/fotos");
    f.ui.onProgressPosition = [&f](int position) {
        if (position > 0) f.state.cancel->request();
    };
    f.process();

    const Files results = testing::filesUnder(f.dir.file("out/"));
    ASSERT_EQ(results.size(), 6u);
    // Whatever stands under a final name is a whole result.
    for (const auto& [name, bytes] : finalFilesUnder(served.file("web/fotos/"))) {
        ASSERT_TRUE(results.count(name)) << name;
        EXPECT_EQ(bytes, results.at(name)) << name;
    }
    EXPECT_LT(finalFilesUnder(served.file("web/fotos/")).size(), 6u);
    EXPECT_LT(countOf(server.commandsLog(), "RNTO "), 6u);
    EXPECT_NE(f.endBox().text.find("La publicación se detuvo"), std::string::npos) << f.endBox().text;
    EXPECT_FALSE(f.ui.progressOpen);
    EXPECT_EQ(f.state.settings.config.Cancelado, 1);
}

// A remote source over SFTP: scanned, downloaded, converted, and published to another
// folder of the same server at the sources' places below the scanned folder.
TEST(DesktopPublish, TheResultsOfAnSftpSourceGoBackBesideTheirSourcesPlaces) {
    std::unique_ptr<testing::SshdTestServer> server = std::make_unique<testing::SshdTestServer>();
    if (!server->skipReason().empty()) GTEST_SKIP() << server->skipReason();
    testing::TempDir home;
    testing::ScopedEnv homeVariable{"HOME", home.path()};
    PublishBatch f;
    testing::TempDir served;
    for (const char* name : {"up/a.jpg", "up/2020/b.jpg"}) {
        saveImage(testing::batch::seededImage(80, 60, int(name[3])), served.write(name, ""), *formatByExtension("jpg"));
    }
    if (const std::string problem = server->serve(served.path()); !problem.empty()) GTEST_SKIP() << problem;
    f.useServer("sftp", server->port(), testing::SshdTestServer::kUser, server->password(), served.path() + "web");
    f.state.sftpTrustedHostKey = server->fingerprint();
    STRProcesosEntorno& env = f.state.settings.entorno;
    env.LocalRemoto = "R";
    env.RutaOrigenRemoto = served.path() + "up/";
    env.ExtensionesActivas = "JPG|JPEG";
    f.scan();
    ASSERT_EQ(f.state.SourceImageList.size(), 2u);
    const RemoteDownloadOutcome download = downloadRemoteImages(remoteContextOf(f.state), env,
                                                                f.state.SourceImageList, f.dir.file("bajadas/"), {});
    ASSERT_EQ(download.fetched, 2u);
    runDesktopBatch(f.state, false);

    const Files results = testing::filesUnder(f.dir.file("out/"));
    ASSERT_EQ(results.size(), 2u);
    Files expected;
    for (const auto& [name, bytes] : results) {
        // The results keep the source's folders below the scanned one, whatever the
        // destination's layout.
        const std::string below = name.find("2020/") != std::string::npos ? "2020/" : "";
        expected[below + name.substr(name.rfind('/') + 1)] = bytes;
    }
    EXPECT_EQ(testing::filesUnder(served.file("web/")), expected);
    EXPECT_NE(f.endBox().text.find("Se publicaron las 2 imágenes"), std::string::npos) << f.endBox().text;
}

}  // namespace
}  // namespace tesselon

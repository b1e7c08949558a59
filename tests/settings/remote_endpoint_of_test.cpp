// The remote source of a settings record, parsed once into typed values.
#include <gtest/gtest.h>

#include "settings/password.h"
#include "settings/remote_endpoint_of.h"

namespace tesselon {
namespace {

TEST(RemoteEndpointOf, TheStoredTextsBecomeTypedValues) {
    STRProcesosEntorno env;
    env.servidor = "ftp.example.org";
    env.puerto = " 2121";
    env.usuario = "ana";
    env.password = protectPassword("sécret");
    env.pasivo = 1;
    env.RutaOrigenRemoto = "/fotos/";
    env.protocolo = "sftp";
    const RemoteEndpoint e = remoteEndpointOf(env);
    EXPECT_EQ(e.protocol, RemoteProtocol::Sftp);
    EXPECT_EQ(e.host, "ftp.example.org");
    EXPECT_EQ(e.port, 2121);
    EXPECT_EQ(e.user, "ana");
    EXPECT_EQ(e.password, "sécret");
    EXPECT_TRUE(e.passive);
    EXPECT_EQ(e.folder, "/fotos/");

    env.protocolo = "scp";  // unknown: plain FTP, as a file from before the field
    EXPECT_EQ(remoteEndpointOf(env).protocol, RemoteProtocol::Ftp);
}

TEST(RemoteEndpointOf, APortThatCannotBeOneIsZero) {
    EXPECT_EQ(storedPortNumber("21"), 21);
    EXPECT_EQ(storedPortNumber("22 # ssh"), 22);
    EXPECT_EQ(storedPortNumber("65535"), 65535);
    EXPECT_EQ(storedPortNumber("65536"), 0);
    EXPECT_EQ(storedPortNumber("99999999999999999999"), 0);
    EXPECT_EQ(storedPortNumber(""), 0);
    EXPECT_EQ(storedPortNumber("ftp"), 0);
}

TEST(RemoteEndpointOf, OnlyRIsARemoteSource) {
    STRProcesosEntorno env;
    for (const char* text : {"L", "", "r", "Remoto"}) {
        env.LocalRemoto = text;
        env.UltimoEscaneoImagenesLocalRemoto = text;
        EXPECT_EQ(sourceKindOf(env), SourceKind::Local) << text;
        EXPECT_EQ(lastScanKindOf(env), SourceKind::Local) << text;
    }
    env.LocalRemoto = env.UltimoEscaneoImagenesLocalRemoto = "R";
    EXPECT_EQ(sourceKindOf(env), SourceKind::Remote);
    EXPECT_EQ(lastScanKindOf(env), SourceKind::Remote);
}

}  // namespace
}  // namespace tesselon

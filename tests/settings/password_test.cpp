#include <gtest/gtest.h>

#include "runtime/json/wtf8.h"
#include "settings/password.h"

namespace tesselon {
namespace {

TEST(Password, ProtectedFormIsRc4UnderTheFixedKey) {
    // RC4 keyed with MD5("v\0o\0") over the UTF-16LE bytes of "secreto".
    const std::u16string expected = u"\xD67C\xB53C\xDFBE\x01FF\x6EBC\x4B63\x57C2";
    EXPECT_EQ(toUtf16(protectPassword("secreto")), expected);
    EXPECT_EQ(recoverPassword(fromUtf16(expected)), "secreto");
    EXPECT_EQ(protectPassword("secreto"), protectPassword("secreto"));
}

TEST(Password, EmptyStaysEmptyAndLengthIsKept) {
    EXPECT_EQ(protectPassword(""), "");
    EXPECT_EQ(recoverPassword(""), "");
    for (const std::string plain : {"a", "contraseña", "pässwörd€", "\xF0\x9F\x98\x80x"}) {
        const std::string protectedText = protectPassword(plain);
        EXPECT_EQ(toUtf16(protectedText).size(), toUtf16(plain).size()) << plain;
        EXPECT_NE(protectedText, plain);
        EXPECT_EQ(recoverPassword(protectedText), plain) << plain;
    }
}

TEST(Password, AnyCodeUnitsRoundTrip) {
    // A protected text holding code unit 0 and lone surrogates comes from some plain
    // text; protecting that plain text gives it back exactly.
    const std::u16string units(u"\0A\xD800\xDC01\xDBFF\xDFFF\xDE00\0", 8);
    const std::string protectedText = fromUtf16(units);
    const std::string plain = recoverPassword(protectedText);
    EXPECT_EQ(protectPassword(plain), protectedText);
}

}  // namespace
}  // namespace tesselon

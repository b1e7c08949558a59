#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/state.h"
#include "processing/text/phrases_file.h"
#include "support/scripted_frontend.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using Phrases = std::vector<std::string>;

class CountingFrontend : public testing::ScriptedFrontend {
public:
    std::vector<int> counts;
    void showCounts(int index) override { counts.push_back(index); }
};

class PhrasesFileTest : public ::testing::Test {
protected:
    void SetUp() override { state.frontend = &frontend; }

    Phrases read(std::string_view bytes) {
        state.settings.texto.ArchivoFrases = dir.write("frases.txt", bytes);
        readPhrasesFile(state.settings.texto.ArchivoFrases, state.PhrasesList, state.frontend, state.SourceImageList.current);
        return Phrases(state.PhrasesList.begin(), state.PhrasesList.end());
    }

    testing::TempDir dir;
    CountingFrontend frontend;
    AppState state;
};

TEST_F(PhrasesFileTest, EveryLineIsAPhrase) {
    EXPECT_EQ(read("uno\r\n\r\ndos\r\n"), (Phrases{"uno", "", "dos"}));
    EXPECT_EQ(read(""), Phrases{""});
    EXPECT_EQ(read("\n"), Phrases{""});
    EXPECT_EQ(read("a\n\n"), (Phrases{"a", ""}));
    EXPECT_EQ(read("a\rb\r\nc\nd"), (Phrases{"a", "b", "c", "d"}));
    EXPECT_EQ(read("  dos  palabras \t \n\t tab  "), (Phrases{"dos  palabras \t", "\t tab"}));
    EXPECT_EQ(read("ñandú \xFF\n"), Phrases{"ñandú \xFF"});
}

TEST_F(PhrasesFileTest, AByteOrderMarkTellsTheEncodingAndIsNoPartOfTheFirstPhrase) {
    EXPECT_EQ(read("\xEF\xBB\xBFuno\ndos"), (Phrases{"uno", "dos"}));
    // "Unicode" text as Windows editors save it, in either byte order.
    const std::u16string text = u" año \r\n\r\n\U0001F600 b";
    std::string little = "\xFF\xFE", big = "\xFE\xFF";
    for (char16_t unit : text) {
        little += {char(unit & 0xFF), char(unit >> 8)};
        big += {char(unit >> 8), char(unit & 0xFF)};
    }
    EXPECT_EQ(read(little), (Phrases{"año", "", "\xF0\x9F\x98\x80 b"}));
    EXPECT_EQ(read(big), (Phrases{"año", "", "\xF0\x9F\x98\x80 b"}));
    // Without a mark the same bytes are not taken for UTF-16.
    EXPECT_NE(read(little.substr(2)), (Phrases{"año", "", "\xF0\x9F\x98\x80 b"}));
}

TEST_F(PhrasesFileTest, AFileOfEmptyLinesTakesLittleMoreMemoryThanItsSize) {
    constexpr size_t kLines = size_t(1) << 20;
    read(std::string(kLines, '\n'));
    EXPECT_EQ(state.PhrasesList.size(), kLines);
    EXPECT_EQ(state.PhrasesList[kLines - 1], "");
    EXPECT_LT(state.PhrasesList.memoryBytes(), kLines + kLines / 4);
}

TEST_F(PhrasesFileTest, UnreadableFileEmptiesTheListAndCountsAreRefreshed) {
    state.SourceImageList.entries.resize(5);
    state.SourceImageList.current = 3;
    read("uno\ndos");
    EXPECT_EQ(frontend.counts, std::vector<int>{3});

    for (const std::string& path : {dir.file("falta.txt"), dir.path(), std::string()}) {
        state.settings.texto.ArchivoFrases = path;
        readPhrasesFile(state.settings.texto.ArchivoFrases, state.PhrasesList, state.frontend, state.SourceImageList.current);
        EXPECT_TRUE(state.PhrasesList.empty()) << path;
    }
    EXPECT_EQ(frontend.counts, (std::vector<int>{3, 3, 3, 3}));
    EXPECT_TRUE(frontend.messages.empty());
}

}  // namespace
}  // namespace tesselon

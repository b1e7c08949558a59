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
        readPhrasesFile(state);
        return state.PhrasesList;
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
    // A byte-order mark is kept as part of the first phrase.
    EXPECT_EQ(read("\xEF\xBB\xBFuno\ndos"), (Phrases{"\xEF\xBB\xBFuno", "dos"}));
    EXPECT_EQ(read("ñandú \xFF\n"), Phrases{"ñandú \xFF"});
}

TEST_F(PhrasesFileTest, UnreadableFileEmptiesTheListAndCountsAreRefreshed) {
    state.SourceImageList.entries.resize(5);
    state.SourceImageList.current = 3;
    read("uno\ndos");
    EXPECT_EQ(frontend.counts, std::vector<int>{3});

    for (const std::string& path : {dir.file("falta.txt"), dir.path(), std::string()}) {
        state.settings.texto.ArchivoFrases = path;
        readPhrasesFile(state);
        EXPECT_TRUE(state.PhrasesList.empty()) << path;
    }
    EXPECT_EQ(frontend.counts, (std::vector<int>{3, 3, 3, 3}));
    EXPECT_TRUE(frontend.messages.empty());
}

}  // namespace
}  // namespace tesselon

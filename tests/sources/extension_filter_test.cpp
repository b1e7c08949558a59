#include <gtest/gtest.h>

#include "sources/extension_filter.h"

namespace tesselon {
namespace {

TEST(ExtensionFilter, TakesOnlyListedExtensionsWhateverTheirCase) {
    const ExtensionFilter jpg("JPG|jpeg");
    for (const char* name : {"a.jpg", "Foto.JPG", "x.jpeg", "y.Jpeg", "a b.jpg", "two.dots.jpg"}) {
        EXPECT_TRUE(jpg.accepts(name)) << name;
    }
    for (const char* name : {"a.j pg", ".jpg", "photo.jpg.bak", "jpg", "a.png", "a.", "a.jpg "}) {
        EXPECT_FALSE(jpg.accepts(name)) << name;
    }
}

TEST(ExtensionFilter, EmptyOrStarDotStarTakesEverything) {
    for (const char* list : {"", "*.*"}) {
        const ExtensionFilter all(list);
        EXPECT_TRUE(all.accepts("notes.txt"));
        EXPECT_TRUE(all.accepts("no_extension"));
    }
    // An empty name in the list matches nothing, not files without extension.
    EXPECT_FALSE(ExtensionFilter("jpg|").accepts("README"));
}

}  // namespace
}  // namespace tesselon

// SPDX-License-Identifier: GPL-3.0-or-later
// The memory holding the compiled-in description's bytes can be given back once they are read:
// the process then holds less, and the bytes read the same as before.
#include "graphics/Catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    ADD_FAILURE() << "no VmRSS in /proc/self/status";
    return 0;
}

void ExpectSame(const StoredDescription& a, const StoredDescription& b) {
    ASSERT_EQ(a.ImageLists.size(), b.ImageLists.size());
    for (std::size_t list = 0; list < a.ImageLists.size(); ++list) {
        const StoredImageList& x = a.ImageLists[list];
        const StoredImageList& y = b.ImageLists[list];
        EXPECT_EQ(x.ColorTable, y.ColorTable);
        ASSERT_EQ(x.Items.size(), y.Items.size());
        for (std::size_t i = 0; i < x.Items.size(); ++i) {
            EXPECT_EQ(x.Items[i].Name, y.Items[i].Name);
            EXPECT_EQ(x.Items[i].PictureData, y.Items[i].PictureData) << x.Items[i].Name;
        }
    }
    ASSERT_EQ(a.WaveList.Items.size(), b.WaveList.Items.size());
    for (std::size_t i = 0; i < a.WaveList.Items.size(); ++i)
        EXPECT_EQ(a.WaveList.Items[i].Wave, b.WaveList.Items[i].Wave);
    EXPECT_EQ(a.CreditsPicture, b.CreditsPicture);
    EXPECT_EQ(a.Icon, b.Icon);
}

} // namespace

TEST(EmbeddedDescriptionMemory, GivenBackItIsNoLongerHeldAndReadsTheSameAfter) {
    const std::span<const std::uint8_t> bytes = EmbeddedDescriptionBytes();
    ASSERT_GT(bytes.size(), 1000000u);
    const StoredDescription first = ReadStoredDescription(bytes); // every page read in
    const long before = ResidentKilobytes();
    ReleaseEmbeddedDescriptionMemory();
    const long after = ResidentKilobytes();
    EXPECT_GE(before - after, static_cast<long>(bytes.size() / 1024 / 2));

    ExpectSame(ReadStoredDescription(bytes), first);
    // And again, after a second release.
    ReleaseEmbeddedDescriptionMemory();
    ExpectSame(ReadStoredDescription(bytes), first);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a stored description: what the packer writes reads back, and damaged or malformed
// data are refused with EStoredDescriptionError, never read out of bounds.
#include "graphics/Catalogue.h"
#include "tools/packer/StoredWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Options {
    std::function<void(StoredWriter&)> ExtraImageProperty;
    std::function<void(StoredWriter&)> ExtraFormProperty;
    std::uint32_t Color = 0xFFFFFF;
    std::size_t ColorTableSize = 1024;
    bool WithWaveList = true;
    bool WithCredits = true;
};

// A small description: one image list of two items, a sound list of one sound, the credits.
Bytes Description(const Options& o = {}) {
    StoredWriter w;
    w.BeginForm("TForm1", "Form1");
    w.Bytes("Icon.Data", Bytes{0, 0, 1, 0});
    if (o.ExtraFormProperty)
        o.ExtraFormProperty(w);
    w.EndProperties();
    w.BeginObject("TDXImageList", "DXImageList1");
    w.Identifier("DXDraw", "DXDraw1");
    w.Bytes("Items.ColorTable", Bytes(o.ColorTableSize, 0));
    w.BeginCollection("Items");
    for (int i = 0; i < 2; ++i) {
        w.BeginItem();
        w.String("Name", i == 0 ? "first" : "second");
        w.Integer("PatternHeight", i == 0 ? 0 : -300);
        w.Integer("PatternWidth", i == 0 ? -5 : 70000);
        w.Bytes("Picture.Data", Bytes{4, 'T', 'D', 'I', 'B', std::uint8_t(i)});
        w.Integer("SkipHeight", 0);
        w.Integer("SkipWidth", 0);
        w.Boolean("SystemMemory", false);
        w.Boolean("Transparent", i == 0);
        w.Color("TransparentColor", i == 0 ? o.Color : 0x050000);
        if (i == 1 && o.ExtraImageProperty)
            o.ExtraImageProperty(w);
        w.EndItem();
    }
    w.EndCollection();
    w.EndProperties();
    w.EndObject();
    if (o.WithWaveList) {
        w.BeginObject("TDXWaveList", "DXWaveList1");
        w.Identifier("DXSound", "DXSound1");
        w.BeginCollection("Items");
        w.BeginItem();
        w.Boolean("Looped", false);
        w.Integer("MaxPlayingCount", 0);
        w.String("Name", "knock");
        w.Bytes("Wave.WAVE", Bytes{'R', 'I', 'F', 'F'});
        w.EndItem();
        w.EndCollection();
        w.EndProperties();
        w.EndObject();
    }
    w.EndObject();
    if (o.WithCredits) {
        w.BeginForm("TForm3", "Form3");
        w.EndProperties();
        w.BeginObject("TImage", "Image1");
        w.Bytes("Picture.Data", Bytes{10, 'T', 'J', 'P', 'E', 'G', 'I', 'm', 'a', 'g', 'e'});
        w.EndProperties();
        w.EndObject();
        w.EndObject();
    }
    return w.Bytes();
}

TEST(StoredDescription, ReadsWhatThePackerWrites) {
    const StoredDescription d = ReadStoredDescription(Description());
    ASSERT_EQ(d.ImageLists.size(), 1u);
    const StoredImageList& list = d.ImageList(1);
    EXPECT_EQ(list.Name, "DXImageList1");
    EXPECT_EQ(list.DXDraw, "DXDraw1");
    ASSERT_EQ(list.Items.size(), 2u);
    EXPECT_EQ(list.Items[0].Name, "first");
    EXPECT_EQ(list.Items[1].Name, "second");
    // Integers of every stored width, with their signs.
    EXPECT_EQ(list.Items[0].PatternWidth, -5);
    EXPECT_EQ(list.Items[1].PatternHeight, -300);
    EXPECT_EQ(list.Items[1].PatternWidth, 70000);
    EXPECT_TRUE(list.Items[0].Transparent);
    EXPECT_FALSE(list.Items[1].Transparent);
    // White by name, other colours by value.
    EXPECT_EQ(list.Items[0].TransparentColor, 0xFFFFFFu);
    EXPECT_EQ(list.Items[1].TransparentColor, 0x050000u);
    EXPECT_EQ(list.Items[1].PictureData, (Bytes{4, 'T', 'D', 'I', 'B', 1}));
    ASSERT_EQ(d.WaveList.Items.size(), 1u);
    EXPECT_EQ(d.WaveList.DXSound, "DXSound1");
    EXPECT_EQ(d.WaveList.Items[0].Name, "knock");
    EXPECT_EQ(d.WaveList.Items[0].Wave, (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(d.CreditsPicture.size(), 11u);
    EXPECT_EQ(d.Icon, (Bytes{0, 0, 1, 0}));
}

TEST(StoredDescription, EveryTruncationIsRefused) {
    const Bytes full = Description();
    for (std::size_t length = 0; length < full.size(); ++length) {
        const Bytes cut(full.begin(), full.begin() + length);
        EXPECT_THROW(ReadStoredDescription(cut), EStoredDescriptionError) << length;
    }
}

TEST(StoredDescription, RefusesMalformedStructure) {
    Bytes data = Description();
    data[0] = 'X';
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError) << "signature";

    data = Description();
    data.push_back('T');
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError) << "trailing bytes";

    Options noWaves;
    noWaves.WithWaveList = false;
    EXPECT_THROW(ReadStoredDescription(Description(noWaves)), EStoredDescriptionError);
    Options noCredits;
    noCredits.WithCredits = false;
    EXPECT_THROW(ReadStoredDescription(Description(noCredits)), EStoredDescriptionError);

    // Two main windows.
    const Bytes one = Description();
    Bytes two = one;
    two.insert(two.end(), one.begin(), one.end());
    EXPECT_THROW(ReadStoredDescription(two), EStoredDescriptionError);
}

TEST(StoredDescription, RefusesMalformedProperties) {
    Options unknown;
    unknown.ExtraImageProperty = [](StoredWriter& w) { w.Integer("Speed", 3); };
    EXPECT_THROW(ReadStoredDescription(Description(unknown)), EStoredDescriptionError);

    Options twice;
    twice.ExtraImageProperty = [](StoredWriter& w) { w.String("Name", "again"); };
    EXPECT_THROW(ReadStoredDescription(Description(twice)), EStoredDescriptionError);

    Options formProperty;
    formProperty.ExtraFormProperty = [](StoredWriter& w) { w.Integer("Left", 10); };
    EXPECT_THROW(ReadStoredDescription(Description(formProperty)), EStoredDescriptionError);

    Options table;
    table.ColorTableSize = 1020;
    EXPECT_THROW(ReadStoredDescription(Description(table)), EStoredDescriptionError);

    // A boolean where an integer belongs, and an unknown colour name.
    Bytes data = Description();
    const std::string needle = "PatternHeight";
    auto at = std::search(data.begin(), data.end(), needle.begin(), needle.end());
    ASSERT_NE(at, data.end());
    at[needle.size()] = 9; // vaTrue instead of vaInt8 0: the 0 then reads as an empty name
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError);

    data = Description();
    const std::string white = "clWhite";
    at = std::search(data.begin(), data.end(), white.begin(), white.end());
    ASSERT_NE(at, data.end());
    at[2] = 'X';
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError);
}

TEST(StoredDescription, ReadsTheArtOfEachScaleAndRefusesOddScales) {
    Options scaled;
    scaled.ExtraImageProperty = [](StoredWriter& w) {
        w.Bytes("Picture200.Data", Bytes{1, 2});
        w.Bytes("Picture150.Data", Bytes{3});
    };
    const StoredDescription read = ReadStoredDescription(Description(scaled));
    const std::vector<std::pair<int, ByteBlock>> expected = {{150, {3}}, {200, {1, 2}}};
    EXPECT_EQ(read.ImageList(1).Items.at(1).ScaledPictureData, expected);
    EXPECT_TRUE(read.ImageList(1).Items.at(0).ScaledPictureData.empty());
    for (const char* name : {"Picture100.Data", "Picture0150.Data", "Picture801.Data",
                             "Picture1500.Data", "Picture2x.Data", "Picture200.Dat"}) {
        Options odd;
        odd.ExtraImageProperty = [name](StoredWriter& w) { w.Bytes(name, Bytes{1}); };
        EXPECT_THROW(ReadStoredDescription(Description(odd)), EStoredDescriptionError) << name;
    }
}

TEST(StoredDescription, RefusesValuesThatClaimMoreThanIsThere) {
    Bytes data = Description();
    const std::string needle = "Icon.Data";
    auto at = std::search(data.begin(), data.end(), needle.begin(), needle.end());
    ASSERT_NE(at, data.end());
    // The byte block's count, just after its type byte: claim 4 GB.
    for (int i = 0; i < 4; ++i)
        at[needle.size() + 1 + i] = 0xFF;
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError);

    data = Description();
    at = std::search(data.begin(), data.end(), needle.begin(), needle.end());
    at[needle.size()] = 0x2A; // no such value type
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError);
}

TEST(StoredDescription, RefusesDeepNestingWithoutExhaustingTheStack) {
    // A form whose first property is a collection of collections, a hundred thousand deep.
    Bytes data = {'T', 'P', 'F', '0', 6, 'T', 'F', 'o', 'r', 'm', '1', 5, 'F', 'o', 'r', 'm', '1'};
    for (int i = 0; i < 100000; ++i) {
        data.push_back(1);
        data.push_back('x');
        data.push_back(14); // a collection
        data.push_back(1);  // whose first item
    }
    EXPECT_THROW(ReadStoredDescription(data), EStoredDescriptionError);

    // Objects inside objects, as deep.
    Bytes objects = {'T', 'P', 'F', '0'};
    for (int i = 0; i < 100000; ++i) {
        const Bytes object = {1, 'T', 1, 'o', 0}; // class, name, no properties
        objects.insert(objects.end(), object.begin(), object.end());
    }
    EXPECT_THROW(ReadStoredDescription(objects), EStoredDescriptionError);
}

TEST(StoredDescription, TheEmbeddedDescriptionIsTheOneCompiledIn) {
    const StoredDescription again = ReadStoredDescription(EmbeddedDescriptionBytes());
    EXPECT_EQ(&EmbeddedDescription(), &EmbeddedDescription());
    EXPECT_EQ(again.ImageLists.size(), EmbeddedDescription().ImageLists.size());
    EXPECT_EQ(again.CreditsPicture, EmbeddedDescription().CreditsPicture);
}

} // namespace

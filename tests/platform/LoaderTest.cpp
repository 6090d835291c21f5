// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Loader.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

namespace {
int calls = 0;
void Entry() {
    ++calls;
}
} // namespace

TEST(Loader, FindsEntryPointsByLowerCasedFileNameAndLoadsOnce) {
    RegisterBuiltinLibrary("Test.DLL", {{"Entry", &Entry}});
    EXPECT_FALSE(IsLibraryLoaded("test.dll"));
    GetLibraryProc("TEST.dll", "Entry")();
    GetLibraryFunction<void (*)()>("test.dll", "Entry")();
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(IsLibraryLoaded("Test.dll"));
    UnregisterBuiltinLibrary("test.dll");
}

TEST(Loader, MissingLibraryOrEntryPointIsNotLoaded) {
    try {
        GetLibraryProc("Missing.dll", "Anything");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Missing.dll not loaded");
    }
    RegisterBuiltinLibrary("Half.dll", {{"Present", &Entry}});
    try {
        GetLibraryProc("Half.dll", "Absent");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Half.dll not loaded");
    }
    UnregisterBuiltinLibrary("Half.dll");
}

TEST(Format, InsertsOneWord) {
    EXPECT_EQ(Format("%s cannot be made", "Surface"), "Surface cannot be made");
    EXPECT_EQ(Format("List index out of bounds (%d)", -1), "List index out of bounds (-1)");
}

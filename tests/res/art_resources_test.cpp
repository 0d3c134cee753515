// The art as the program finds it: every bitmap and the icon are embedded resources, reached
// through FindResource, whose bytes are the committed files (a bitmap without its 14-byte file
// header, the icon whole).
#include "ArtFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace art;

namespace {

std::vector<std::uint8_t> ResourceBytes(int id, LPCSTR type) {
    HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(id), type);
    if (!found) {
        return {};
    }
    HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    const DWORD size = SizeofResource(nullptr, found);
    if (!bytes) {
        return {};
    }
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

} // namespace

TEST(ArtResources, EveryBitmapIsThePackedDibOfItsFile) {
    for (int id = 129; id <= 138; ++id) {
        SCOPED_TRACE(id);
        const std::vector<std::uint8_t> file = ReadFile(ResFolder() + std::to_string(id) + ".bmp");
        ASSERT_GT(file.size(), 14u);
        const std::vector<std::uint8_t> dib = ResourceBytes(id, RT_BITMAP);
        ASSERT_EQ(dib.size(), file.size() - 14);
        EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));
        // The header the surface reads: 40 bytes, bottom-up, the file's depth.
        EXPECT_EQ(U32(dib, 0), 40u);
        EXPECT_GT(S32(dib, 8), 0);
        EXPECT_EQ(U16(dib, 14), id <= 131 ? 4u : 8u);
    }
    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(139), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(132), RT_GROUP_ICON), nullptr);
}

TEST(ArtResources, IconIsTheWholeIconFile) {
    const std::vector<std::uint8_t> file = ReadFile(ResFolder() + "dorvane.ico");
    const std::vector<std::uint8_t> icon = ResourceBytes(128, RT_GROUP_ICON);
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(icon == file);
}

// Sizes of 4 GB and more come through whole wherever a size is reported.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "shell/core/ShellUtils.h"
#include "tests/support/TempFolder.h"

namespace wf::test {
namespace {

uint64_t SizeOf(const WIN32_FIND_DATAW& data) {
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A link keeps only the low 32 bits of its target's size: the target found
// on disk tells the rest. (Wine's links hand back no find data of their
// own, so under Wine the size comes from disk with or without the link's.)
TEST(LargeFileSizes, ALinkReportsItsTargetsWholeSize) {
  TempFolder temp;
  for (const uint64_t size : {(uint64_t{4} << 30) + 1536, uint64_t{5} << 30, uint64_t{1536}}) {
    const std::wstring target = temp.MakeFile(L"t" + std::to_wstring(size) + L".bin", size);
    const std::wstring link = temp.MakeLink(L"to " + std::to_wstring(size), target);
    WIN32_FIND_DATAW find_data{};
    ASSERT_EQ(ResolveLinkW(link, find_data), target);
    EXPECT_EQ(SizeOf(find_data), size);
    EXPECT_FALSE(find_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  }
}

}  // namespace
}  // namespace wf::test

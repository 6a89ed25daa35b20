// The procedure sets compiled into the module: found under the module's own
// handle, in the form the writers rely on (CR LF and a closing zero byte for
// the text sets, the bytes as they are for the job patch).
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "com/ModuleState.h"
#include "output/ProcsetResource.h"
#include "platform/text.h"

namespace {

struct ResourceCase {
  WORD id;
  std::string_view firstLines;
  std::string_view lastLines;
  bool crlfAndZero;
};

TEST(ModuleResources, ProcsetsAreFoundInTheirForm) {
  const ResourceCase cases[] = {
      {kFitToPageProcsetResource, "%%BeginResource: procset TmrKv_Win_PSftp 4.3\r\n", "%%EndResource\r\n", true},
      {kJobPatchResource, "[{\n%%BeginFeature: *JobPatchFile 1\n", "%%EndFeature\n} stopped cleartomark\n", false},
  };
  const HMODULE module = module_state::GetModuleHandle();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::string_view text;
    ASSERT_TRUE(TryLoadProcsetText(module, c.id, text));
    ASSERT_GE(text.size(), c.firstLines.size() + c.lastLines.size());
    EXPECT_EQ(text.substr(0, c.firstLines.size()), c.firstLines);
    EXPECT_EQ(text.substr(text.size() - c.lastLines.size()), c.lastLines);

    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(c.id), platform::W(kProcsetResourceType));
    ASSERT_NE(resource, nullptr);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    const DWORD size = SizeofResource(module, resource);
    // The text is the resource itself, up to the terminator when there is one.
    EXPECT_EQ(static_cast<const void*>(text.data()), static_cast<const void*>(data));
    EXPECT_EQ(size, text.size() + (c.crlfAndZero ? 1 : 0));
    if (c.crlfAndZero) {
      EXPECT_EQ(data[text.size()], '\0');
    }

    std::size_t bareLineFeeds = 0;
    std::size_t bareReturns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const unsigned char ch = static_cast<unsigned char>(text[i]);
      EXPECT_TRUE(ch == '\t' || ch == '\r' || ch == '\n' || (ch >= 0x20 && ch < 0x7F)) << "byte " << i;
      if (ch == '\n' && (i == 0 || text[i - 1] != '\r')) ++bareLineFeeds;
      if (ch == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) ++bareReturns;
    }
    EXPECT_EQ(bareReturns, 0u);
    if (c.crlfAndZero) {
      EXPECT_EQ(bareLineFeeds, 0u);
    }
  }
}

TEST(ModuleResources, AnAbsentProcsetIsReported) {
  std::string_view text = "left over";
  EXPECT_FALSE(TryLoadProcsetText(module_state::GetModuleHandle(), 999, text));
  EXPECT_TRUE(text.empty());
}

}  // namespace

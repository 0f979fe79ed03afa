#include "common/AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool HasTempFiles(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().find(".tmp-") != std::string::npos) return true;
  return false;
}

std::string Read(const fs::path& path) { return std::string(ReadWholeFile(path.string()).View()); }

}  // namespace

// Hosts keep their layouts behind links (a per-user link to a shared file); a save must
// update the shared file and leave the link in place.
TEST(AtomicFile, SavingThroughLinksReplacesTheFileTheyNameAndKeepsTheLinks) {
  const fs::path dir = FreshDir("atomic-links");
  fs::create_directory(dir / "shared");
  const fs::path real = dir / "shared" / "layout.xml";
  ASSERT_EQ(WriteFileAtomically(real.string(), "old"), 0);
  fs::create_symlink("shared/layout.xml", dir / "relative.xml");  // relative to the link's folder
  fs::create_symlink(dir / "relative.xml", dir / "chained.xml");   // a link to a link

  ASSERT_EQ(WriteFileAtomically((dir / "chained.xml").string(), "new"), 0);
  EXPECT_EQ(Read(real), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "chained.xml"));
  EXPECT_TRUE(fs::is_symlink(dir / "relative.xml"));
  EXPECT_EQ(Read(dir / "chained.xml"), "new");
  EXPECT_FALSE(HasTempFiles(dir));
  EXPECT_FALSE(HasTempFiles(dir / "shared"));

  // A dangling link gets the file it points to.
  fs::create_symlink("shared/created.xml", dir / "dangling.xml");
  ASSERT_EQ(WriteFileAtomically((dir / "dangling.xml").string(), "first"), 0);
  EXPECT_EQ(Read(dir / "shared" / "created.xml"), "first");
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.xml"));

  // A loop of links is refused, and nothing is written anywhere.
  fs::create_symlink("loop-b.xml", dir / "loop-a.xml");
  fs::create_symlink("loop-a.xml", dir / "loop-b.xml");
  std::string error;
  EXPECT_EQ(WriteFileAtomically((dir / "loop-a.xml").string(), "x", &error), ELOOP);
  EXPECT_NE(error.find("open"), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(dir / "loop-a.xml"));
  EXPECT_FALSE(HasTempFiles(dir));
}

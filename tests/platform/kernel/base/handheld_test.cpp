#include <kernel/handheld.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(Handheld, FollowsHandheldDirAndKeepsRuntimeOwnerOnly)
{
    testing_support::TempHandheld handheld;
    EXPECT_EQ(ce::HandheldDir(), fs::absolute(handheld.path()));
    fs::path run = ce::RuntimeDir();
    EXPECT_EQ(run.parent_path(), ce::HandheldDir());
    struct stat st{};
    ASSERT_EQ(::stat(run.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Handheld, DefaultsUnderXdgStateHome)
{
    testing_support::TempHandheld handheld; // restores HANDHELD_DIR afterwards
    ::unsetenv("HANDHELD_DIR");
    ::setenv("XDG_STATE_HOME", (handheld.path() / "state").c_str(), 1);
    ce::ResetHandheld();
    EXPECT_EQ(ce::HandheldDir(), handheld.path() / "state" / "qn40" / "handheld");
    ::unsetenv("XDG_STATE_HOME");
}

TEST(Handheld, LibraryDirHoldsTheKernel)
{
    EXPECT_TRUE(fs::exists(ce::LibraryDir() / "libcoredll.so"));
    EXPECT_TRUE(fs::exists(ce::ShareDir() / "handheld.reg"));
}

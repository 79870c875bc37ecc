#include "SettingsTestSupport.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

using namespace settings_test;

TEST(FileOps, AnOwnedDescriptorIsClosedOnceThroughTheOperationsInForce)
{
    class CountingCloses : public FileOps {
    public:
        int close(int fd) override
        {
            closed.push_back(fd);
            return FileOps::close(fd);
        }
        std::vector<int> closed;
    };
    auto ops = std::make_shared<CountingCloses>();
    FileOps::setCurrent(ops);
    int number = -1;
    {
        UniqueFd first = FileOps::current().openOwned("/dev/null", O_RDONLY, 0);
        ASSERT_TRUE(first);
        number = first.get();
        UniqueFd moved = std::move(first);
        EXPECT_FALSE(first);
        UniqueFd assigned;
        assigned = std::move(moved);
        EXPECT_EQ(assigned.get(), number);
        EXPECT_TRUE(ops->closed.empty());
    }
    EXPECT_EQ(ops->closed, std::vector<int> { number });

    // Closing now answers the close; what is released is the caller's to close.
    UniqueFd file = FileOps::current().openOwned("/dev/null", O_RDONLY, 0);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.close(), 0) << "nothing left to close";
    UniqueFd kept = FileOps::current().openOwned("/dev/null", O_RDONLY, 0);
    const int released = kept.release();
    EXPECT_EQ(ops->closed.size(), 2u);
    EXPECT_EQ(::close(released), 0);
    FileOps::setCurrent(nullptr);

    // A descriptor from anywhere else goes back through close(2) alone.
    UniqueFd plain(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(plain);
    plain.reset();
    EXPECT_EQ(ops->closed.size(), 2u);
}

TEST(FileOps, AListingHoldsEveryNameButTheDotsOrFailsWithItsReason)
{
    TempRoot root;
    writeBytes(root.path + "/folder/a", "a");
    writeBytes(root.path + "/folder/.b", "b");
    auto names = FileOps::current().listDirectory(root.path + "/folder");
    ASSERT_TRUE(names.has_value());
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::string> { ".b", "a" }));

    EXPECT_FALSE(FileOps::current().listDirectory(root.path + "/missing").has_value());
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(FileOps::current().listDirectory(root.path + "/folder/a").has_value());
    EXPECT_EQ(errno, ENOTDIR);
}

// The failure value and the result that carries it: what a caller reads from each, and that
// taking the wrong side of a result is caught rather than read as garbage.
#include "platform/foundation/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <string>

TEST(Failure, KeepsItsPartsAndSaysThemAsTheLogLinesDo)
{
    const Failure call = Failure::ofCall("could not open the folder", "/r/var", ENOENT);
    EXPECT_EQ(call.message, "could not open the folder /r/var: No such file or directory");
    EXPECT_EQ(call.call, "could not open the folder");
    EXPECT_EQ(call.path, "/r/var");
    EXPECT_EQ(call.error, ENOENT);

    // Said inside a larger failure, only the words change: a caller can still tell the cause.
    const Failure wider = call.within("/r/f.plist cannot be read (", ")");
    EXPECT_EQ(wider.message, "/r/f.plist cannot be read (could not open the folder /r/var: No such file or directory)");
    EXPECT_EQ(wider.path, "/r/var");
    EXPECT_EQ(wider.error, ENOENT);

    const Failure plain = Failure::because("is not a regular file");
    EXPECT_EQ(plain.message, "is not a regular file");
    EXPECT_TRUE(plain.call.empty() && plain.path.empty());
    EXPECT_EQ(plain.error, 0);
}

TEST(Result, AFalseValueIsNoFailureAndTheWrongSideIsNeverHandedOut)
{
    const Result<bool> no = false;
    ASSERT_TRUE(no.ok());
    EXPECT_FALSE(no.value());
    EXPECT_THROW((void)no.failure(), std::logic_error);

    const Result<bool> failed = Failure::because("is empty");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.failure().message, "is empty");
    EXPECT_THROW((void)failed.value(), std::logic_error);
    EXPECT_TRUE(failed.valueOr(true)) << "a fallback stands in for the value, never the failure";

    // A value that cannot be copied moves out whole.
    Result<std::unique_ptr<int>> owned = std::make_unique<int>(7);
    std::unique_ptr<int> taken = std::move(owned).value();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 7);

    const Result<void> done;
    EXPECT_TRUE(done.ok());
    EXPECT_THROW((void)done.failure(), std::logic_error);
    const Result<void> refused = Failure::ofCall("could not flush", "/r/f", EIO);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.failure().error, EIO);
}

// The test binary's main: GoogleTest's, plus a listener that gives every test, TEST and TEST_F
// alike, a toolkit of its own and the process as the test before it found it.
#include "ProcessState.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

class ProcessStateKeeper : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { saved_ = ProcessState::capture(); }
    // Runs after the fixture is gone, whether the test passed, failed half-way or was skipped.
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (saved_)
            saved_->restore();
        saved_.reset();
    }

private:
    std::optional<ProcessState> saved_;
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateKeeper);
    return RUN_ALL_TESTS();
}

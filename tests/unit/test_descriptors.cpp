// Descriptors without a server: explicit descriptors and the connection's
// lists, the field table, and the record rules behind the descriptor calls.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "unit_support.h"

namespace {

using ExplicitDescriptors = HandleTest;

TEST_F(ExplicitDescriptors, FreeingOneWaitsForTheLockBeforeTouchingStatements)
{
    // Freeing an explicit descriptor walks the connection's statements to
    // put users back on their implicit descriptor. Another thread may be
    // freeing one of those statements: the walk runs under driver_lock, as
    // every change of the lists does.
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLHANDLE desc = nullptr;
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &desc), SQL_SUCCESS);
    Descriptor* mine = as_record<Descriptor>(desc);
    s.ard = mine;

    std::atomic<bool> freed{false};
    std::thread other;
    {
        std::lock_guard<std::recursive_mutex> held(driver_lock());
        other = std::thread([&] {
            EXPECT_EQ(free_handle_guarded(SQL_HANDLE_DESC, desc), SQL_SUCCESS);
            freed = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(s.ard, mine) << "the statement list was walked without the lock";
        EXPECT_FALSE(freed);
    }
    other.join();
    EXPECT_TRUE(freed);
    EXPECT_EQ(s.ard, s.ard_implicit);
}

}  // namespace

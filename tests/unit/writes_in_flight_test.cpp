// A batch's writes on threads of their own: what each came to is handed back
// once, oldest first, whatever order they end in.
#include <gtest/gtest.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>
#include "core/messages.h"
#include "core/writes_in_flight.h"

namespace {

// Writes that end when the test lets them, failing or not.
class HeldWrites {
public:
    std::function<Result<Done>()> Write(int id, bool fails) {
        return [this, id, fails]() -> Result<Done> {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [&] { return let_end_.count(id) != 0; });
            ended_.insert(id);
            changed_.notify_all();
            if (fails) return Failure{&kWriteFailed, std::to_string(id)};
            return Done{};
        };
    }
    void LetEnd(int id) {
        const std::lock_guard<std::mutex> guard(lock_);
        let_end_.insert(id);
        changed_.notify_all();
    }
    // Waits until the write has returned, and a little longer, for its end to be noted.
    void WaitForEnd(int id) {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return ended_.count(id) != 0; });
        guard.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::set<int> let_end_, ended_;
};

std::vector<std::string> Paths(const std::vector<Failure>& failures) {
    std::vector<std::string> paths;
    for (const Failure& failure : failures) paths.push_back(failure.path);
    return paths;
}

TEST(WritesInFlight, HandBackFailuresOldestFirstAndWaitForTheOldestWhenAsManyAsAllowedAreGoing) {
    HeldWrites held;
    WritesInFlight writes(2);
    EXPECT_TRUE(writes.Start("C:\\Out\\A.af", held.Write(1, true)).empty());
    EXPECT_TRUE(writes.Start("C:\\Out\\b.af", held.Write(2, true)).empty());
    EXPECT_TRUE(writes.Writing("c:\\out\\a.AF"));
    EXPECT_FALSE(writes.Writing("C:\\Out\\c.af"));

    // The younger has ended, the older not: nothing comes back before the older.
    held.LetEnd(2);
    held.WaitForEnd(2);
    EXPECT_TRUE(writes.Ended().empty());
    EXPECT_TRUE(writes.Writing("C:\\Out\\b.af"));

    // Two going: a third waits for the oldest, then both come back in order.
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        held.LetEnd(1);
    });
    EXPECT_EQ(Paths(writes.Start("C:\\Out\\c.af", held.Write(3, false))), (std::vector<std::string>{"1", "2"}));
    later.join();
    EXPECT_FALSE(writes.Writing("C:\\Out\\A.af"));

    EXPECT_TRUE(writes.Start("C:\\Out\\d.af", held.Write(4, true)).empty());
    held.LetEnd(4);
    held.LetEnd(3);
    EXPECT_EQ(Paths(writes.WaitForAll()), (std::vector<std::string>{"4"}));
    EXPECT_TRUE(writes.Ended().empty());
    EXPECT_FALSE(writes.Writing("C:\\Out\\d.af"));

    // A write that throws has failed to write its file.
    EXPECT_TRUE(writes.Start("C:\\Out\\e.af", []() -> Result<Done> { throw std::bad_alloc(); }).empty());
    const std::vector<Failure> thrown = writes.WaitForAll();
    ASSERT_EQ(thrown.size(), 1u);
    EXPECT_EQ(thrown[0].message, &kWriteFailed);
    EXPECT_EQ(thrown[0].path, "C:\\Out\\e.af");
}

}  // namespace

#include <gtest/gtest.h>

#include <csignal>

#include "service_log.h"
#include "threads.h"

namespace {

void* report_mask(void* out)
{
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    *static_cast<int*>(out) = sigismember(&mask, SIGINT) + sigismember(&mask, SIGTERM);
    return nullptr;
}

TEST(Threads, NewThreadsBlockTheStopSignals)
{
    int blocked = -1;
    ThreadId id;
    ASSERT_EQ(thr_create(&id, ThreadSpec{1, report_mask, &blocked}), 0);
    ASSERT_EQ(thr_join(id, 0, nullptr), 0);
    EXPECT_EQ(blocked, 2);
    // The creator's own mask is left as it was.
    sigset_t mine;
    pthread_sigmask(SIG_SETMASK, nullptr, &mine);
    EXPECT_FALSE(sigismember(&mine, SIGTERM));
}

TEST(ServiceLog, OutsideTextIsMadeSafeAndBounded)
{
    struct {
        const char* in;
        size_t max;
        const char* out;
    } cases[] = {
        {"alice", 64, "alice"},
        {"bad\nname\r", 64, "bad?name?"},
        {"%s%n", 64, "%s%n"},  // kept as text: records never use it as a format
        {"\xc3\xa9t\xc3\xa9", 64, "??t??"},
        {"abcdefgh", 5, "abcde"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(log_safe(c.in, c.max), c.out) << c.in;
    EXPECT_EQ(log_safe(nullptr), "");
}

}  // namespace

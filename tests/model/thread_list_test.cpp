// Background worker processes: start, stop order, slot reuse, copies,
// collection of ended workers and what a worker must not do to its parent.
#include "child_process.h"
#include "test_hooks.h"
#include "thread_list.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Worker-side state for the SIGTERM handler (each worker has its own copy).
int g_reportFd = -1;
char g_reportId = 0;

void ReportTermination(int)
{
    char msg[2] = {'T', g_reportId};
    ssize_t n = write(g_reportFd, msg, 2);
    (void)n;
    _exit(0);
}

// A list whose workers report to a pipe:
//   type 1 reports "<tag><id>" and runs until killed, reporting "T<id>" on SIGTERM;
//   type 2 ends at once;
//   type 3 ignores SIGTERM, reports "<tag><id>" and runs until SIGKILL;
//   type 4 refreshes every param1 seconds, reporting "r" each time.
class Workers : public CThreadList {
public:
    Workers(int slots, int fd, char tag) : CThreadList(slots), fd_(fd), tag_(tag) {}
    Workers(const Workers& other) : CThreadList(other), fd_(other.fd_), tag_(other.tag_)
    {
        RestartCopiedWorkers();
    }
    Workers& operator=(const Workers& other)
    {
        CThreadList::operator=(other);
        fd_ = other.fd_;
        tag_ = other.tag_;
        RestartCopiedWorkers();
        return *this;
    }

    void ThreadProc1(CThreadEntry& slot) override
    {
        g_reportFd = fd_;
        g_reportId = static_cast<char>('0' + slot.id);
        std::signal(SIGTERM, ReportTermination);
        Report(slot);
        for (;;)
            pause();
    }
    void ThreadProc2(CThreadEntry&) override {}
    void ThreadProc3(CThreadEntry& slot) override
    {
        std::signal(SIGTERM, SIG_IGN);
        Report(slot);
        for (;;)
            pause();
    }
    void ThreadProc4(CThreadEntry& slot) override
    {
        RefreshLoop(slot, slot.param1, [this] { Write("r"); });
    }

private:
    void Report(const CThreadEntry& slot)
    {
        char msg[3] = {tag_, static_cast<char>('0' + slot.id), 0};
        Write(msg);
    }
    void Write(const char* text)
    {
        ssize_t n = write(fd_, text, strlen(text));
        (void)n;
    }

    int fd_;
    char tag_;
};

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe(fds_), 0); }
    void TearDown() override
    {
        close(fds_[0]);
        close(fds_[1]);
    }

    // Reads exactly n bytes from the pipe within the time-out; what arrived.
    std::string Read(size_t n, int timeoutMs = 3000)
    {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < n) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            pollfd p{fds_[0], POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
                break;
            char c;
            if (read(fds_[0], &c, 1) != 1)
                break;
            got += c;
        }
        return got;
    }
    // True when nothing is waiting in the pipe.
    bool PipeEmpty()
    {
        pollfd p{fds_[0], POLLIN, 0};
        return poll(&p, 1, 0) == 0;
    }

    int writeFd() const { return fds_[1]; }

    int fds_[2] = {-1, -1};
};

TEST_F(WorkerTest, BusySingleSlotRefusesASecondStart)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(1, 0, 0), 0);
    EXPECT_EQ(Read(2), "A1");
    EXPECT_EQ(w.threads[0].id, 1);
    EXPECT_GT(w.threads[0].pid, 0);
    EXPECT_EQ(w.StartThread(1, 0, 0), -1);
}

TEST_F(WorkerTest, StopFreesTheSlotAndTheNextStartGetsIdOneAgain)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(1, 7, 8), 0);
    ASSERT_EQ(Read(2), "A1");
    pid_t first = w.threads[0].pid;
    ASSERT_EQ(w.StopThread(0, 1), 1);
    EXPECT_EQ(Read(2), "T1");
    EXPECT_EQ(w.threads[0].id, 0);
    EXPECT_EQ(w.threads[0].finished, 1);
    EXPECT_EQ(w.threads[0].pid, -1);
    EXPECT_TRUE(Collected(first));

    ASSERT_EQ(w.StartThread(1, 0, 0), 0);
    EXPECT_EQ(Read(2), "A1");
}

TEST_F(WorkerTest, SelfEndedWorkerKeepsItsIdAndTheNextStartGoesHigher)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(2, 0, 0), 0);
    EXPECT_TRUE(w.threads[0].Join());
    EXPECT_EQ(w.threads[0].id, 1);
    EXPECT_EQ(w.threads[0].finished, 1);
    ASSERT_EQ(w.StartThread(1, 0, 0), 0);
    EXPECT_EQ(Read(2), "A2");
}

TEST_F(WorkerTest, StopAllKillsTheHighestIdFirst)
{
    Workers w(3, writeFd(), 'A');
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(w.StartThread(1, 0, 0), i);
        ASSERT_EQ(Read(2), "A" + std::to_string(i + 1));
    }
    w.StopThread(0, 1);
    w.StopThread(1, 1);
    ASSERT_EQ(Read(4), "T1T2");
    ASSERT_EQ(w.StartThread(1, 0, 0), 0);
    ASSERT_EQ(Read(2), "A4");
    ASSERT_EQ(w.StartThread(1, 0, 0), 1);
    ASSERT_EQ(Read(2), "A5");
    w.StopThread(0, 1);
    ASSERT_EQ(Read(2), "T4");
    // Slots now hold ids 0, 5 and 3.
    ASSERT_EQ(w.StopThread(-1, 1), 1);
    EXPECT_EQ(Read(4), "T5T3");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.threads[i].id, 0);
        EXPECT_EQ(w.threads[i].finished, 1);
    }
}

TEST_F(WorkerTest, StopWithoutWaitKeepsThePidUntilCollected)
{
    pid_t pid;
    {
        Workers w(1, writeFd(), 'A');
        ASSERT_EQ(w.StartThread(3, 0, 0), 0);  // ignores SIGTERM
        ASSERT_EQ(Read(2), "A1");
        pid = w.threads[0].pid;
        ASSERT_EQ(w.StopThread(-1, 0), 1);
        EXPECT_EQ(w.threads[0].id, 0);
        EXPECT_EQ(w.threads[0].pid, pid);
        EXPECT_EQ(w.threads[0].finished, 0);
        EXPECT_EQ(w.Reap(), 0);
        EXPECT_EQ(w.StartThread(1, 0, 0), -1);  // still busy
    }
    EXPECT_TRUE(Collected(pid));
}

TEST_F(WorkerTest, AWorkerThatIgnoresSigtermIsKilledAfterTheGraceTime)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(3, 0, 0), 0);
    ASSERT_EQ(Read(2), "A1");
    pid_t pid = w.threads[0].pid;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(w.StopThread(0, 1), 1);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(kWorkerKillGraceMs));
    EXPECT_LT(took, std::chrono::milliseconds(kWorkerKillGraceMs + 2000));
    EXPECT_TRUE(Collected(pid));
    EXPECT_EQ(w.threads[0].finished, 1);
}

TEST_F(WorkerTest, CopyStartsItsOwnWorkerWithTheSameId)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(1, 4, 5), 0);
    ASSERT_EQ(Read(2), "A1");
    {
        Workers copy(w);
        EXPECT_EQ(Read(2), "A1");  // the copy's worker runs the derived procedure
        EXPECT_EQ(copy.threads[0].id, 1);
        EXPECT_EQ(copy.threads[0].param1, 4);
        EXPECT_EQ(copy.threads[0].param2, 5);
        EXPECT_GT(copy.threads[0].pid, 0);
        EXPECT_NE(copy.threads[0].pid, w.threads[0].pid);
    }
    // Destroying the copy stopped only the copy's worker.
    EXPECT_EQ(Read(2), "T1");
    EXPECT_EQ(kill(w.threads[0].pid, 0), 0);
    EXPECT_TRUE(PipeEmpty());
}

TEST_F(WorkerTest, AssignmentStopsTheTargetsWorkersAndRestartsTheSources)
{
    Workers source(1, writeFd(), 'S');
    Workers target(1, writeFd(), 'X');
    ASSERT_EQ(source.StartThread(1, 0, 0), 0);
    ASSERT_EQ(Read(2), "S1");
    ASSERT_EQ(target.StartThread(1, 0, 0), 0);
    ASSERT_EQ(Read(2), "X1");
    pid_t old = target.threads[0].pid;
    target = source;
    EXPECT_EQ(Read(4), "T1S1");
    EXPECT_TRUE(Collected(old));
    EXPECT_GT(target.threads[0].pid, 0);
    EXPECT_NE(target.threads[0].pid, source.threads[0].pid);
}

TEST_F(WorkerTest, CopyOfStoppedOrEndedSlotsStartsNothing)
{
    Workers w(2, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(3, 0, 0), 0);  // killed below, not yet collected
    ASSERT_EQ(w.StartThread(2, 0, 0), 1);  // ends by itself
    ASSERT_EQ(Read(2), "A1");
    w.threads[1].Join();
    w.StopThread(0, 0);
    Workers copy(w);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(copy.threads[i].pid, -1);
        EXPECT_EQ(copy.threads[i].finished, 1);
    }
    EXPECT_EQ(copy.threads[1].id, 2);
}

TEST_F(WorkerTest, MovingAListKeepsItsWorker)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(1, 0, 0), 0);
    ASSERT_EQ(Read(2), "A1");
    pid_t pid = w.threads[0].pid;
    CThreadList moved(std::move(w));
    EXPECT_EQ(w.threads.count, 0);
    ASSERT_EQ(moved.threads.count, 1);
    EXPECT_EQ(moved.threads[0].pid, pid);
    EXPECT_EQ(moved.threads[0].owner, &moved);
    EXPECT_EQ(kill(pid, 0), 0);
    EXPECT_TRUE(PipeEmpty());
}

TEST_F(WorkerTest, ResizingStopsSurplusSlotsAndKeepsTheOthers)
{
    Workers w(2, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(1, 0, 0), 0);
    ASSERT_EQ(Read(2), "A1");
    ASSERT_EQ(w.StartThread(1, 0, 0), 1);
    ASSERT_EQ(Read(2), "A2");
    pid_t kept = w.threads[0].pid;
    pid_t dropped = w.threads[1].pid;
    ASSERT_EQ(w.SetSize(1), 1);
    EXPECT_EQ(Read(2), "T2");
    EXPECT_TRUE(Collected(dropped));
    ASSERT_EQ(w.SetSize(3), 1);
    EXPECT_EQ(w.threads[0].pid, kept);
    EXPECT_EQ(kill(kept, 0), 0);
    EXPECT_EQ(w.threads[2].finished, 1);
    EXPECT_EQ(w.threads[2].owner, &w);
    EXPECT_EQ(w.StartThread(1, 0, 0), 1);
    EXPECT_EQ(Read(2), "A2");
}

TEST_F(WorkerTest, NoZombiesAfterDestruction)
{
    pid_t ended, live, killed;
    {
        Workers w(3, writeFd(), 'A');
        ASSERT_EQ(w.StartThread(1, 0, 0), 0);
        ASSERT_EQ(Read(2), "A1");
        ASSERT_EQ(w.StartThread(1, 0, 0), 1);
        ASSERT_EQ(Read(2), "A2");
        ASSERT_EQ(w.StartThread(2, 0, 0), 2);
        live = w.threads[0].pid;
        killed = w.threads[1].pid;
        ended = w.threads[2].pid;
        w.StopThread(1, 0);
    }
    EXPECT_TRUE(Collected(ended));
    EXPECT_TRUE(Collected(live));
    EXPECT_TRUE(Collected(killed));
}

TEST_F(WorkerTest, CollectsOnlyItsOwnChildren)
{
    pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0)
        _exit(7);
    // Until the unrelated child has ended; it stays there to be collected.
    siginfo_t ended{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(other), &ended, WEXITED | WNOWAIT), 0) << "the unrelated child's end";
    ASSERT_EQ(ended.si_code, CLD_EXITED);
    {
        Workers w(1, writeFd(), 'A');
        ASSERT_EQ(w.StartThread(2, 0, 0), 0);
        w.WaitAll();
        ASSERT_EQ(w.StartThread(1, 0, 0), 0);
        ASSERT_EQ(Read(2), "A2");
        w.Reap();
        w.StopThread(-1, 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

pid_t FailingFork()
{
    errno = EAGAIN;
    return -1;
}

TEST_F(WorkerTest, FailedForkFailsTheStart)
{
    Workers w(1, writeFd(), 'A');
    ModelSetForkFunction(FailingFork);
    int slot = w.StartThread(1, 0, 0);
    ModelSetForkFunction(nullptr);
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(w.threads[0].finished, 1);
    EXPECT_EQ(w.threads[0].stopRequested, 1);
    EXPECT_EQ(w.threads[0].running, 0);
    EXPECT_EQ(w.threads[0].id, 0);
    EXPECT_EQ(w.threads[0].pid, -1);
    EXPECT_EQ(w.StartThread(1, 0, 0), 0);
    EXPECT_EQ(Read(2), "A1");
}

TEST_F(WorkerTest, WorkerLeavesTheParentsStdioBuffersAlone)
{
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(setvbuf(f, nullptr, _IOFBF, 4096), 0);
    fputs("parent", f);  // still in the buffer when the worker forks
    {
        Workers w(1, writeFd(), 'A');
        ASSERT_EQ(w.StartThread(2, 0, 0), 0);
        w.WaitAll();
    }
    fflush(f);
    rewind(f);
    char text[32] = {};
    size_t n = fread(text, 1, sizeof text - 1, f);
    fclose(f);
    EXPECT_EQ(std::string(text, n), "parent");
}

TEST_F(WorkerTest, RefreshWorkerWithIntervalZeroEndsInsteadOfSpinning)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(4, 0, 0), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(w.threads[0].Join());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(PipeEmpty());
}

TEST_F(WorkerTest, RefreshWorkerRefreshesEveryInterval)
{
    Workers w(1, writeFd(), 'A');
    ASSERT_EQ(w.StartThread(4, 1, 0), 0);
    EXPECT_EQ(Read(1, 2500), "r");
    EXPECT_EQ(w.StopThread(-1, 1), 1);
    EXPECT_EQ(w.threads[0].finished, 1);
}

TEST_F(WorkerTest, RejectsUnknownTypesAndSlots)
{
    Workers w(1, writeFd(), 'A');
    EXPECT_EQ(w.StartThread(0, 0, 0), -1);
    EXPECT_EQ(w.StartThread(11, 0, 0), -1);
    EXPECT_EQ(w.StopThread(1, 1), 0);
    EXPECT_EQ(w.StopThread(-2, 1), 0);
    EXPECT_EQ(w.threads[0].finished, 1);

    CThreadList none;
    EXPECT_EQ(none.StartThread(1, 0, 0), -1);
    EXPECT_EQ(none.StopThread(-1, 1), 1);
}

}  // namespace

// The copy rule every drive object of the controller follows: a copy keeps the
// refresh interval, and a worker still running in the source runs again, as
// a process of its own, for the copy (by construction and by assignment).

#include "array_drive.h"
#include "child_process.h"
#include "enclosure.h"
#include "host_drive.h"
#include "log_drive.h"
#include "mirror_drive.h"
#include "phys_drive.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/types.h>
#include <sys/wait.h>

namespace {

constexpr int kRefreshWorker = 1;
constexpr int kHour = 3600;  // long enough that no worker refreshes during a test

struct CopyCase {
    const char* name;
    int interval;       // the source's refresh interval
    bool worker;        // the source runs a refresh worker
    bool assign;        // copied by assignment onto an object with a worker of its own
};

const CopyCase kCopyCases[] = {
    {"idle drive, construction", 0, false, false},
    {"interval without worker, construction", 7, false, false},
    {"refreshing drive, construction", kHour, true, false},
    {"idle drive, assignment", 0, false, true},
    {"refreshing drive, assignment", kHour, true, true},
};

template <class T>
class DriveCopyTest : public ::testing::Test {};

using DriveClasses = ::testing::Types<CArrayDrive, CMirrorDrive, CLogDrive, CPhysDrive, CHostDrive, CEnclosure>;
TYPED_TEST_SUITE(DriveCopyTest, DriveClasses);

TYPED_TEST(DriveCopyTest, CopyKeepsTheIntervalAndRunsItsOwnWorker)
{
    for (const CopyCase& c : kCopyCases) {
        SCOPED_TRACE(c.name);
        TypeParam source;
        source.refreshInterval = c.interval;
        if (c.worker) {
            ASSERT_EQ(source.StartThread(kRefreshWorker, 0, 0), 0);
        }
        const pid_t sourcePid = source.threads[0].pid;

        TypeParam target;
        pid_t targetPid = -1;
        if (c.assign) {
            target.refreshInterval = 5;
            ASSERT_EQ(target.StartThread(kRefreshWorker, 0, 0), 0);
            targetPid = target.threads[0].pid;
            target = source;
        }
        const TypeParam constructed(source);
        for (const TypeParam* copy : {c.assign ? &target : &constructed}) {
            EXPECT_EQ(copy->GetRefreshInterval(), c.interval);
            EXPECT_EQ(copy->threads.count, source.threads.count);
            if (c.worker) {
                EXPECT_EQ(copy->threads[0].type, kRefreshWorker);
                EXPECT_EQ(copy->threads[0].id, source.threads[0].id);
                EXPECT_GT(copy->threads[0].pid, 0);
                EXPECT_NE(copy->threads[0].pid, sourcePid);
            } else {
                EXPECT_EQ(copy->threads[0].pid, -1);
                EXPECT_EQ(copy->threads[0].finished, 1);
            }
        }
        // The source's worker is its own: copying neither stopped nor shared it.
        EXPECT_EQ(source.threads[0].pid, sourcePid);
        if (c.assign) {
            EXPECT_TRUE(Collected(targetPid));  // the target's own worker stopped
        }
    }
}

TYPED_TEST(DriveCopyTest, SelfAssignmentKeepsTheWorker)
{
    TypeParam d;
    d.refreshInterval = kHour;
    ASSERT_EQ(d.StartThread(kRefreshWorker, 0, 0), 0);
    const pid_t pid = d.threads[0].pid;
    TypeParam& same = d;
    d = same;
    EXPECT_EQ(d.threads[0].pid, pid);
    EXPECT_EQ(d.GetRefreshInterval(), kHour);
    EXPECT_FALSE(Collected(pid));
}

}  // namespace

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/instance_lock.h"
#include "temp_dir.h"

namespace hodra {
namespace {

TEST(InstanceLock, ASecondCopyIsRefusedAndADeadHoldersLockIsTakenOver) {
    test::TempDir dir;
    const QString path = dir.Path("hodra2.lock");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t first = fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        InstanceLock lock(path);
        const char ok = lock.TryAcquire() ? 1 : 0;
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char acquired = 0;
    ASSERT_EQ(read(ready[0], &acquired, 1), 1);
    ASSERT_EQ(acquired, 1);
    {
        InstanceLock second(path);
        EXPECT_FALSE(second.TryAcquire()) << "the running copy holds the lock";
    }
    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    InstanceLock after(path);
    EXPECT_TRUE(after.TryAcquire()) << "a lock left by a dead process is stale";
    close(ready[0]);
    close(ready[1]);
}

}  // namespace
}  // namespace hodra

#pragma once

namespace hodra {

// The clock helper's two processes confine themselves with seccomp allowlists: a call off
// the list kills the process (SIGSYS). Each returns 0 once confined, else the errno of
// what failed (ENOSYS, EINVAL: a kernel without seccomp filters); then the caller must not
// go on as if confined. Both set no_new_privs.

// The keeper: closes every descriptor but keptFd, may not be traced or dumped, and may
// only read and write, step, set and read the clock, raise and lower its own capability,
// block signals and exit.
int ConfineKeeper(int keptFd);

// The process that resolves names, talks to the servers (NTP, the NTS key exchange over
// TLS) and writes the report: no execve, ptrace, clock setting, mount, capability or
// identity change, file opened for writing, or socket of another family. Call after the
// capabilities are dropped.
int ConfineNetworkProcess();

}  // namespace hodra

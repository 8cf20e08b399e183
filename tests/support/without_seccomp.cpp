// Runs a command as on a kernel without seccomp filters: seccomp() fails with ENOSYS and
// prctl(PR_SET_SECCOMP) with EINVAL, for the command and everything it starts.
// usage: without_seccomp COMMAND [ARGS...]
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <seccomp.h>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: without_seccomp COMMAND [ARGS...]\n");
        return 2;
    }
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    const scmp_arg_cmp setSeccomp{0, SCMP_CMP_EQ, PR_SET_SECCOMP, 0};
    // Without no_new_privs, so that the command gains what an exec gives it (in a user
    // namespace this process may install a filter without it).
    if (filter == nullptr || seccomp_attr_set(filter, SCMP_FLTATR_CTL_NNP, 0) != 0 ||
        seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(seccomp), 0) != 0 ||
        seccomp_rule_add_array(filter, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(prctl), 1, &setSeccomp) != 0 ||
        seccomp_load(filter) != 0) {
        std::fprintf(stderr, "without_seccomp: the filter could not be installed\n");
        return 2;
    }
    execv(argv[1], argv + 1);
    std::fprintf(stderr, "without_seccomp: %s: %s\n", argv[1], std::strerror(errno));
    return 127;
}

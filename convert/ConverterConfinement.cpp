// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterConfinement.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <linux/close_range.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The rights by the ABI that brought them; the system's headers know only
// the first two ABIs, so all of them are spelled out here.
namespace fs {
constexpr unsigned long long Execute = 1ULL << 0;
constexpr unsigned long long ReadFile = 1ULL << 2;
constexpr unsigned long long ReadDir = 1ULL << 3;
constexpr unsigned long long Abi1 = (1ULL << 13) - 1; // execute .. make_sym
constexpr unsigned long long Refer = 1ULL << 13; // ABI 2
constexpr unsigned long long Truncate = 1ULL << 14; // ABI 3
constexpr unsigned long long IoctlDev = 1ULL << 15; // ABI 5
// ABI 7 brought no right, only the choice of what the kernel logs.
} // namespace fs
namespace net {
constexpr unsigned long long BindTcp = 1ULL << 0; // ABI 4
constexpr unsigned long long ConnectTcp = 1ULL << 1; // ABI 4
} // namespace net
namespace scope {
constexpr unsigned long long AbstractUnixSocket = 1ULL << 0; // ABI 6
constexpr unsigned long long Signal = 1ULL << 1; // ABI 6
} // namespace scope

// The ruleset's attribute as the newest kernels read it; an older kernel is
// handed only the fields it knows.
struct RulesetAttribute {
    unsigned long long handledAccessFs = 0;
    unsigned long long handledAccessNet = 0; // ABI 4
    unsigned long long scoped = 0; // ABI 6
};

constexpr unsigned int kCreateRulesetVersion = 1U << 0; // LANDLOCK_CREATE_RULESET_VERSION

constexpr std::array<const char *, ConverterConfinement::StepCount> kStepNames
    = {"fcntl", "close_range", "prctl(PR_SET_NO_NEW_PRIVS)", "landlock_restrict_self", "seccomp"};

// The calls the filter refuses. Every socket and io_uring: no network, no
// Unix socket. And every change Landlock lets through: a file's mode, owner,
// times and extended attributes, by name or through a held descriptor (the
// source's among them), and shortening a file by its name, which Landlock
// refuses only from ABI 3 on (Linux 6.2). A call newer than the system's
// libseccomp is added by its number, the same on every architecture that
// numbers its calls from the one table (-1: a call every libseccomp knows).
struct RefusedCall {
    const char *name;
    int unified;
};
constexpr RefusedCall kRefusedCalls[] = {{"socket", -1}, {"io_uring_setup", -1}, {"truncate", -1},
    {"chmod", -1}, {"fchmod", -1}, {"fchmodat", -1}, {"fchmodat2", 452}, {"chown", -1}, {"fchown", -1},
    {"lchown", -1}, {"fchownat", -1}, {"utime", -1}, {"utimes", -1}, {"futimesat", -1}, {"utimensat", -1},
    {"setxattr", -1}, {"lsetxattr", -1}, {"fsetxattr", -1}, {"setxattrat", 463}, {"removexattr", -1},
    {"lremovexattr", -1}, {"fremovexattr", -1}, {"removexattrat", 466}};
#if defined(__mips__) || defined(__alpha__)
constexpr bool kUnifiedCallNumbers = false;
#else
constexpr bool kUnifiedCallNumbers = true;
#endif

struct Report {
    int step;
    int error;
};

void closeQuietly(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

QString couldNotBeConfined(const QString &what, int error)
{
    return QStringLiteral("the converter could not be confined (%1: %2)")
        .arg(what, QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

int ConverterConfinement::LandlockAbi()
{
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
    return abi > 0 ? int(abi) : 0;
}

QString ConfinementFailureReason(int step, int error)
{
    const char *name = step >= 0 && step < ConverterConfinement::StepCount ? kStepNames[size_t(step)] : "an unknown step";
    return couldNotBeConfined(QString::fromLatin1(name), error);
}

QString ConverterConfinement::Description()
{
    const int abi = LandlockAbi();
    if (abi == 0)
        return QStringLiteral("none, as the kernel offers no Landlock");
    return QStringLiteral("Landlock ABI %1, no network").arg(abi);
}

ConverterConfinement::ConverterConfinement(int programFile, int sourceFile, const QList<int> &inherited)
    : m_abi(LandlockAbi())
{
    if (m_abi == 0)
        return;
    // Every descriptor from 3 on but the inherited ones, in stretches.
    QList<int> kept = inherited;
    std::sort(kept.begin(), kept.end());
    unsigned int first = 3;
    for (const int fd : std::as_const(kept)) {
        if (fd < int(first))
            continue;
        if (unsigned(fd) > first)
            m_closedOnExec.emplace_back(first, unsigned(fd) - 1);
        first = unsigned(fd) + 1;
    }
    m_closedOnExec.emplace_back(first, ~0U);

    int report[2];
    if (::pipe2(report, O_CLOEXEC | O_NONBLOCK) != 0) {
        fail(QStringLiteral("pipe2"), errno);
        return;
    }
    m_reportRead = report[0];
    m_reportWrite = report[1];
    if (!buildRuleset(programFile, sourceFile) || !buildFilter()) {
        closeQuietly(m_ruleset);
        closeQuietly(m_reportRead);
        closeQuietly(m_reportWrite);
    }
}

ConverterConfinement::~ConverterConfinement()
{
    closeQuietly(m_ruleset);
    closeQuietly(m_reportRead);
    closeQuietly(m_reportWrite);
}

void ConverterConfinement::fail(const QString &what, int error)
{
    m_failure = couldNotBeConfined(what, error);
}

bool ConverterConfinement::addPathRule(int descriptor, unsigned long long access)
{
    landlock_path_beneath_attr rule{};
    rule.allowed_access = access;
    rule.parent_fd = descriptor;
    const long added = ::syscall(SYS_landlock_add_rule, m_ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    const int error = errno;
    ::close(descriptor);
    if (added != 0) {
        fail(QStringLiteral("landlock_add_rule"), error);
        return false;
    }
    return true;
}

bool ConverterConfinement::buildRuleset(int programFile, int sourceFile)
{
    // Every right the kernel knows is handled, so none is left allowed by
    // being unknown to this ruleset.
    RulesetAttribute attribute;
    attribute.handledAccessFs = fs::Abi1;
    if (m_abi >= 2)
        attribute.handledAccessFs |= fs::Refer;
    if (m_abi >= 3)
        attribute.handledAccessFs |= fs::Truncate;
    if (m_abi >= 5)
        attribute.handledAccessFs |= fs::IoctlDev;
    if (m_abi >= 4)
        attribute.handledAccessNet = net::BindTcp | net::ConnectTcp;
    if (m_abi >= 6)
        attribute.scoped = scope::AbstractUnixSocket | scope::Signal;
    const size_t size = m_abi >= 6 ? sizeof(RulesetAttribute)
        : m_abi >= 4             ? offsetof(RulesetAttribute, scoped)
                                 : offsetof(RulesetAttribute, handledAccessNet);
    m_ruleset = int(::syscall(SYS_landlock_create_ruleset, &attribute, size, 0));
    if (m_ruleset < 0) {
        fail(QStringLiteral("landlock_create_ruleset"), errno);
        return false;
    }

    // The system's programs and libraries. /lib and /lib64 are links into
    // /usr on a merged system; a link is followed before the rule is met.
    constexpr unsigned long long readAndRun = fs::ReadFile | fs::ReadDir | fs::Execute;
    for (const char *tree : {"/usr", "/lib", "/lib64"}) {
        struct stat info {};
        if (::lstat(tree, &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        const int descriptor = ::open(tree, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor < 0) {
            fail(QStringLiteral("open %1").arg(QString::fromLatin1(tree)), errno);
            return false;
        }
        if (!addPathRule(descriptor, readAndRun))
            return false;
    }

    // The converter, as the trust check opened it: the kernel reads it to
    // run it, and so does a shell when it is a script. A file put at its
    // name since cannot be run.
    // The source, reopened by the converter through /proc/self/fd: only the
    // held file may be read, whatever now stands at its name.
    for (const auto &[file, access] : {std::pair(programFile, fs::ReadFile | fs::Execute), std::pair(sourceFile, fs::ReadFile)}) {
        if (file < 0)
            continue;
        const int copy = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) {
            fail(QStringLiteral("fcntl"), errno);
            return false;
        }
        if (!addPathRule(copy, access))
            return false;
    }
    return true;
}

bool ConverterConfinement::buildFilter()
{
    // Calls of another architecture are killed (the library's default).
    scmp_filter_ctx context = seccomp_init(SCMP_ACT_ALLOW);
    if (!context) {
        fail(QStringLiteral("seccomp_init"), ENOMEM);
        return false;
    }
    int result = 0;
    for (const auto &[name, unified] : kRefusedCalls) {
        int call = seccomp_syscall_resolve_name(name);
        if (call == __NR_SCMP_ERROR && kUnifiedCallNumbers)
            call = unified; // -1 (__NR_SCMP_ERROR) for a call the library must know
        if (call == __NR_SCMP_ERROR)
            continue;
        // A number below 0 stands for a call this architecture lacks, which
        // the library leaves out, or makes through a multiplexer it knows.
        result = seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), call, 0);
        if (result != 0)
            break;
    }
    int memory = -1;
    if (result == 0) {
        memory = ::memfd_create("reelwright-filter", MFD_CLOEXEC);
        result = memory < 0 ? -errno : seccomp_export_bpf(context, memory);
    }
    seccomp_release(context);
    if (result != 0) {
        closeQuietly(memory);
        fail(QStringLiteral("seccomp_export_bpf"), -result);
        return false;
    }

    struct stat info {};
    if (::fstat(memory, &info) != 0 || info.st_size <= 0 || info.st_size % sizeof(sock_filter) != 0) {
        const int error = info.st_size <= 0 ? errno : EINVAL;
        closeQuietly(memory);
        fail(QStringLiteral("seccomp_export_bpf"), error ? error : EINVAL);
        return false;
    }
    m_filter.resize(size_t(info.st_size) / sizeof(sock_filter));
    const ssize_t read = ::pread(memory, m_filter.data(), size_t(info.st_size), 0);
    const int error = errno;
    closeQuietly(memory);
    if (read != info.st_size) {
        fail(QStringLiteral("read the filter"), read < 0 ? error : EIO);
        return false;
    }
    m_program.len = static_cast<unsigned short>(m_filter.size());
    m_program.filter = m_filter.data();
    return true;
}

void ConverterConfinement::failInChild(Step step, int error) const noexcept
{
    const Report report{int(step), error};
    [[maybe_unused]] const ssize_t written = ::write(m_reportWrite, &report, sizeof report);
    ::_exit(127);
}

void ConverterConfinement::enterInChild() const noexcept
{
    // The program opens its descriptors closed on exec, but a library may
    // not, and Landlock never looks at a descriptor already open.
    for (const auto &[first, last] : m_closedOnExec) {
        if (::syscall(SYS_close_range, first, last, CLOSE_RANGE_CLOEXEC) != 0)
            failInChild(CloseRange, errno);
    }
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        failInChild(NoNewPrivileges, errno);
    if (::syscall(SYS_landlock_restrict_self, m_ruleset, 0) != 0)
        failInChild(RestrictSelf, errno);
    if (::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &m_program, 0, 0) != 0)
        failInChild(InstallFilter, errno);
}

void ConverterConfinement::childStarted()
{
    closeQuietly(m_reportWrite);
}

QString ConverterConfinement::childFailure() const
{
    if (m_reportRead < 0)
        return {};
    Report report{};
    const ssize_t read = ::read(m_reportRead, &report, sizeof report);
    if (read != ssize_t(sizeof report))
        return {};
    return ConfinementFailureReason(report.step, report.error);
}

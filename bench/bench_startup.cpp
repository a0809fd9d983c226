// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// How long the program takes from its start until its window is on the
// screen, against an empty Qt Widgets window of the same size. Both are
// started as processes of their own under the X server of DISPLAY; the
// benchmark itself watches that server for the first MapNotify of a
// top-level window whose _NET_WM_PID is the child's, and takes the time from
// just before the child is spawned to the moment it reads that event. The
// program runs with its skin and files beside it, as the build places them,
// and a settings file of its own. One warm start of each, then rounds in
// which the two take turns going first; each round keeps the ratio.
//
// A desktop session has a D-Bus session bus, where Qt's accessibility bridge
// looks for the screen reader's bus: the program's list view has it do so
// while the window is built, an empty window once it is shown. A bare X
// server has no bus, and the first Qt program to ask starts one through
// dbus-launch, some 10 ms that no start on a desktop pays. So, when
// DBUS_SESSION_BUS_ADDRESS is not set, the benchmark runs a session bus for
// its children; --no-session-bus measures without one.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" bench_startup [--rounds N] [--program PATH] [--empty PATH]
//                                                        [--no-session-bus]
#include "BenchFigures.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr double kTargetRatio = 1.3;
constexpr double kTimeoutMs = 20000;
constexpr const char *kProgramTitle = "Reelwright Software";

double nowMs()
{
    timespec time{};
    ::clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

// What one start showed: how long the window took, its title and size.
struct Start {
    bool mapped = false;
    double ms = 0;
    QByteArray title;
    int width = 0;
    int height = 0;
    QByteArray why; // why there was no window
};

// The benchmark's own connection to the X server, told of every window
// mapped or destroyed at the top level.
class ServerWatch final {
public:
    bool open()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_void_cookie_t cookie
            = xcb_change_window_attributes_checked(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            std::free(error);
            return false;
        }
        m_pidAtom = atom("_NET_WM_PID");
        m_nameAtom = atom("_NET_WM_NAME");
        m_utf8Atom = atom("UTF8_STRING");
        return m_pidAtom && m_nameAtom && m_utf8Atom;
    }

    ~ServerWatch()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    // Waits for the first top-level window of process pid to be mapped,
    // timed from startedAt.
    Start waitForWindow(pid_t pid, double startedAt)
    {
        Start start;
        while (nowMs() - startedAt < kTimeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const double at = nowMs();
                std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
                if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                    continue;
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (map->override_redirect || windowPid(map->window) != uint32_t(pid))
                    continue;
                start.mapped = true;
                start.ms = at - startedAt;
                m_window = map->window;
                start.title = windowTitle(map->window);
                windowSize(map->window, &start.width, &start.height);
                return start;
            }
            if (xcb_connection_has_error(m_connection)) {
                start.why = "the connection to the X server broke";
                return start;
            }
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                start.why = "it ended before its window was mapped";
                return start;
            }
            pollfd server{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&server, 1, 5);
        }
        start.why = "no window within the time allowed";
        return start;
    }

    // Waits until the window found last is gone from the server, so the next
    // start finds the server idle.
    void waitUntilGone()
    {
        const double since = nowMs();
        while (m_window != XCB_WINDOW_NONE && nowMs() - since < kTimeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const auto *destroy = reinterpret_cast<xcb_destroy_notify_event_t *>(event);
                if ((event->response_type & 0x7f) == XCB_DESTROY_NOTIFY && destroy->window == m_window)
                    m_window = XCB_WINDOW_NONE;
                std::free(event);
            }
            if (xcb_connection_has_error(m_connection))
                return;
            pollfd server{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&server, 1, 5);
        }
        m_window = XCB_WINDOW_NONE;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, name, type, 0, 1024), nullptr);
        QByteArray value;
        if (reply)
            value = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                xcb_get_property_value_length(reply));
        std::free(reply);
        return value;
    }

    uint32_t windowPid(xcb_window_t window)
    {
        const QByteArray value = property(window, m_pidAtom, XCB_ATOM_CARDINAL);
        uint32_t pid = 0;
        if (value.size() == sizeof pid)
            std::memcpy(&pid, value.constData(), sizeof pid);
        return pid;
    }

    QByteArray windowTitle(xcb_window_t window)
    {
        const QByteArray title = property(window, m_nameAtom, m_utf8Atom);
        return title.isEmpty() ? property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) : title;
    }

    void windowSize(xcb_window_t window, int *width, int *height)
    {
        xcb_get_geometry_reply_t *reply
            = xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        if (reply) {
            *width = reply->width;
            *height = reply->height;
        }
        std::free(reply);
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    xcb_atom_t m_nameAtom = XCB_ATOM_NONE;
    xcb_atom_t m_utf8Atom = XCB_ATOM_NONE;
};

// The environment every child gets: this one on the X server, with the
// given variables set.
class ChildEnvironment final {
public:
    explicit ChildEnvironment(const std::vector<QByteArray> &settings)
    {
        for (char **entry = environ; *entry; ++entry) {
            const QByteArray text(*entry);
            const bool replaced = std::any_of(settings.cbegin(), settings.cend(),
                [&](const QByteArray &setting) { return text.startsWith(setting.left(setting.indexOf('=') + 1)); });
            if (!replaced)
                m_texts.push_back(text);
        }
        m_texts.insert(m_texts.end(), settings.cbegin(), settings.cend());
        for (QByteArray &text : m_texts)
            m_pointers.push_back(text.data());
        m_pointers.push_back(nullptr);
    }

    char **pointers() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_texts;
    std::vector<char *> m_pointers;
};

// A D-Bus session bus for the children, ended with the benchmark.
class SessionBus final {
public:
    bool start()
    {
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
            QStringLiteral("--print-address=1")});
        m_daemon.start();
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10000))
            return false;
        m_address = m_daemon.readLine().trimmed();
        return !m_address.isEmpty();
    }

    ~SessionBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished();
    }

    const QByteArray &address() const { return m_address; }

private:
    QProcess m_daemon;
    QByteArray m_address;
};

struct Side {
    const char *name;
    QByteArray program;
    const char *title; // the title its window must have; null for any
};

Start startOnce(ServerWatch &watch, ChildEnvironment &environment, const Side &side)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char *arguments[] = {const_cast<char *>(side.program.constData()), nullptr};
    pid_t pid = 0;
    const double startedAt = nowMs();
    const int error
        = ::posix_spawn(&pid, side.program.constData(), &actions, nullptr, arguments, environment.pointers());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        Start failed;
        failed.why = QByteArray("it could not be started: ") + std::strerror(error);
        return failed;
    }
    Start start = watch.waitForWindow(pid, startedAt);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    if (start.mapped)
        watch.waitUntilGone();
    if (start.mapped && side.title && start.title != side.title) {
        start.mapped = false;
        start.why = "its window is titled \"" + start.title + "\", not \"" + side.title + "\"";
    }
    return start;
}

bool writeSettings(const QString &configFolder, const QString &outputFolder)
{
    QFile file(configFolder + QStringLiteral("/Kestrune.ini"));
    if (!QDir().mkpath(configFolder) || !QDir().mkpath(outputFolder) || !file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "[Reelwright Software]\nText1=" + QFile::encodeName(outputFolder)
        + "/\nOption1=True\nOption2=False\n";
    return file.write(text) == text.size();
}

bool hasOption(int argc, char *argv[], const char *option)
{
    return std::any_of(argv + 1, argv + argc, [&](const char *argument) { return std::strcmp(argument, option) == 0; });
}

const char *argumentAfter(int argc, char *argv[], const char *option, const char *fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return argv[i + 1];
    }
    return fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = std::atoi(argumentAfter(argc, argv, "--rounds", "15"));
    const Side program{"reelwright", argumentAfter(argc, argv, "--program", REELWRIGHT_PROGRAM_PATH), kProgramTitle};
    const Side empty{"empty Qt window", argumentAfter(argc, argv, "--empty", EMPTY_WINDOW_PATH), nullptr};
    if (rounds < 1) {
        std::fprintf(stderr, "usage: %s [--rounds N] [--program PATH] [--empty PATH] [--no-session-bus]\n", argv[0]);
        return 2;
    }

    ServerWatch watch;
    if (!watch.open()) {
        std::fprintf(stderr, "cannot watch the X server of DISPLAY; run under xvfb-run -a\n");
        return 1;
    }
    QTemporaryDir work;
    const QString configFolder = work.filePath(QStringLiteral("config"));
    if (!work.isValid() || !writeSettings(configFolder, work.filePath(QStringLiteral("output")))) {
        std::fprintf(stderr, "cannot write the settings file\n");
        return 1;
    }
    std::vector<QByteArray> settings{
        "XDG_CONFIG_HOME=" + QFile::encodeName(configFolder), QByteArray("QT_QPA_PLATFORM=xcb")};
    // Qt warns on every start without a runtime folder.
    const QString runtimeFolder = work.filePath(QStringLiteral("runtime"));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && QDir().mkdir(runtimeFolder)
        && QFile::setPermissions(runtimeFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        settings.push_back("XDG_RUNTIME_DIR=" + QFile::encodeName(runtimeFolder));
    SessionBus bus;
    const char *busUsed = "the session's D-Bus";
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        if (hasOption(argc, argv, "--no-session-bus")) {
            busUsed = "no D-Bus session bus (each start runs dbus-launch)";
        } else if (bus.start()) {
            settings.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
            busUsed = "a D-Bus session bus of the benchmark's";
        } else {
            std::fprintf(stderr, "cannot start dbus-daemon; run with --no-session-bus, or under dbus-run-session\n");
            return 1;
        }
    }
    ChildEnvironment environment(settings);

    bool failed = false;
    int programSize[2] = {0, 0};
    int emptySize[2] = {0, 0};
    auto timed = [&](const Side &side, int round) {
        const Start start = startOnce(watch, environment, side);
        if (!start.mapped) {
            std::fprintf(stderr, "round %d: %s showed no window: %s\n", round, side.name, start.why.constData());
            failed = true;
        }
        int *size = &side == &program ? programSize : emptySize;
        size[0] = start.width;
        size[1] = start.height;
        return start.ms;
    };

    // Warm both: their libraries, fonts and files in the page cache.
    timed(program, 0);
    timed(empty, 0);

    std::vector<double> programMs;
    std::vector<double> emptyMs;
    std::vector<double> ratios;
    for (int round = 1; round <= rounds && !failed; ++round) {
        double programTime = 0;
        double emptyTime = 0;
        if (round % 2) {
            programTime = timed(program, round);
            emptyTime = timed(empty, round);
        } else {
            emptyTime = timed(empty, round);
            programTime = timed(program, round);
        }
        programMs.push_back(programTime);
        emptyMs.push_back(emptyTime);
        ratios.push_back(emptyTime > 0 ? programTime / emptyTime : 0);
    }
    if (!failed && (programSize[0] != emptySize[0] || programSize[1] != emptySize[1])) {
        std::fprintf(stderr, "the program's window is %dx%d, the empty one %dx%d\n", programSize[0], programSize[1],
            emptySize[0], emptySize[1]);
        failed = true;
    }
    if (failed)
        return 1;

    std::printf("start to first map of a %dx%d window, %d rounds taking turns, after a warm start of each,\n"
                "with %s:\n",
        programSize[0], programSize[1], rounds, busUsed);
    BenchFigures::of(programMs).print("reelwright", "ms");
    BenchFigures::of(emptyMs).print("empty Qt window", "ms");
    const BenchFigures ratio = BenchFigures::of(ratios);
    ratio.print("ratio reelwright / empty", "");
    const bool met = ratio.median <= kTargetRatio;
    std::printf("median ratio %.2f, target at most %.2f: %s\n", ratio.median, kTargetRatio, met ? "met" : "missed");
    return met ? 0 : 1;
}

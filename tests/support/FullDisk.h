#pragma once
// While alive, files cannot grow beyond a few bytes: every larger write fails
// as on a full disk, whatever the rights of the user running the tests.
// Linux only (a file size limit of the process); on Windows kAvailable is
// false and the tests leave out what needs it.

#ifdef _WIN32

namespace classdiv::testing {

class FullDisk {
public:
    static constexpr bool kAvailable = false;
    explicit FullDisk(long = 8) {}
};

} // namespace classdiv::testing

#else

#include <csignal>

#include <sys/resource.h>

namespace classdiv::testing {

class FullDisk {
public:
    static constexpr bool kAvailable = true;
    explicit FullDisk(rlim_t bytes = 8)
    {
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        rlimit limit = m_oldLimit;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit m_oldLimit{};
    void (*m_oldSignal)(int) = SIG_DFL;
};

} // namespace classdiv::testing

#endif

#pragma once
// Owner of a C runtime file descriptor, for libraries that take one.
#include <io.h>

#include <utility>

namespace kit {

class UniqueCrtFd {
public:
    UniqueCrtFd() = default;
    explicit UniqueCrtFd(int fd) : fd_(fd) {}
    ~UniqueCrtFd() { Reset(); }
    UniqueCrtFd(const UniqueCrtFd&) = delete;
    UniqueCrtFd& operator=(const UniqueCrtFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Hands the descriptor to a new owner (fdopen and the like).
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::_close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

}  // namespace kit

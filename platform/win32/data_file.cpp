#include "platform/win32/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace platform {

namespace {

void SetReason(std::string* reason, std::string text) {
    if (reason) *reason = std::move(text);
}

}  // namespace

DataFile::DataFile(DataFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(std::exchange(other.m_size, 0)) {}

DataFile& DataFile::operator=(DataFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

DataFile::~DataFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool DataFile::Open(const char* path, std::string* reason) {
    *this = DataFile();
    if (path == nullptr || *path == '\0') {
        SetReason(reason, "no file name");
        return false;
    }
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        SetReason(reason, std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        SetReason(reason, S_ISDIR(info.st_mode) ? "a folder, not a file" : "not a regular file");
        return false;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kMaxDataFileBytes) {
        ::close(fd);
        SetReason(reason, "too large (" + std::to_string(size >> 20) + " MB; at most " +
                              std::to_string(kMaxDataFileBytes >> 20) + " MB)");
        return false;
    }
    m_fd = fd;
    m_size = size;
    return true;
}

long DataFile::Read(void* buffer, std::size_t count) {
    if (m_fd < 0) return -1;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, count);
        if (n >= 0 || errno != EINTR) return static_cast<long>(n);
    }
}

bool DataFile::ReadAt(std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t>* bytes,
                      std::string* reason) {
    if (m_fd < 0 || offset > m_size || count > m_size - offset) {
        SetReason(reason, "shorter than expected");
        return false;
    }
    std::vector<std::uint8_t> data;
    try {
        data.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        SetReason(reason, "not enough memory");
        return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(m_fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetReason(reason, n < 0 ? std::strerror(errno) : "shorter than expected");
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    *bytes = std::move(data);
    return true;
}

bool ReadDataFile(const char* path, std::vector<std::uint8_t>* bytes, std::string* reason) {
    DataFile file;
    return file.Open(path, reason) && file.ReadAt(0, file.Size(), bytes, reason);
}

}  // namespace platform

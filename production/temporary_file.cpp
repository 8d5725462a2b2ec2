#include "production/temporary_file.h"

#include "production/recording_signals.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

namespace {

// The mode an ordinary new file gets (mkstemps makes it private): 0666 less the umask, which
// can only be read by setting it, so it is read once, when the first file is made.
mode_t NewFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

}  // namespace

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool TemporaryFile::Create(const std::string& finalPath) {
    Discard();
    const std::string folder = FolderOf(finalPath);
    const std::string name = NameOf(finalPath);
    const size_t dot = name.find_last_of('.');
    const std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    const std::string stem = name.substr(0, name.size() - extension.size());
    std::string pattern = folder + "." + stem + ".XXXXXX" + extension;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkostemps(buffer.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (fd < 0) return false;
    fchmod(fd, NewFileMode());
    m_fd = fd;
    m_path = buffer.data();
    m_final = finalPath;
    recording_signals::AddTemporary(m_path);
    return true;
}

int TemporaryFile::TakeDescriptor() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool TemporaryFile::Commit() {
    if ((m_fd >= 0 && close(TakeDescriptor()) != 0) || std::rename(m_path.c_str(), m_final.c_str()) != 0) {
        const int error = errno;
        Discard();
        errno = error;
        return false;
    }
    recording_signals::RemoveTemporary(m_path);
    m_path.clear();
    return true;
}

void TemporaryFile::Discard() {
    if (m_fd >= 0) close(TakeDescriptor());
    if (m_path.empty()) return;
    unlink(m_path.c_str());
    recording_signals::RemoveTemporary(m_path);
    m_path.clear();
}

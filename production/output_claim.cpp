#include "production/output_claim.h"

#include "production/recording_signals.h"
#include "production/temporary_file.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether a folder entry is one a recording writes.
bool RecordingFile(const char* name) {
    return std::strcmp(name, "audio.wav") == 0 || fnmatch("frame_*.png", name, 0) == 0;
}

// The folder's entries other than . and ..; with `removeRecording` those a recording writes
// are removed first. False with errno when it cannot be read or an entry removed.
bool RemainingEntries(int folder, bool removeRecording, std::string& firstLeft) {
    DIR* listing = fdopendir(dup(folder));
    if (!listing) return false;
    bool ok = true;
    while (dirent* entry = readdir(listing)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (removeRecording && RecordingFile(name)) {
            if (unlinkat(folder, name, 0) != 0) ok = false;
            continue;
        }
        if (firstLeft.empty()) firstLeft = name;
    }
    const int error = errno;
    closedir(listing);
    errno = error;
    return ok;
}

}  // namespace

OutputClaim::~OutputClaim() {
    if (!m_lockFile.empty()) {
        unlink(m_lockFile.c_str());  // while still locked
        recording_signals::RemoveTemporary(m_lockFile);
    }
    if (m_fd >= 0) close(m_fd);
    if (!m_newFolder.empty()) rmdir(m_newFolder.c_str());  // only if nothing was written
}

OutputClaim::Result OutputClaim::Claim(const CaptureOptions& options, std::string& error) {
    const std::string& out = options.output;
    if (options.output == kDiscardOutput) return Result::Claimed;
    if (options.toVideo) {
        const std::string lockFile = FolderOf(out) + "." + NameOf(out) + ".lock";
        // A lock file left by a killed run is taken over; one removed by its run's end between
        // our open and our lock is opened anew.
        for (;;) {
            m_fd = open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (m_fd < 0) {
                error = "cannot create " + lockFile + ": " + std::strerror(errno);
                return Result::Failed;
            }
            if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
                error = "another recording is writing " + out + " (" + lockFile + " is locked)";
                return Result::Refused;
            }
            struct stat held, named;
            if (fstat(m_fd, &held) == 0 && stat(lockFile.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev)
                break;
            close(m_fd);
        }
        m_lockFile = lockFile;
        recording_signals::AddTemporary(lockFile);
        return Result::Claimed;
    }
    if (mkdir(out.c_str(), 0777) == 0) {
        m_newFolder = out;
    } else if (errno != EEXIST) {
        error = "cannot create the folder " + out + ": " + std::strerror(errno);
        return Result::Failed;
    }
    m_fd = open(out.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        error = "cannot open the folder " + out + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        error = "another recording is writing into " + out;
        m_newFolder.clear();
        return Result::Refused;
    }
    std::string firstLeft;
    if (!RemainingEntries(m_fd, options.overwrite, firstLeft)) {
        error = "cannot clear the folder " + out + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (!firstLeft.empty() && !options.overwrite) {
        error = out + " already holds files (" + firstLeft +
                "...); give --overwrite to replace its frame_*.png and audio.wav, or another folder";
        return Result::Refused;
    }
    return Result::Claimed;
}

// A recording's hold on its output, taken before anything is drawn. A folder is created if
// need be and locked itself; a video is locked through ".NAME.lock" beside it (removed at the
// end). A second recording into the same output is refused while the first runs. A folder that
// already holds files is refused unless --overwrite, which removes only what a recording
// writes there (frame_*.png, audio.wav).
#pragma once

#include "production/capture_options.h"

#include <string>

class OutputClaim {
public:
    enum class Result {
        Claimed,
        Refused,  // in use, or holding files: a usage error (exit 2)
        Failed,   // cannot be created or locked (exit 1)
    };

    OutputClaim() = default;
    ~OutputClaim();
    OutputClaim(const OutputClaim&) = delete;
    OutputClaim& operator=(const OutputClaim&) = delete;

    // `error` says why when not Claimed.
    Result Claim(const CaptureOptions& options, std::string& error);

private:
    int m_fd = -1;            // the locked folder or lock file
    std::string m_lockFile;   // a video's lock file, removed on release
    std::string m_newFolder;  // a folder made here, removed again if left empty
};

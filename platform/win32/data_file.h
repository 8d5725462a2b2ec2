// Opening the program's data files (textures, meshes, scripts, music) for reading. A data file
// must be a regular file of at most kMaxDataFileBytes: anything else (a FIFO, a device, a
// directory, a file far larger than any valid one) is refused at once, without blocking and
// without reading it, with a short reason for the person running the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Larger than any texture, mesh, script or music file the production can use.
constexpr std::uint64_t kMaxDataFileBytes = std::uint64_t{64} << 20;

// An open data file; closed when it goes.
class DataFile {
public:
    DataFile() = default;
    DataFile(DataFile&& other) noexcept;
    DataFile& operator=(DataFile&& other) noexcept;
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    ~DataFile();

    // Opens `path`; false (with `reason` set, e.g. "not a regular file") when it cannot be used.
    bool Open(const char* path, std::string* reason);
    bool IsOpen() const { return m_fd >= 0; }
    // Size in bytes when it was opened.
    std::uint64_t Size() const { return m_size; }
    // Reads up to `count` bytes from the current position; the count read, 0 at the end, -1 on
    // an error.
    long Read(void* buffer, std::size_t count);
    // Reads `count` bytes from `offset` into `bytes`; false when fewer could be read.
    bool ReadAt(std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t>* bytes, std::string* reason);

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// The whole file into `bytes`; on failure `bytes` is left as it was and `reason` says why.
bool ReadDataFile(const char* path, std::vector<std::uint8_t>* bytes, std::string* reason);

}  // namespace platform

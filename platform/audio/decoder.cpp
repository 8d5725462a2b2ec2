#include "platform/audio/decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace platform::audio {
namespace {

// The MP3 bytes as a seekable file for libmpg123.
struct MemoryFile {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

mpg123_ssize_t ReadMemory(void* handle, void* out, size_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    const std::size_t n = std::min(count, file->size - file->pos);
    std::memcpy(out, file->data + file->pos, n);
    file->pos += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t SeekMemory(void* handle, off_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    long long base = 0;
    switch (whence) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = static_cast<long long>(file->pos); break;
        case SEEK_END: base = static_cast<long long>(file->size); break;
        default: return -1;
    }
    const long long target = base + static_cast<long long>(offset);
    if (target < 0 || target > static_cast<long long>(file->size)) return -1;
    file->pos = static_cast<std::size_t>(target);
    return static_cast<off_t>(target);
}

struct HandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

DecodeResult Fail(DecodeStatus status, std::string message) {
    DecodeResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

}  // namespace

DecodeResult DecodeMp3(const std::uint8_t* data, std::size_t size, std::uint32_t rate) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });

    if (data == nullptr || size == 0) return Fail(DecodeStatus::NotMp3, "empty data");

    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> mh(mpg123_new(nullptr, &err));
    if (!mh) return Fail(DecodeStatus::NoMemory, mpg123_plain_strerror(err));

    // Quiet, gapless (encoder delay and padding removed), stereo output; a change of the
    // stream's format half-way ends the stream instead of being decoded as a new one.
    mpg123_param(mh.get(), MPG123_ADD_FLAGS,
                 MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_NO_FRANKENSTEIN, 0.0);
    mpg123_format_none(mh.get());
    if (mpg123_format(mh.get(), static_cast<long>(rate), MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
        MPG123_OK)
        return Fail(DecodeStatus::NotMp3, "unsupported output rate");

    MemoryFile file{data, size, 0};
    if (mpg123_replace_reader_handle(mh.get(), ReadMemory, SeekMemory, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh.get(), &file) != MPG123_OK)
        return Fail(DecodeStatus::NotMp3, mpg123_strerror(mh.get()));

    DecodeResult result;
    result.pcm.rate = rate;
    // Reserve from the stream's own length estimate (frames at the output rate) where known.
    const off_t estimate = mpg123_length(mh.get());
    try {
        if (estimate > 0 && static_cast<std::size_t>(estimate) <= kMaxDecodedFrames)
            result.pcm.samples.reserve(static_cast<std::size_t>(estimate) * 2 + 4608);

        std::vector<unsigned char> chunk(64 * 1024);
        std::string stopReason;
        for (;;) {
            size_t done = 0;
            const int rc = mpg123_read(mh.get(), chunk.data(), chunk.size(), &done);
            if (done > 0) {
                const std::size_t count = done / sizeof(std::int16_t);
                if (result.pcm.samples.size() / 2 + count / 2 > kMaxDecodedFrames)
                    return Fail(DecodeStatus::TooLong, "decoded stream too long");
                const auto* s = reinterpret_cast<const std::int16_t*>(chunk.data());
                result.pcm.samples.insert(result.pcm.samples.end(), s, s + count);
            }
            if (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) continue;
            if (rc != MPG123_DONE) stopReason = mpg123_strerror(mh.get());
            break;
        }
        if (result.pcm.samples.size() < 2)
            return Fail(DecodeStatus::NotMp3,
                        stopReason.empty() ? "no MPEG audio frames" : stopReason);
        std::vector<std::int16_t>& samples = result.pcm.samples;
        samples.resize(samples.size() & ~std::size_t{1});
        // Gives back a poor estimate's room; a copy of the whole stream is not worth the
        // few frames a good one leaves over.
        if (samples.capacity() - samples.size() > samples.size() / 8) samples.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        return Fail(DecodeStatus::NoMemory, "out of memory");
    }
    result.status = DecodeStatus::Ok;
    return result;
}

}  // namespace platform::audio

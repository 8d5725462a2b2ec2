// The music: an MP3 of 44.1 kHz stereo at 192 kbit/s constant bit rate, long enough for
// the whole timeline, audible in every section, with beats in the low bins.
#include "decode.h"
#include "spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <mpg123.h>

namespace {

struct Music {
    std::string error;
    long rate = 0;
    int channels = 0, bitrate = 0;
    bool cbr = false;
    std::vector<int16_t> pcm;  // interleaved stereo
};

Music Decode(const std::string& path)
{
    Music m;
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) {
        m.error = "mpg123_new failed";
        return m;
    }
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO | MPG123_MONO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, path.c_str()) != MPG123_OK) {
        m.error = "cannot open";
        mpg123_delete(h);
        return m;
    }
    int enc = 0;
    mpg123_getformat(h, &m.rate, &m.channels, &enc);
    std::vector<unsigned char> buf(65536);
    size_t done = 0;
    int r;
    while ((r = mpg123_read(h, buf.data(), buf.size(), &done)) == MPG123_OK || r == MPG123_NEW_FORMAT)
        m.pcm.insert(m.pcm.end(), reinterpret_cast<int16_t*>(buf.data()), reinterpret_cast<int16_t*>(buf.data() + done));
    if (done) m.pcm.insert(m.pcm.end(), reinterpret_cast<int16_t*>(buf.data()), reinterpret_cast<int16_t*>(buf.data() + done));
    if (r != MPG123_DONE) m.error = "decoding stopped early";
    mpg123_frameinfo fi;
    if (mpg123_info(h, &fi) == MPG123_OK) {
        m.bitrate = fi.bitrate;
        m.cbr = fi.vbr == MPG123_CBR;
    }
    mpg123_close(h);
    mpg123_delete(h);
    return m;
}

const Music& Track()
{
    static const Music m = Decode(ContentDir() + "/data/demo.mp3");
    return m;
}

// Production time t maps to the sample played 1.1 s after the music starts.
size_t FrameAt(double t) { return size_t(std::max(0.0, (t - 1.1) * 44100)); }

TEST(ContentMusic, IsStereoMp3At44100HzAnd192KbitConstant)
{
    const Music& m = Track();
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.rate, 44100);
    EXPECT_EQ(m.channels, 2);
    EXPECT_EQ(m.bitrate, 192);
    EXPECT_TRUE(m.cbr);
}

TEST(ContentMusic, LastsTheWholeTimeline)
{
    const Music& m = Track();
    ASSERT_EQ(m.error, "");
    double seconds = double(m.pcm.size() / 2) / 44100.0;
    EXPECT_GE(seconds, 219.0);
    EXPECT_LE(seconds, 223.0);
}

TEST(ContentMusic, NoSectionIsSilentAndTheEndIsQuiet)
{
    const Music& m = Track();
    ASSERT_EQ(m.error, "");
    auto rms = [&](double from, double to) {
        double sum = 0;
        size_t a = FrameAt(from) * 2, b = std::min(m.pcm.size(), FrameAt(to) * 2);
        for (size_t i = a; i < b; ++i) sum += double(m.pcm[i]) * m.pcm[i];
        return std::sqrt(sum / double(std::max<size_t>(1, b - a))) / 32768.0;
    };
    const double sections[][2] = {{1.2, 30},    {30, 45},   {45, 60},   {60, 61.8}, {61.8, 87.4}, {87.4, 113},
                                  {113, 139},   {139, 153}, {153, 166}, {166, 178.5}, {178.5, 190}, {190, 204.3},
                                  {204.3, 218}};
    for (auto& s : sections) EXPECT_GT(rms(s[0], s[1]), 0.02) << s[0] << " to " << s[1];
    EXPECT_LT(rms(219.2, 222.0), 0.003);
}

// The scenes read bins of a 512-sample spectrum as offsets: the low bins must move with
// the beat where the drums play, and the hi-hat band must carry energy in the driving part.
TEST(ContentMusic, LowBinsFollowTheBeatAndHatsReachBin180)
{
    const Music& m = Track();
    ASSERT_EQ(m.error, "");
    std::vector<float> low, hat;
    for (double t = 45.0; t < 60.0; t += 1.0 / 60) {
        float s[256];
        music::Spectrum512(m.pcm, FrameAt(t), s);
        low.push_back(s[0] + s[1] + s[2]);
    }
    for (double t = 62.0; t < 87.0; t += 1.0 / 60) {
        float s[256];
        music::Spectrum512(m.pcm, FrameAt(t), s);
        hat.push_back(s[180]);
    }
    std::sort(low.begin(), low.end());
    std::sort(hat.begin(), hat.end());
    EXPECT_GT(low[low.size() * 9 / 10], 0.15f);
    EXPECT_GT(low[low.size() * 9 / 10], 3 * low[low.size() / 10]);  // beats: strong peaks over quiet gaps
    EXPECT_GT(hat.back(), 0.02f);
}

}  // namespace

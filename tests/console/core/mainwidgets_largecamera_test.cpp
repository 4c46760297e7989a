// Cameras larger than 1080p in the whole console: a 4 MP H.265 camera (GStreamer's
// RTSP server on 127.0.0.1) recorded with the default codec, and a simulated
// 4K camera recorded with H.264, which this machine cannot encode in real
// time. Both take the whole processor: they run alone. Each prints its figures.
#include "ConsoleRecording.h"
#include "NoVideoCheck.h"
#include "processmemory.h"
#include "videolabel.h"

#include <cstdio>

namespace {

// An unbounded queue took 1.4 GB.
constexpr double kMaxPeakMegabytes = 600;

using LargeCameras = coretest::ConsoleRecording;

TEST_F(LargeCameras, FourMegapixelH265CameraIsRecordedByDefaultInRealTime)
{
    RtspCamera::Options fourMegapixels = coretest::fieldCamera("10", "h265");
    fourMegapixels.width = 2560;
    fourMegapixels.height = 1440;
    startCamera(fourMegapixels);
    startConsole();
    ASSERT_TRUE(coretest::showsLiveVideo(coretest::mainView(*console)));
    double ran = 0;
    const QString path = record(6000, ran);
    ASSERT_FALSE(path.isEmpty());
    const auto video = probeVideo(path.toStdString());
    std::printf("%s %sx%s, %s frames, %.2f s of %.2f s recorded\n",
                probeStream(path.toStdString(), "v", "codec_name").at("codec_name").c_str(),
                video.at("width").c_str(), video.at("height").c_str(),
                video.at("nb_read_frames").c_str(), probedDuration(path.toStdString()), ran);
    EXPECT_GT(std::stoi(video.at("nb_read_frames")), 0);
    EXPECT_NEAR(probedDuration(path.toStdString()), ran, 1.0);
}

TEST_F(LargeCameras, FourKCameraWhoseEncoderCannotKeepUpStaysWithinItsMemory)
{
    coretest::setCamera("/lognone/", QStringLiteral("sim:main?w=3840&h=2160&fps=25"));
    SetQStringFromIni("/came/codec", "h264");
    startConsole();
    snapshot(); // frames are flowing
    double ran = 0;
    const QString path = record(10000, ran);
    ASSERT_FALSE(path.isEmpty());
    const double peak = peakResidentMegabytes();
    std::printf("peak %.0f MB; %d frames in %.2f s of %.2f s recorded\n", peak,
                decodedFrames(path.toStdString()), probedDuration(path.toStdString()), ran);
    EXPECT_LT(peak, kMaxPeakMegabytes);
    EXPECT_NEAR(probedDuration(path.toStdString()), ran, 1.0);
}

} // namespace

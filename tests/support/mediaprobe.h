// ffprobe views of recorded files, shared by every test that checks one.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Standard output of a shell command.
inline std::string runCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    pclose(pipe);
    return output;
}

// key=value of the given entries of the first stream of a kind ("v", "s");
// countFrames decodes every frame for nb_read_frames.
inline std::map<std::string, std::string> probeStream(const std::string& path,
                                                      const std::string& kind,
                                                      const std::string& entries,
                                                      bool countFrames = false)
{
    const std::string out =
        runCommand(std::string("ffprobe -v error ") + (countFrames ? "-count_frames " : "") +
                   "-select_streams " + kind + ":0 -show_entries stream=" + entries +
                   " -of default=nw=1 '" + path + "' 2>/dev/null");
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return values;
}

// key=value of the first video stream, every frame decoded (nb_read_frames).
inline std::map<std::string, std::string> probeVideo(const std::string& path)
{
    return probeStream(path, "v", "codec_tag_string,width,height,nb_read_frames,r_frame_rate",
                       true);
}

// The container's tags as ffprobe -show_format lists them (JSON, so any
// text comes back whole).
inline QJsonObject formatTags(const std::string& path)
{
    const std::string out = runCommand("ffprobe -v error -show_entries format_tags -of json '" +
                                       path + "' 2>/dev/null");
    return QJsonDocument::fromJson(QByteArray::fromStdString(out))
        .object()
        .value(QStringLiteral("format"))
        .toObject()
        .value(QStringLiteral("tags"))
        .toObject();
}

// The subtitle cues FFmpeg decodes from the file's first subtitle stream:
// start (s) and text without style tags. (FFmpeg reads no cue lengths from a
// fragmented file; the stream's duration gives the last cue's end.)
struct Cue {
    double start = 0;
    std::string text;
};
inline std::vector<Cue> subtitleCues(const std::string& path)
{
    const std::string srt =
        runCommand("ffmpeg -v error -i '" + path + "' -map 0:s:0 -f srt - 2>/dev/null");
    std::vector<Cue> cues;
    std::istringstream lines(srt);
    std::string line;
    while (std::getline(lines, line)) {
        int h = 0, m = 0, s = 0, ms = 0;
        if (line.find(" --> ") == std::string::npos ||
            std::sscanf(line.c_str(), "%d:%d:%d,%d", &h, &m, &s, &ms) != 4) {
            continue;
        }
        Cue cue{h * 3600.0 + m * 60.0 + s + ms / 1000.0, {}};
        while (std::getline(lines, line) && !line.empty()) {
            cue.text += (cue.text.empty() ? "" : "\n") + line;
        }
        for (auto open = cue.text.find('<'); open != std::string::npos; open = cue.text.find('<')) {
            cue.text.erase(open, cue.text.find('>', open) - open + 1);
        }
        cues.push_back(cue);
    }
    return cues;
}

// Frames ffprobe decodes from the file, -1 when it reads none.
inline int decodedFrames(const std::string& path)
{
    const auto values = probeVideo(path);
    const auto it = values.find("nb_read_frames");
    return it == values.end() ? -1 : std::atoi(it->second.c_str());
}

// The container's duration in seconds, negative when ffprobe reads none.
inline double probedDuration(const std::string& path)
{
    const std::string out = runCommand("ffprobe -v error -show_entries format=duration "
                                       "-of default=nw=1:nk=1 '" +
                                       path + "' 2>/dev/null");
    char* end = nullptr;
    const double seconds = std::strtod(out.c_str(), &end);
    return end == out.c_str() ? -1.0 : seconds;
}

// Presentation times (s) of the frames, and whether each is a key frame.
struct FrameTimes {
    std::vector<double> times;
    std::vector<bool> keys;
};
inline FrameTimes frameTimes(const std::string& path)
{
    const std::string out =
        runCommand("ffprobe -v error -select_streams v:0 -show_entries frame=key_frame,pts_time "
                   "-of csv=p=0 '" +
                   path + "' 2>/dev/null");
    FrameTimes frames;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) {
            continue;
        }
        frames.keys.push_back(line.rfind("1", 0) == 0);
        frames.times.push_back(std::atof(line.c_str() + comma + 1));
    }
    return frames;
}

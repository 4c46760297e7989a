// ffprobe views of recorded files for the recording tests.
#pragma once

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

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

// key=value of the first video stream, every frame decoded (nb_read_frames).
inline std::map<std::string, std::string> probeVideo(const std::string& path)
{
    const std::string out =
        runCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                   "stream=codec_tag_string,width,height,nb_read_frames -of default=nw=1 '" +
                   path + "' 2>/dev/null");
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

inline int decodedFrames(const std::string& path)
{
    const auto values = probeVideo(path);
    const auto it = values.find("nb_read_frames");
    return it == values.end() ? -1 : std::atoi(it->second.c_str());
}

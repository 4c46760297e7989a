// The built-in simulated camera: a crawler's view along a pipe, with joints
// passing by, deposits, cracks, light falling off with depth and a frame
// counter. Frames are planar YUV 4:2:0 (I420).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace netcam {

class SimCamera {
public:
    SimCamera(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    size_t frameBytes() const;
    // Renders frame number index into out (frameBytes() bytes).
    void render(uint64_t index, uint8_t* out);

private:
    struct Plane {
        int width = 0;
        int height = 0;
        std::vector<uint32_t> texel; // wall texture index at zero travel
        std::vector<uint8_t> light;  // 0..255 light reaching the pixel
    };
    Plane buildPlane(int width, int height) const;
    void buildTexture();

    int m_width;
    int m_height;
    // The scene is drawn at chroma resolution; luma is scaled up from it.
    Plane m_half;
    std::vector<uint8_t> m_halfLuma;
    std::vector<uint8_t> m_wallLuma; // rows of depth, columns of angle
    std::vector<uint8_t> m_wallU;
    std::vector<uint8_t> m_wallV;
};

} // namespace netcam

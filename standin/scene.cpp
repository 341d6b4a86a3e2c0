#include "scene.hpp"

#include <cmath>
#include <cstdio>
#include <string>

namespace standin {
namespace {

struct Rgb {
    uint8_t r, g, b;
};

struct Tower {
    double azimuth;    // degrees clockwise from north
    double halfWidth;  // degrees
    double height;     // degrees above the horizon
    Rgb colour;
};

// Spread around the horizon so that every pan shows something different.
constexpr Tower kTowers[] = {
    {0.0, 2.0, 14.0, {200, 40, 40}},    {45.0, 4.0, 6.0, {230, 200, 60}},
    {100.0, 1.5, 20.0, {90, 90, 110}},  {160.0, 6.0, 9.0, {150, 80, 160}},
    {220.0, 3.0, 16.0, {240, 140, 40}}, {275.0, 1.0, 25.0, {240, 240, 240}},
    {320.0, 5.0, 11.0, {60, 160, 200}},
};
constexpr double kSunAzimuth = 135.0;
constexpr double kSunElevation = 35.0;
constexpr double kSunRadius = 4.0;
constexpr double kWideFieldOfView = 60.0;  // horizontal, degrees, at zoom 1.0x

double wrapDegrees(double angle) {
    angle = std::fmod(angle, 360.0);
    return angle < 0 ? angle + 360.0 : angle;
}

// Signed difference a - b, folded into -180..180.
double angleBetween(double a, double b) { return wrapDegrees(a - b + 180.0) - 180.0; }

uint8_t mix(uint8_t from, uint8_t to, double t) {
    return static_cast<uint8_t>(std::lround(from + (to - from) * std::fmin(1.0, std::fmax(0.0, t))));
}

Rgb colourAt(double azimuth, double elevation) {
    if (elevation >= 0) {
        for (const Tower& tower : kTowers) {
            if (elevation < tower.height &&
                std::fabs(angleBetween(azimuth, tower.azimuth)) < tower.halfWidth) {
                return tower.colour;
            }
        }
        const double sunX = angleBetween(azimuth, kSunAzimuth);
        const double sunY = elevation - kSunElevation;
        if (sunX * sunX + sunY * sunY < kSunRadius * kSunRadius) return {255, 240, 160};
        const double t = elevation / 60.0;
        return {mix(185, 40, t), mix(215, 90, t), mix(240, 170, t)};
    }
    // A chequered field, so that small movements show even when zoomed in.
    const int column = static_cast<int>(std::floor(azimuth / 2.0));
    const int row = static_cast<int>(std::floor(-elevation / 2.0));
    const bool dark = ((column + row) & 1) != 0;
    const double t = -elevation / 90.0;
    return dark ? Rgb{mix(60, 30, t), mix(120, 80, t), mix(50, 30, t)}
                : Rgb{mix(90, 50, t), mix(150, 100, t), mix(70, 40, t)};
}

// A 3x5 pixel font for the position caption: each glyph is five rows of three bits.
uint16_t glyphOf(char c) {
    switch (c) {
        case '0':
            return 0b111'101'101'101'111;
        case '1':
            return 0b010'110'010'010'111;
        case '2':
            return 0b111'001'111'100'111;
        case '3':
            return 0b111'001'111'001'111;
        case '4':
            return 0b101'101'111'001'001;
        case '5':
            return 0b111'100'111'001'111;
        case '6':
            return 0b111'100'111'101'111;
        case '7':
            return 0b111'001'001'001'001;
        case '8':
            return 0b111'101'111'101'111;
        case '9':
            return 0b111'101'111'001'111;
        case 'P':
            return 0b111'101'111'100'100;
        case 'T':
            return 0b111'010'010'010'010;
        case 'Z':
            return 0b111'001'010'100'111;
        default:
            return 0;
    }
}

void fill(Picture& picture, int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
    uint8_t* pixel = &picture.rgb[3 * (static_cast<std::size_t>(y) * picture.width + x)];
    pixel[0] = colour.r;
    pixel[1] = colour.g;
    pixel[2] = colour.b;
}

void drawCaption(Picture& picture, const std::string& text) {
    constexpr int kScale = 3;
    constexpr int kMargin = 6;
    const int boxWidth = static_cast<int>(text.size()) * 4 * kScale + kScale;
    const int boxHeight = 7 * kScale;
    for (int y = 0; y < boxHeight; ++y) {
        for (int x = 0; x < boxWidth; ++x) fill(picture, kMargin + x, kMargin + y, {20, 20, 20});
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const uint16_t glyph = glyphOf(text[i]);
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                if (((glyph >> (14 - (row * 3 + column))) & 1) == 0) continue;
                const int left = kMargin + kScale + static_cast<int>(i) * 4 * kScale + column * kScale;
                const int top = kMargin + kScale + row * kScale;
                for (int dy = 0; dy < kScale; ++dy) {
                    for (int dx = 0; dx < kScale; ++dx) fill(picture, left + dx, top + dy, {255, 255, 255});
                }
            }
        }
    }
}

void drawCrosshair(Picture& picture) {
    const int cx = picture.width / 2;
    const int cy = picture.height / 2;
    for (int d = -8; d <= 8; ++d) {
        fill(picture, cx + d, cy, {255, 255, 255});
        fill(picture, cx, cy + d, {255, 255, 255});
    }
}

}  // namespace

Picture renderScene(const HeadPosition& head, const CameraTraits& camera, int width, int height) {
    Picture picture{width, height, std::vector<uint8_t>(3 * static_cast<std::size_t>(width) * height)};
    const double fieldOfView = kWideFieldOfView * 10.0 / head.zoom;
    const double verticalFieldOfView = fieldOfView * height / width;
    const double centreAzimuth = head.pan / 10.0 - camera.sceneTurnDegrees();
    const double centreElevation = -head.tilt / 10.0;
    for (int y = 0; y < height; ++y) {
        const double elevation = centreElevation + (0.5 - (y + 0.5) / height) * verticalFieldOfView;
        for (int x = 0; x < width; ++x) {
            const double azimuth = wrapDegrees(centreAzimuth + ((x + 0.5) / width - 0.5) * fieldOfView);
            fill(picture, x, y, colourAt(azimuth, elevation));
        }
    }
    drawCrosshair(picture);
    char caption[32];
    std::snprintf(caption, sizeof caption, "P%04u T%03u Z%03u", static_cast<unsigned>(head.pan),
                  static_cast<unsigned>(head.tilt), static_cast<unsigned>(head.zoom));
    drawCaption(picture, caption);
    return picture;
}

}  // namespace standin

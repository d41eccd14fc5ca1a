// Icon 107: a multifunction device with a green arrow pointing down into it, in
// two sizes (32 x 32 and 16 x 16) of 16 colours, written as an .ico file; and
// the same picture as PNG files in the sizes a Linux desktop asks for.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "model.h"

namespace resgen {
namespace {

// The 16 colours of the standard palette, blue, green, red.
constexpr uint8_t kPalette[16][3] = {
    {0, 0, 0},     {0, 0, 128},     {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0}, {128, 128, 128}, {192, 192, 192}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},   {255, 0, 255},   {255, 255, 0}, {255, 255, 255}};
enum Colour { Black = 0, DarkGreen = 2, Teal = 6, Grey = 7, Silver = 8, Lime = 10, White = 15, None = -1 };

// The picture on a 32-unit grid; u runs right, v down.
int ColourAt(double u, double v) {
  bool inShaft = u >= 12.5 && u <= 19.5 && v >= 1 && v <= 9;
  bool inHead = v >= 9 && v <= 16 && std::abs(u - 16) <= (16 - v) * 1.1;
  if (inShaft || inHead) {
    bool edge = (inShaft && (u < 13.5 || u > 18.5 || v < 2)) || (inHead && std::abs(u - 16) > (16 - v) * 1.1 - 1.2);
    return edge ? DarkGreen : Lime;
  }
  if (v >= 17 && v <= 30 && u >= 2 && u <= 30) {
    if (v < 18 || v > 29 || u < 3 || u > 29) return Black;  // outline
    if (v >= 19 && v <= 20 && u >= 6 && u <= 26) return Black;  // the paper slot
    if (v >= 22 && v <= 25 && u >= 19 && u <= 26) return Teal;  // the panel's display
    if (v >= 26 && v <= 28) return Grey;  // the base
    return Silver;
  }
  if (v >= 16 && v < 17 && u >= 5 && u <= 27) return White;  // paper behind the slot
  return None;
}

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

// The picture's colours, size x size, row by row from the top; each pixel the
// colour of the picture at its centre, so that no size is blurred.
std::vector<int> Pixels(int size) {
  std::vector<int> pixels(static_cast<size_t>(size * size));
  double scale = 32.0 / size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) pixels[static_cast<size_t>(y * size + x)] = ColourAt((x + 0.5) * scale, (y + 0.5) * scale);
  }
  return pixels;
}

// One image: BITMAPINFOHEADER, palette, 4-bit colours and 1-bit mask, bottom-up.
std::string Image(int size) {
  std::string out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, static_cast<uint32_t>(size * 2));  // colours and mask
  Put16(out, 1);
  Put16(out, 4);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (const auto& colour : kPalette) out += std::string{char(colour[0]), char(colour[1]), char(colour[2]), 0};
  int colourRow = (size / 2 + 3) / 4 * 4;
  int maskRow = (size / 8 + 3) / 4 * 4;
  std::vector<int> pixels = Pixels(size);
  for (int y = size - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(colourRow), '\0');
    for (int x = 0; x < size; ++x) {
      int colour = pixels[static_cast<size_t>(y * size + x)];
      auto nibble = static_cast<uint8_t>(colour == None ? 0 : colour);
      row[static_cast<size_t>(x / 2)] = static_cast<char>(row[static_cast<size_t>(x / 2)] | (x % 2 ? nibble : nibble << 4));
    }
    out += row;
  }
  for (int y = size - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(maskRow), '\0');
    for (int x = 0; x < size; ++x) {
      if (pixels[static_cast<size_t>(y * size + x)] == None) row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
    out += row;
  }
  return out;
}

}  // namespace

std::string IconFile() {
  std::string images[2] = {Image(32), Image(16)};
  std::string out;
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, 2);
  uint32_t offset = 6 + 2 * 16;
  for (int i = 0; i < 2; ++i) {
    int size = i == 0 ? 32 : 16;
    out += static_cast<char>(size);
    out += static_cast<char>(size);
    out += static_cast<char>(16);  // colours
    out += '\0';
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, static_cast<uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  return out + images[0] + images[1];
}

// Palette index 16 is the transparent one.
std::string IconPng(int size) {
  std::string palette, alpha(17, '\xFF');
  for (const auto& colour : kPalette) palette += std::string{char(colour[2]), char(colour[1]), char(colour[0])};
  palette += std::string(3, '\0');
  alpha.back() = '\0';
  std::vector<int> pixels = Pixels(size);
  std::vector<uint8_t> indices(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) indices[i] = static_cast<uint8_t>(pixels[i] == None ? 16 : pixels[i]);
  return PalettePng(size, palette, alpha, indices);
}

}  // namespace resgen

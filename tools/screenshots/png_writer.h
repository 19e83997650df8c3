// A minimal PNG encoder: 8-bit RGB pictures, stored (uncompressed) deflate
// blocks, no library. Enough for screenshots of dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvshots {

// The CRC-32 of PNG chunks (polynomial 0xEDB88320), continued from crc.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
// The Adler-32 checksum that ends a zlib stream.
uint32_t Adler32(const uint8_t* data, size_t size);

// A PNG file of width x height pixels; rgb holds the rows top to bottom,
// three bytes (red, green, blue) per pixel, no padding.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

// Writes EncodePng's result to path; false when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace zvshots

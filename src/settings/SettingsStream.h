#pragma once
// The primitive records of the settings file, read and written through a
// kit::File. Every reader checks what it reads against the bytes that remain
// and answers false instead of trusting a damaged length.
#include <cstdint>
#include <string>
#include <vector>

#include "kit/File.h"

namespace settings_stream {

bool ReadU32(kit::File& stream, std::uint32_t& value);
bool WriteU32(kit::File& stream, std::uint32_t value);

// UTF-16LE code units up to a 0x0000 unit; false when the end comes first.
bool ReadString(kit::File& stream, std::wstring& text);
bool WriteString(kit::File& stream, const std::wstring& text);

// u32 length L, then L bytes; false when fewer than L bytes remain.
bool ReadByteBlock(kit::File& stream, std::vector<std::uint8_t>& block);
bool WriteByteBlock(kit::File& stream, const std::vector<std::uint8_t>& block);

// u32 N, then (when N != 0) u32 Z and Z bytes of one zlib stream.
bool WriteCompressedBlock(kit::File& stream, const std::vector<std::uint8_t>& block);
// False when the lengths cannot be true or the stream does not inflate to
// exactly N bytes. Memory grows with the bytes actually inflated, never with
// the N that the file claims.
bool ReadCompressedBlock(kit::File& stream, std::vector<std::uint8_t>& block);

}  // namespace settings_stream

#pragma once
// How long a recording plays, told cheaply for a playlist: from the first
// MPEG audio frame's header and, when the encoder left one, its frame count
// (Xing/Info or VBRI); otherwise from the bytes at the first frame's bit rate.
#include <string>

// Whole seconds, or -1 when the file holds no frame we can read.
int Mp3Seconds(const std::wstring& path);

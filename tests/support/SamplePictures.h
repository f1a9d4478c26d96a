#pragma once
// Small artwork pictures made on the spot (a colour gradient with a band),
// encoded as real PNG and JPEG files for the station's web server.
#include <string>

// `hue` 0..5 picks the colours, so that songs get pictures of their own.
std::string SamplePng(int width, int height, int hue);
std::string SampleJpeg(int width, int height, int hue);

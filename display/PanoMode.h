#pragma once

// Mount type of a fisheye picture, as the view's fisheye slots take it.
// 0 is a full circle inside the picture (ceiling mount); every other value is
// a circle cut by the picture's top or bottom edge (wall mount). Kept an int
// so that callers reaching the slots by name can pass plain numbers.
using PanoMode = int;

constexpr PanoMode kPanoModeCeiling = 0;
constexpr PanoMode kPanoModeWall = 1;

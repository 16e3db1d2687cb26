// The texts that the partition list and the image details are made of.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

// floor(kilobytes / 1024) in decimal, cut to its first 6 characters.
Text megabyteFigure(int32_t kilobytes);
// One entry of 列表框1: "  C:" and the used, free and total megabytes, 11 blanks apart, ending in CR LF.
Text partitionListEntry(const char* letter, int32_t usedKb, int32_t freeKb, int32_t totalKb);
// Captions of 大小标签 and 日期标签 for an image of that many bytes (any size); without the image, only the
// captions' names.
Text imageSizeCaption(bool present, double bytes);
Text imageDateCaption(bool present, const char* path);
// "镜像大小：…MB，创建日期：…" of an image file (only the names when it is missing).
Text imageSizeAndDate(const char* path);

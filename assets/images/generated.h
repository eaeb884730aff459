// generated.h — the pictures drawn by code rather than from pixel-art sources.
#pragma once

#include <string>

#include "assets/images/picture.h"

namespace imagegen {

// 640 x 480, indexed; written as RGBA. Opaque black is the sky and the borders.
Picture makeBackdrop();
// 200 x 200 opaque palette picture: a cowboy's silhouette before a setting sun. The
// silhouette comes from the pixel-art source `title_cowboy.txt` in sourceDir.
Picture makeTitle(const std::string& sourceDir);

}  // namespace imagegen

// A contact sheet of the generated set for a person to look at: every texture over a
// checkerboard (so alpha shows) and a shaded software rendering of every model.
#pragma once

#include <vector>

#include "image_io.h"
#include "models.h"
#include "textures.h"

namespace assetgen {

PngImage contactSheet(const std::vector<NamedImage>& textures,
                      const std::vector<NamedMesh>& models);

} // namespace assetgen

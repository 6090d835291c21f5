// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/Scene.h"

namespace {
graphics::TScene* scene = nullptr;
} // namespace

void graphics::InstallScene(TScene* installed) {
    scene = installed;
}

graphics::TScene* graphics::InstalledScene() {
    return scene;
}

void RedrawScene() {
    if (scene)
        scene->Draw();
}

TDXDraw* DrawingSurface() {
    return scene ? scene->DrawingSurface() : nullptr;
}

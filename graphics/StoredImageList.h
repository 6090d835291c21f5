// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An image list made from its entry in the stored description: its name, its colour table and
// every item with its settings and picture.
#include "engine/ImageList.h"

struct StoredImageList;

// Replaces the items of list with the stored ones; DXDraw is left to the caller. Malformed
// stored values raise (the picture readers' errors, "Stream read error" for a short colour
// table); the list then holds the items read so far.
void LoadImageList(TCustomDXImageList& list, const StoredImageList& stored);

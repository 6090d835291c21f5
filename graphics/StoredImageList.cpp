// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/StoredImageList.h"

#include "graphics/Catalogue.h"
#include "platform/Stream.h"

void LoadImageList(TCustomDXImageList& list, const StoredImageList& stored) {
    list.Name = stored.Name;
    TMemoryStream colorTable(stored.ColorTable);
    list.Items().ReadColorTable(colorTable);
    list.Items().Clear();
    for (const StoredImageItem& storedItem : stored.Items) {
        TPictureCollectionItem& item = list.Items().Add();
        item.Name = storedItem.Name;
        item.PatternWidth = storedItem.PatternWidth;
        item.PatternHeight = storedItem.PatternHeight;
        item.SkipWidth = storedItem.SkipWidth;
        item.SkipHeight = storedItem.SkipHeight;
        item.SystemMemory = storedItem.SystemMemory;
        item.Transparent = storedItem.Transparent;
        item.SetTransparentColor(storedItem.TransparentColor);
        TMemoryStream data(storedItem.PictureData);
        item.Picture().ReadData(data);
        for (const auto& [percent, bytes] : storedItem.ScaledPictureData) {
            TMemoryStream scaled(bytes);
            item.ScaledPicture(percent / 100.0).ReadData(scaled);
        }
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded pictures as a program that links Morrow::Art finds them.
#include "ArtResources.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

TEST(ArtResources, EmbeddedPicturesAreRegisteredInAConsumer) {
    EXPECT_TRUE(morrow::art::Available());
    struct Entry {
        const char* path;
        QSize size;
    };
    const Entry entries[] = {
        {morrow::art::kDigitsSmall, {188, 21}}, {morrow::art::kGreenSmall, {188, 21}},
        {morrow::art::kDigitsLarge, {376, 42}}, {morrow::art::kGreenLarge, {376, 42}},
        {morrow::art::kTrickPick, {640, 430}},  {morrow::art::kTrickTricked, {640, 430}},
        {morrow::art::kTrickTreat, {640, 430}}, {morrow::art::kChip1000, {66, 42}},
        {morrow::art::kChip100, {66, 42}},      {morrow::art::kChip10, {66, 42}},
        {morrow::art::kChip1, {66, 42}},        {morrow::art::kIcon, {256, 256}},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.path);
        QImage img(QString::fromLatin1(e.path));
        EXPECT_EQ(img.size(), e.size);
    }
    QFile pick(QString::fromLatin1(morrow::art::kTrickPick));
    ASSERT_TRUE(pick.open(QIODevice::ReadOnly));
    EXPECT_EQ(pick.size(), 276278);
}

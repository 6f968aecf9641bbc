// SPDX-License-Identifier: GPL-3.0-or-later
// A QGuiApplication for the whole test program: painting text needs one.
#include "ArtTestSupport.h"

#include <QByteArray>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
        }
        static int argc = 1;
        static char name[] = "morrow_art_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QGuiApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace

namespace morrow::artgen::test {

const std::vector<ArtFile>& art() {
    static const std::vector<ArtFile> files = BuildArt();
    return files;
}

const ArtFile& artFile(const QString& path, bool embedded) {
    for (const ArtFile& f : art()) {
        if (f.path == path && f.embedded == embedded) {
            return f;
        }
    }
    throw std::runtime_error("no picture " + path.toStdString());
}

QImage decoded(const QString& path, bool embedded) {
    QImage img;
    img.loadFromData(EncodeArt(artFile(path, embedded)));
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace morrow::artgen::test

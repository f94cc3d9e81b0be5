#include "ui/ArtworkCache.h"

#include <QTemporaryDir>
#include <QtMath>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

// Every picture the window asks for, in its sizes.
std::vector<QImage> WindowPictures(ArtworkCache& cache)
{
    using artwork::Glyph;
    std::vector<QImage> pictures{cache.background({739, 444}).toImage()};
    for (const auto& [glyph, size] :
        {std::pair{Glyph::Website, QSize(110, 22)}, {Glyph::Minimize, QSize(17, 17)}, {Glyph::Close, QSize(17, 17)},
            {Glyph::Refresh, QSize(17, 18)}, {Glyph::Save, QSize(104, 26)}, {Glyph::Continue, QSize(105, 31)}})
        for (bool pressed : {false, true})
            pictures.push_back(cache.buttonFace(glyph, size, pressed).toImage());
    for (const auto& [caption, size] : {std::pair{"New", QSize(142, 37)}, {"Existing", QSize(142, 38)}})
        for (bool active : {false, true})
            pictures.push_back(cache.tabFace(caption, size, active).toImage());
    return pictures;
}

constexpr int kPictures = 17;

struct Folder {
    QTemporaryDir dir;
    fs::path path{dir.path().toStdString()};
};

} // namespace

TEST(ArtworkCache, PicturesReadBackAreThePaintedOnesAtEveryRatio)
{
    Folder folder;
    for (qreal ratio : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        ArtworkCache first(folder.path, ratio);
        const std::vector<QImage> painted = WindowPictures(first);
        EXPECT_EQ(first.paintedCount(), kPictures);
        ASSERT_TRUE(first.save().ok());

        ArtworkCache second(folder.path, ratio);
        const std::vector<QImage> read = WindowPictures(second);
        EXPECT_EQ(second.paintedCount(), 0);
        ASSERT_EQ(read.size(), painted.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].devicePixelRatio(), ratio);
            EXPECT_TRUE(read[i] == painted[i]) << "picture " << i;
        }
        EXPECT_EQ(read[0].size(), QSize(qCeil(739 * ratio), qCeil(444 * ratio)));
    }
}

TEST(ArtworkCache, DamagedFileIsPaintedAfreshAndRepaired)
{
    const std::pair<const char*, std::function<void(std::string&)>> damages[] = {
        {"cut short", [](std::string& bytes) { bytes.resize(bytes.size() / 2); }},
        {"last byte missing", [](std::string& bytes) { bytes.pop_back(); }},
        {"other build", [](std::string& bytes) { bytes[20] ^= 0x20; }},
        {"huge length", [](std::string& bytes) { bytes.replace(8, 4, "\x7f\xff\xff\xff"); }},
    };
    Folder folder;
    ArtworkCache original(folder.path, 1.0);
    const std::vector<QImage> painted = WindowPictures(original);
    ASSERT_TRUE(original.save().ok());
    const fs::path file = ArtworkCache::fileFor(folder.path, 1.0);
    std::string good;
    {
        std::ifstream in(file, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        std::string bytes = good;
        damage(bytes);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;

        ArtworkCache damaged(folder.path, 1.0);
        EXPECT_TRUE(WindowPictures(damaged) == painted);
        EXPECT_EQ(damaged.paintedCount(), kPictures);
        ASSERT_TRUE(damaged.save().ok());
        ArtworkCache repaired(folder.path, 1.0);
        WindowPictures(repaired);
        EXPECT_EQ(repaired.paintedCount(), 0);
    }
}
